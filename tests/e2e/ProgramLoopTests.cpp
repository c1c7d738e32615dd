// The main loop around a test application, in-process on SDL's offscreen driver: start-up order, the
// frame in which the quit request arrives, per-frame input, the window position and teardown.
#include "VemoxProgram.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
struct FrameRecord
{
    float updateDelta = -1.f;
    float renderDelta = -1.f;
    size_t nrOfInputRecords = 0;
    bool sawKey = false;
};

struct Observations
{
    int nrOfStarts = 0;
    int nrOfDestructions = 0;
    bool contextExistedAtCreation = false;
    std::string title;
    int windowX = 0;
    int windowY = 0;
    std::vector<FrameRecord> frames;
};

// Pushes a key in frame 1 and the quit request in frame 3.
class RecordingApp final : public Vemox::IApp
{
public:
    explicit RecordingApp(Observations* pObservations) : m_pObservations(pObservations) {}
    ~RecordingApp() override { ++m_pObservations->nrOfDestructions; }

    void Start() override
    {
        ++m_pObservations->nrOfStarts;
        SDL_Window* pWindow = SDL_GL_GetCurrentWindow();
        if (pWindow != nullptr)
        {
            m_pObservations->title = SDL_GetWindowTitle(pWindow);
            SDL_GetWindowPosition(pWindow, &m_pObservations->windowX, &m_pObservations->windowY);
        }
    }

    void Update(float deltaTime) override
    {
        FrameRecord record;
        record.updateDelta = deltaTime;
        const auto& inputEvents = Vemox::InputManager::GetInstance()->GetInputEvents();
        record.nrOfInputRecords = inputEvents.size();
        for (const Vemox::InputEvent& inputEvent : inputEvents)
            record.sawKey |=
                inputEvent.type == Vemox::InputType::Keyboard && inputEvent.data.code == SDL_SCANCODE_SPACE;
        m_pObservations->frames.push_back(record);

        SDL_Event event{};
        if (m_pObservations->frames.size() == 1)
        {
            event.type = SDL_KEYDOWN;
            event.key.keysym.scancode = SDL_SCANCODE_SPACE;
            SDL_PushEvent(&event);
        }
        else if (m_pObservations->frames.size() == 3)
        {
            event.type = SDL_QUIT;
            SDL_PushEvent(&event);
        }
    }

    void Render(float deltaTime) override { m_pObservations->frames.back().renderDelta = deltaTime; }

private:
    Observations* m_pObservations;
};

int RunProgram(std::vector<const char*> arguments, Observations& observations)
{
    std::vector<char*> argv;
    for (const char* pArgument : arguments)
        argv.push_back(const_cast<char*>(pArgument));
    return Vemox::RunVemoxProgram(static_cast<int>(argv.size()), argv.data(),
                                  [&observations]
                                  {
                                      observations.contextExistedAtCreation =
                                          SDL_GL_GetCurrentContext() != nullptr;
                                      return new RecordingApp(&observations);
                                  });
}

class ProgramLoopTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "offscreen", 1); }
};

TEST_F(ProgramLoopTest, QuitFrameCompletesThenTheApplicationIsDeleted)
{
    Observations observations;
    ASSERT_EQ(RunProgram({"traffic-simulation"}, observations), 0);

    EXPECT_TRUE(observations.contextExistedAtCreation);
    EXPECT_EQ(observations.nrOfStarts, 1);
    EXPECT_EQ(observations.title, "Traffic Simulation Using: Vemox Framework [RELEASE]");
    // The quit request pushed in frame 3 is pumped in frame 4, which still updates and renders.
    ASSERT_EQ(observations.frames.size(), 4u);
    for (size_t i = 0; i < observations.frames.size(); ++i)
    {
        SCOPED_TRACE(i + 1);
        EXPECT_GE(observations.frames[i].updateDelta, 0.f);
        EXPECT_EQ(observations.frames[i].renderDelta, observations.frames[i].updateDelta);
    }
    EXPECT_EQ(observations.nrOfDestructions, 1);
}

TEST_F(ProgramLoopTest, InputRecordsLastOneFrame)
{
    Observations observations;
    ASSERT_EQ(RunProgram({"traffic-simulation"}, observations), 0);
    ASSERT_EQ(observations.frames.size(), 4u);
    EXPECT_FALSE(observations.frames[0].sawKey);
    EXPECT_TRUE(observations.frames[1].sawKey); // pushed during frame 1, pumped at the top of frame 2
    EXPECT_FALSE(observations.frames[2].sawKey);
    EXPECT_EQ(observations.frames[2].nrOfInputRecords, 0u);
}

TEST_F(ProgramLoopTest, TwoArgumentsMoveTheWindowBeforeTheApplicationStarts)
{
    Observations observations;
    ASSERT_EQ(RunProgram({"traffic-simulation", "100", "200"}, observations), 0);
    EXPECT_EQ(observations.windowX, 100);
    EXPECT_EQ(observations.windowY, 200);
}
} // namespace
