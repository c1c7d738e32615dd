// The main loop around a test application, in-process on SDL's offscreen driver: start-up order, the
// frame in which the quit request arrives, per-frame input, the window position, teardown, and the
// keys and clicks that reach the time controls and the application.
#include "VemoxProgram.h"
#include "framework/AppFrame/TimeControl.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <imgui.h>

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

// Drives a script of SDL events, one entry per frame (pushed in UpdateUI, which runs even while paused,
// and pumped at the top of the next frame), and notes what reached it.
class KeyScriptApp final : public Vemox::IApp
{
public:
    struct Frame
    {
        std::vector<SDL_Event> events;
        bool uiWantsKeyboard = false; ///< the UI takes the keyboard from the next frame on
        bool textField = false;       ///< a focused UI text field has the keyboard
    };

    KeyScriptApp(std::vector<Frame> script, std::vector<int>* pKeys, int* pClicks)
        : m_Script(std::move(script)), m_pKeys(pKeys), m_pClicks(pClicks)
    {
    }

    void Start() override {}
    void UpdateUI(float) override
    {
        // One quit request after the script: a second one would stay queued for the next test's run.
        const Frame frame = m_Frame < m_Script.size()    ? m_Script[m_Frame]
                            : m_Frame == m_Script.size() ? Frame{{Quit()}}
                                                         : Frame{};
        ++m_Frame;
        if (frame.uiWantsKeyboard)
            ImGui::CaptureKeyboardFromApp(true);
        if (frame.textField)
        {
            ImGui::Begin("Field");
            ImGui::SetKeyboardFocusHere();
            ImGui::InputText("##text", m_Text, sizeof(m_Text));
            ImGui::End();
        }
        for (SDL_Event event : frame.events)
            SDL_PushEvent(&event);
    }
    void Update(float) override {}
    void Render(float) override {}
    void OnKeyPressed(int keyCode) override { m_pKeys->push_back(keyCode); }
    void OnClick(int, int) override { ++*m_pClicks; }

    static SDL_Event Key(SDL_Scancode scanCode, bool isDown, bool isRepeat = false)
    {
        SDL_Event event{};
        event.type = isDown ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.keysym.scancode = scanCode;
        event.key.keysym.sym = SDL_GetKeyFromScancode(scanCode);
        event.key.repeat = isRepeat ? 1 : 0;
        return event;
    }
    static SDL_Event Quit()
    {
        SDL_Event event{};
        event.type = SDL_QUIT;
        return event;
    }
    static SDL_Event LeftPress()
    {
        SDL_Event event{};
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.button = SDL_BUTTON_LEFT;
        return event;
    }

private:
    std::vector<Frame> m_Script;
    size_t m_Frame = 0;
    std::vector<int>* m_pKeys;
    int* m_pClicks;
    char m_Text[16] = {};
};

struct KeyRun
{
    std::vector<int> keys;
    int clicks = 0;
    Vemox::TimeControl timeControl;
};

void RunScript(std::vector<KeyScriptApp::Frame> script, KeyRun& run)
{
    char name[] = "traffic-simulation";
    char* argv[] = {name};
    ASSERT_EQ(Vemox::RunVemoxProgram(
                  1, argv, [&] { return new KeyScriptApp(std::move(script), &run.keys, &run.clicks); },
                  &run.timeControl),
              0);
}

using Key = KeyScriptApp;

TEST_F(ProgramLoopTest, TimeKeysReachTheTimeControlsAndOtherKeysTheApplication)
{
    KeyRun run;
    RunScript({{{Key::Key(SDL_SCANCODE_SPACE, true), Key::Key(SDL_SCANCODE_SPACE, false),
                 Key::Key(SDL_SCANCODE_RIGHTBRACKET, true), Key::Key(SDL_SCANCODE_RIGHTBRACKET, false),
                 Key::Key(SDL_SCANCODE_H, true), Key::Key(SDL_SCANCODE_H, false)}},
               // A held key repeats its key-down: the application hears one press, a step key steps on.
               {{Key::Key(SDL_SCANCODE_F, true), Key::Key(SDL_SCANCODE_F, true, true),
                 Key::Key(SDL_SCANCODE_N, true), Key::Key(SDL_SCANCODE_N, true, true)}},
               {{Key::Key(SDL_SCANCODE_F, false), Key::Key(SDL_SCANCODE_N, false)}}},
              run);
    EXPECT_TRUE(run.timeControl.IsPaused());
    EXPECT_EQ(run.timeControl.GetSpeed(), 2.f);
    EXPECT_EQ(run.keys, (std::vector<int>{SDLK_h, SDLK_f}));
}

TEST_F(ProgramLoopTest, KeysArriveWhileTheUiPumpRuns)
{
    KeyRun run;
    // From frame 2 on the UI wants the keyboard, so its pump (one event per frame) reads the keys.
    KeyScriptApp::Frame uiFrame;
    uiFrame.uiWantsKeyboard = true;
    std::vector<KeyScriptApp::Frame> script(2, uiFrame);
    script.push_back(uiFrame);
    script.back().events = {Key::Key(SDL_SCANCODE_S, true), Key::Key(SDL_SCANCODE_S, false),
                            Key::Key(SDL_SCANCODE_SPACE, true), Key::Key(SDL_SCANCODE_SPACE, false)};
    script.insert(script.end(), 6, uiFrame);
    RunScript(script, run);
    EXPECT_EQ(run.keys, (std::vector<int>{SDLK_s}));
    EXPECT_TRUE(run.timeControl.IsPaused());
}

TEST_F(ProgramLoopTest, NoKeyActsWhileAUiTextFieldHasTheKeyboard)
{
    KeyRun run;
    KeyScriptApp::Frame typing;
    typing.textField = true;
    std::vector<KeyScriptApp::Frame> script(3, typing);
    script.push_back(typing);
    script.back().events = {Key::Key(SDL_SCANCODE_C, true), Key::Key(SDL_SCANCODE_C, false),
                            Key::Key(SDL_SCANCODE_SPACE, true), Key::Key(SDL_SCANCODE_SPACE, false)};
    script.insert(script.end(), 6, typing);
    RunScript(script, run);
    EXPECT_TRUE(run.keys.empty());
    EXPECT_FALSE(run.timeControl.IsPaused());
}

TEST_F(ProgramLoopTest, ALeftClickOnTheWorldReachesTheApplicationOnce)
{
    KeyRun run;
    RunScript({{{KeyScriptApp::LeftPress()}}, {}}, run);
    EXPECT_EQ(run.clicks, 1);
}
} // namespace
