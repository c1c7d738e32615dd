// The shared frame: the order of physics steps, UI work, application steps and drawing, with any
// number of simulation steps per drawn frame.
#include "framework/AppFrame/AppFrame.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace Vemox;

namespace
{
// Writes one line per call, with the physics steps taken so far.
class CallLogApp final : public IApp
{
public:
    explicit CallLogApp(std::vector<std::string>* pLog) : m_pLog(pLog) {}

    void Start() override { Log("Start"); }
    void UpdateUI(float deltaTime) override { Log("UI", deltaTime); }
    void Update(float deltaTime) override { Log("Update", deltaTime); }
    void Render(float deltaTime) override { Log("Render", deltaTime); }

private:
    void Log(const char* pWhat, float deltaTime = 0.f)
    {
        const std::uint64_t steps = PhysicsWorld::GetInstance()->GetStepCount();
        m_pLog->push_back(std::string(pWhat) + " " + std::to_string(deltaTime) + " @" +
                          std::to_string(steps));
    }
    std::vector<std::string>* m_pLog;
};

class AppFrameTest : public ::testing::Test
{
protected:
    ~AppFrameTest() override
    {
        m_pFrame.reset();
        AppFrame::DestroySingletons();
    }

    void Create()
    {
        m_pFrame = std::make_unique<AppFrame>(&m_Camera, [this] { return new CallLogApp(&m_Log); });
    }

    Camera2D m_Camera{Vector2D{0.f, 0.f}, Camera2D::DefaultZoom, 901, 451};
    std::vector<std::string> m_Log;
    std::unique_ptr<AppFrame> m_pFrame;
};

constexpr float Step = PhysicsWorld::TimeStep;
const std::string StepText = std::to_string(Step);
} // namespace

TEST_F(AppFrameTest, OneStepIsTheUsualFramePhysicsFirstThenUiUpdateAndDrawing)
{
    Create();
    m_pFrame->Run(Step);
    const std::vector<std::string> expected = {"Start 0.000000 @0", "UI " + StepText + " @1",
                                               "Update " + StepText + " @1", "Render " + StepText + " @1"};
    EXPECT_EQ(m_Log, expected);
}

TEST_F(AppFrameTest, SeveralStepsInOneFrameRunTheUiWorkOnceAndEachStepAfterItsPhysics)
{
    Create();
    m_pFrame->Run(0.05f, 3, Step);
    const std::vector<std::string> expected = {"Start 0.000000 @0",          "UI 0.050000 @1",
                                               "Update " + StepText + " @1", "Update " + StepText + " @2",
                                               "Update " + StepText + " @3", "Render 0.050000 @3"};
    EXPECT_EQ(m_Log, expected);
}

TEST_F(AppFrameTest, APausedFrameDrawsAndRunsTheUiWithoutStepping)
{
    Create();
    m_pFrame->SetDrawingEnabled(true);
    m_pFrame->Run(Step, 0, Step);
    const std::vector<std::string> expected = {"Start 0.000000 @0", "UI " + StepText + " @0",
                                               "Render " + StepText + " @0"};
    EXPECT_EQ(m_Log, expected);
    EXPECT_EQ(PhysicsWorld::GetInstance()->GetTimeAccumulator(), 0.f);
}

TEST_F(AppFrameTest, WithoutDrawingNothingIsRendered)
{
    Create();
    m_pFrame->SetDrawingEnabled(false);
    m_pFrame->Run(Step);
    ASSERT_EQ(m_Log.size(), 3u);
    EXPECT_EQ(m_Log.back(), "Update " + StepText + " @1");
}
