// The workbench around the traffic application: nothing new without input, selection by click, the
// keys of its windows, follow, and restarting the world from a scenario and a seed.
#include "WorkbenchFixture.h"
#include "app/Car.h"
#include "app/TrafficMonitor.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"
#include "headless/HeadlessSimulation.h"

#include <SDL.h>

#include <cstdint>
#include <vector>

using namespace Vemox;

TEST_F(WorkbenchTest, WithoutInputItRunsAndShowsWhatThePlainApplicationDoes)
{
    // The plain application first, in a context of its own; it takes the shared singletons with it.
    ImGuiContext* pContext = ImGui::GetCurrentContext();
    ImGui::SetCurrentContext(nullptr);
    std::uint64_t plainHash = 0;
    {
        std::srand(Seed);
        HeadlessSimulation plain;
        for (int i = 0; i < 300; ++i)
            plain.Step(Frame);
        plainHash = HashSimulationState(plain.GetApp());
    }
    ImGui::SetCurrentContext(pContext);
    SDLDebugRenderer2D::GetInstance()->SetActiveCamera(&m_Camera);

    Start();
    RunFrames(300);
    EXPECT_EQ(HashSimulationState(m_pWorkbench->GetApp()), plainHash);
    EXPECT_TRUE(HasWindow("Traffic Simulation"));
    for (const char* pName : {"Inspector", "Statistics", "Scenario", "Help"})
        EXPECT_FALSE(HasWindow(pName)) << pName;
}

TEST_F(WorkbenchTest, ClickingACarSelectsItAndOpensTheInspectorOnIt)
{
    Start();
    RunFrames(30);
    m_TimeControl.TogglePause();
    int x = 0;
    int y = 0;
    PixelOfCar(4, x, y);
    m_pWorkbench->OnClick(x, y);
    RunFrames(1);
    EXPECT_EQ(m_pWorkbench->GetSelectedCar(), 4);
    EXPECT_TRUE(m_pWorkbench->GetOpenWindows().inspector);
    EXPECT_TRUE(HasWindow("Inspector"));
    EXPECT_EQ(m_pWorkbench->GetInspection().carIndex, 4);

    // A click on no car keeps the selection; Esc clears it and closes the inspector.
    m_pWorkbench->OnClick(2, 440);
    EXPECT_EQ(m_pWorkbench->GetSelectedCar(), 4);
    m_pWorkbench->OnKeyPressed(SDLK_ESCAPE);
    EXPECT_EQ(m_pWorkbench->GetSelectedCar(), -1);
    EXPECT_FALSE(m_pWorkbench->GetOpenWindows().inspector);
}

TEST_F(WorkbenchTest, KeysToggleTheirWindows)
{
    Start();
    const std::vector<std::pair<int, bool TrafficWorkbench::Windows::*>> keys = {
        {SDLK_s, &TrafficWorkbench::Windows::statistics},
        {SDLK_c, &TrafficWorkbench::Windows::scenario},
        {SDLK_h, &TrafficWorkbench::Windows::help},
        {SDLK_F1, &TrafficWorkbench::Windows::help},
    };
    for (const auto& [key, window] : keys)
    {
        m_pWorkbench->OnKeyPressed(key);
        EXPECT_TRUE(m_pWorkbench->GetOpenWindows().*window) << SDL_GetKeyName(key);
        m_pWorkbench->OnKeyPressed(key);
        EXPECT_FALSE(m_pWorkbench->GetOpenWindows().*window) << SDL_GetKeyName(key);
    }
    m_pWorkbench->OnKeyPressed(SDLK_s);
    m_pWorkbench->OnKeyPressed(SDLK_c);
    m_pWorkbench->OnKeyPressed(SDLK_h);
    RunFrames(2);
    for (const char* pName : {"Statistics", "Scenario", "Help"})
        EXPECT_TRUE(HasWindow(pName)) << pName;
}

