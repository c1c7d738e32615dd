// The workbench around the traffic application, in a window-less stand-in for the window program:
// without input it is the plain application, and follow keeps a car centred.
#include "app/Car.h"
#include "app/TrafficMonitor.h"
#include "framework/AppFrame/AppFrame.h"
#include "framework/AppFrame/TimeControl.h"
#include "framework/Physics/StaticBoxCollider.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"
#include "framework/VemoxUI/VImmediateUI.h"
#include "headless/HeadlessSimulation.h"
#include "workbench/TrafficWorkbench.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>

#include <cstdlib>
#include <memory>
#include <string>

using namespace Vemox;

namespace
{
constexpr float Frame = 1.f / 60.f;
constexpr unsigned int Seed = 9;

// A UI context that never renders, the program's camera and the shared frame around the workbench.
class WorkbenchTest : public ::testing::Test
{
protected:
    WorkbenchTest()
    {
        VImmediateUI::CreateHeadlessContext(901.f, 451.f);
        SDLDebugRenderer2D::GetInstance()->SetActiveCamera(&m_Camera);
    }
    ~WorkbenchTest() override
    {
        m_pFrame.reset();
        AppFrame::DestroySingletons();
        ImGui::DestroyContext();
    }
    void Start()
    {
        std::srand(Seed); // as the program seeds it
        m_pFrame = std::make_unique<AppFrame>(
            &m_Camera, [this] { return m_pWorkbench = new TrafficWorkbench(m_TimeControl, Seed); });
    }
    void RunFrames(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            ImGui::NewFrame();
            const TimeControl::FramePlan plan = m_TimeControl.PlanFrame(Frame);
            m_pFrame->Run(Frame, plan.nrOfSteps, plan.stepTime);
            ImGui::Render();
            SDLDebugRenderer2D::GetInstance()->DiscardFrame();
        }
    }

    Camera2D m_Camera{Vector2D{0.f, 0.f}, Camera2D::DefaultZoom, 901, 451};
    TimeControl m_TimeControl;
    std::unique_ptr<AppFrame> m_pFrame;
    TrafficWorkbench* m_pWorkbench = nullptr; ///< owned by m_pFrame
};
} // namespace

TEST_F(WorkbenchTest, WithoutInputItIsThePlainApplicationWithItsPanelOnly)
{
    // The plain application first, in a UI context of its own; it takes the shared singletons with it.
    ImGuiContext* pContext = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(nullptr);
    std::srand(Seed);
    auto pPlain = std::make_unique<HeadlessSimulation>();
    for (int i = 0; i < 300; ++i)
        pPlain->Step(Frame);
    const std::uint64_t plain = HashSimulationState(pPlain->GetApp());
    pPlain.reset();
    ImGui::SetCurrentContext(pContext);
    SDLDebugRenderer2D::GetInstance()->SetActiveCamera(&m_Camera);

    Start();
    RunFrames(300);
    EXPECT_EQ(HashSimulationState(m_pWorkbench->GetApp()), plain);
    const std::string windows = ImGui::SaveIniSettingsToMemory(); // what imgui.ini would hold
    EXPECT_NE(windows.find("[Window][Traffic Simulation]"), std::string::npos);
    for (const char* pName : {"Inspector", "Statistics", "Scenario", "Help"})
        EXPECT_EQ(windows.find(pName), std::string::npos) << pName;
    // The statistics sample the monitor once per simulated second all the same.
    EXPECT_EQ(m_pWorkbench->GetStatistics().GetNrOfSamples(), 5);
    EXPECT_EQ(m_pWorkbench->GetStatistics().GetMoving().GetCount(), 5);
}

TEST_F(WorkbenchTest, FollowKeepsTheSelectedCarCentredUntilARightDrag)
{
    Start();
    RunFrames(60);
    m_pWorkbench->SelectCar(2);
    m_pWorkbench->OnKeyPressed(SDLK_f);
    RunFrames(30);
    EXPECT_EQ(m_Camera.GetCenter(), m_pWorkbench->GetApp().GetCars()[2]->GetPosition());

    // A right-button press in the world grabs the view: follow ends, the view stays where it is.
    InputEvent press;
    press.type = InputType::MouseButton;
    press.data.code = 3;
    InputManager::GetInstance()->AddInputEvent(press);
    RunFrames(1);
    InputManager::GetInstance()->Clear();
    EXPECT_FALSE(m_pWorkbench->IsFollowing());
    const Vector2D center = m_Camera.GetCenter();
    RunFrames(30);
    EXPECT_EQ(m_Camera.GetCenter(), center);
}

TEST_F(WorkbenchTest, RestartWithAnotherCityBuildsItFromScratchAndShowsItWhole)
{
    Start();
    RunFrames(30);
    const std::vector<int> documentedStart = m_pWorkbench->GetApp().GetTakenStartNodes();

    TrafficScenario scenario;
    scenario.city = CityLayout{16, 8};
    scenario.nrOfCars = 1000;
    m_pWorkbench->Restart(scenario, 5);
    const App_TrafficSimulation& app = m_pWorkbench->GetApp();
    EXPECT_EQ(app.GetGraph()->GetNrOfColumns(), 80);
    EXPECT_EQ(app.GetNrOfNodes(), 80 * 40);
    ASSERT_EQ(app.GetCars().size(), 1000u);
    EXPECT_EQ(app.GetTrafficLights().size(), 4u * 15u * 7u);
    EXPECT_EQ(app.GetWalls()[1]->GetPosition(), Vector2D(1201.f, 300.f));
    // Another size: the whole new city is in view.
    ViewBounds view = m_Camera.GetViewBounds();
    EXPECT_TRUE(view.left <= 0.f && view.right >= 1200.f && view.bottom <= 0.f && view.top >= 600.f);
    RunFrames(30);

    // The same size again keeps the user's view.
    m_Camera.SetZoom(50.f);
    m_Camera.SetCenter({400.f, 200.f});
    m_pWorkbench->Restart(scenario, 5);
    EXPECT_EQ(m_Camera.GetZoom(), 50.f);
    EXPECT_EQ(m_Camera.GetCenter(), Vector2D(400.f, 200.f));

    // Back to the documented city with the first seed: the documented start, nothing of the large city left.
    m_pWorkbench->Restart(TrafficScenario{}, Seed);
    EXPECT_EQ(m_pWorkbench->GetApp().GetTakenStartNodes(), documentedStart);
    EXPECT_EQ(m_pWorkbench->GetApp().GetTrafficLights().size(), 12u);
    EXPECT_EQ(m_pWorkbench->GetApp().GetGraph()->GetNrOfNodes(), 200);
}