TEST_F(WorkbenchTest, FollowKeepsTheSelectedCarCentredUntilARightDrag)
{
    Start();
    RunFrames(60);
    m_pWorkbench->OnKeyPressed(SDLK_f); // nothing selected: nothing to follow
    EXPECT_FALSE(m_pWorkbench->IsFollowing());
    m_pWorkbench->SelectCar(2);
    m_pWorkbench->OnKeyPressed(SDLK_f);
    ASSERT_TRUE(m_pWorkbench->IsFollowing());
    RunFrames(30);
    const Car& car = *m_pWorkbench->GetApp().GetCars()[2];
    EXPECT_EQ(m_Camera.GetCenter(), car.GetPosition());

    // A right-button press in the world grabs the view: follow ends, the view stays where it is.
    InputEvent press;
    press.type = InputType::MouseButton;
    press.state = InputState::Down;
    press.data.code = 3;
    press.data.x = 300;
    press.data.y = 200;
    InputManager::GetInstance()->AddInputEvent(press);
    RunFrames(1);
    InputManager::GetInstance()->Clear();
    EXPECT_FALSE(m_pWorkbench->IsFollowing());
    const Vector2D center = m_Camera.GetCenter();
    RunFrames(30);
    EXPECT_EQ(m_Camera.GetCenter(), center);
}

TEST_F(WorkbenchTest, RestartWithTheSameSeedRepeatsTheStartAndKeepsTheView)
{
    Start();
    const auto startOf = [this]
    {
        std::vector<float> start;
        for (const Car* pCar : m_pWorkbench->GetApp().GetCars())
        {
            start.insert(start.end(), {pCar->GetPosition().x, pCar->GetPosition().y, pCar->GetBodyColor().r,
                                       pCar->GetBodyColor().g, pCar->GetBodyColor().b});
        }
        return start;
    };
    const std::vector<float> first = startOf();
    RunFrames(1);
    const std::uint64_t firstPlans = HashSimulationState(m_pWorkbench->GetApp());
    RunFrames(200);
    m_pWorkbench->SelectCar(1);
    m_Camera.SetCenter({200.f, 100.f});
    m_Camera.SetZoom(60.f);

    m_pWorkbench->Restart(TrafficScenario{}, Seed);
    EXPECT_EQ(startOf(), first);
    RunFrames(1); // the first frame plans every car's first trip from the same draws
    EXPECT_EQ(HashSimulationState(m_pWorkbench->GetApp()), firstPlans);
    EXPECT_EQ(m_pWorkbench->GetSelectedCar(), -1);
    EXPECT_EQ(m_Camera.GetCenter(), (Vector2D{200.f, 100.f}));
    EXPECT_EQ(m_Camera.GetZoom(), 60.f);
    EXPECT_EQ(m_pWorkbench->GetSeed(), Seed);
    EXPECT_EQ(m_pWorkbench->GetStatistics().GetNrOfSamples(), 0);

    // Another scenario: its car count, light phase and seed.
    TrafficScenario dense;
    dense.nrOfCars = 128;
    dense.lightPhase = 3.f;
    m_pWorkbench->Restart(dense, 1234);
    RunFrames(1);
    EXPECT_EQ(m_pWorkbench->GetApp().GetCars().size(), 128u);
    EXPECT_EQ(m_pWorkbench->GetApp().GetTrafficLights().front().duration, 3.f);
    EXPECT_EQ(m_pWorkbench->GetSeed(), 1234u);
    EXPECT_NE(startOf(), first);
}

TEST_F(WorkbenchTest, StatisticsFollowTheSimulatedSecondsAtAnySpeed)
{
    Start();
    m_TimeControl.SetSpeedIndex(5); // x8
    RunFrames(60);
    EXPECT_EQ(m_pWorkbench->GetStatistics().GetNrOfSamples(), 8);
    m_TimeControl.TogglePause();
    RunFrames(120);
    EXPECT_EQ(m_pWorkbench->GetStatistics().GetNrOfSamples(), 8);
    EXPECT_NEAR(m_pWorkbench->GetMonitor().GetSimulatedTime(), 8.0, 1e-3);
}
