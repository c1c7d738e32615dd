// The input queue's queries, and the window's event pump turning pushed SDL events into input records
// (also as the camera pans with them). The pump runs on SDL's dummy video driver: no display and no
// OpenGL needed.
#include "InputRecords.h"

#include "framework/VemoxCore/VemoxException.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLWindow.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using Vemox::InputEvent;
using Vemox::InputManager;
using Vemox::InputState;
using Vemox::InputType;
using Vemox::MouseData;
using Vemox::Testing::MakeInputRecord;

namespace
{

class InputManagerTest : public ::testing::Test
{
protected:
    void SetUp() override { m_pInput = InputManager::GetInstance(); }
    void TearDown() override { InputManager::DestroyInstance(); }
    InputManager* m_pInput = nullptr;
};

TEST_F(InputManagerTest, EmptyQueueAnswersFalseAndZeros)
{
    for (int button = 0; button <= 3; ++button)
    {
        EXPECT_FALSE(m_pInput->IsMouseButtonDown(button));
        EXPECT_FALSE(m_pInput->IsMouseButtonUp(button));
    }
    EXPECT_FALSE(m_pInput->IsMouseMoving());
    EXPECT_FALSE(m_pInput->IsMouseScrolling());
    const MouseData data = m_pInput->GetMouseData(InputType::MouseMotion, 0);
    EXPECT_EQ(data.timestamp, 0u);
    EXPECT_EQ(data.x, 0);
    EXPECT_EQ(data.y, 0);
    EXPECT_EQ(data.dx, 0);
    EXPECT_EQ(data.dy, 0);
}

TEST_F(InputManagerTest, ButtonQueriesMatchStateAndButton)
{
    m_pInput->AddInputEvent(MakeInputRecord(InputType::MouseButton, InputState::Released, 3, 40, 50));
    m_pInput->AddInputEvent(MakeInputRecord(InputType::MouseButton, InputState::Down, 1, 10, 20));
    // A key whose scan code equals a button number is not a mouse button.
    m_pInput->AddInputEvent(MakeInputRecord(InputType::Keyboard, InputState::Down, 3));

    EXPECT_TRUE(m_pInput->IsMouseButtonDown(1));
    EXPECT_FALSE(m_pInput->IsMouseButtonUp(1));
    EXPECT_TRUE(m_pInput->IsMouseButtonUp(3));
    EXPECT_FALSE(m_pInput->IsMouseButtonDown(3));
    EXPECT_FALSE(m_pInput->IsMouseButtonDown(2));
    EXPECT_FALSE(m_pInput->IsMouseMoving());
    EXPECT_FALSE(m_pInput->IsMouseScrolling());

    // The state is not compared: a lone right-button release still yields its position.
    const MouseData right = m_pInput->GetMouseData(InputType::MouseButton, 3);
    EXPECT_EQ(right.x, 40);
    EXPECT_EQ(right.y, 50);
}

TEST_F(InputManagerTest, GetMouseDataTakesFirstMatchInArrivalOrder)
{
    m_pInput->AddInputEvent(MakeInputRecord(InputType::MouseWheel, InputState::Down, 0, 0, 1));
    m_pInput->AddInputEvent(MakeInputRecord(InputType::MouseMotion, InputState::Down, 0, 7, 8));
    m_pInput->AddInputEvent(MakeInputRecord(InputType::MouseWheel, InputState::Down, 0, 0, -2));
    m_pInput->AddInputEvent(MakeInputRecord(InputType::MouseMotion, InputState::Down, 0, 9, 10));

    EXPECT_TRUE(m_pInput->IsMouseScrolling());
    EXPECT_TRUE(m_pInput->IsMouseMoving());
    EXPECT_EQ(m_pInput->GetMouseData(InputType::MouseWheel, 0).y, 1);
    EXPECT_EQ(m_pInput->GetMouseData(InputType::MouseMotion, 0).x, 7);
    // Motion and wheel data are asked for with button 0; any other button finds nothing.
    EXPECT_EQ(m_pInput->GetMouseData(InputType::MouseMotion, 1).x, 0);
}

// The pump under test reads the motion position from SDL's mouse state, which a plain (non-OpenGL)
// window on the dummy driver lets the test set.
class ProcessEventsTest : public ::testing::Test
{
protected:
    static constexpr int MouseX = 120;
    static constexpr int MouseY = 80;
    static constexpr int ButtonX = 5;
    static constexpr int ButtonY = 6;

    static void SetUpTestSuite()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
        s_pMouseWindow = SDL_CreateWindow("input", 0, 0, 320, 200, 0);
        ASSERT_NE(s_pMouseWindow, nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite()
    {
        SDL_DestroyWindow(s_pMouseWindow);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }

    void SetUp() override
    {
        SDL_WarpMouseInWindow(s_pMouseWindow, MouseX, MouseY);
        SDL_PumpEvents();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT); // the warp's own motion event and window events
    }
    void TearDown() override { InputManager::DestroyInstance(); }

    // Pushes an event and returns the time stamp SDL gave it.
    static Uint32 Push(SDL_Event event)
    {
        EXPECT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError();
        return event.common.timestamp;
    }
    static Uint32 PushKey(Uint32 type, SDL_Scancode scancode)
    {
        SDL_Event event{};
        event.type = type;
        event.key.keysym.scancode = scancode;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        return Push(event);
    }
    static Uint32 PushButton(Uint32 type, Uint8 button)
    {
        SDL_Event event{};
        event.type = type;
        event.button.button = button;
        event.button.x = ButtonX; // where the button went down, not where the pointer is now
        event.button.y = ButtonY;
        return Push(event);
    }
    static Uint32 PushType(Uint32 type)
    {
        SDL_Event event{};
        event.type = type;
        return Push(event);
    }

    const std::vector<InputEvent>& Records() const { return InputManager::GetInstance()->GetInputEvents(); }

    static SDL_Window* s_pMouseWindow;
    Vemox::SDLWindow m_Window;
};

SDL_Window* ProcessEventsTest::s_pMouseWindow = nullptr;

TEST_F(ProcessEventsTest, KeysAndClickBecomeRecordsInArrivalOrder)
{
    const Uint32 t0 = PushKey(SDL_KEYDOWN, SDL_SCANCODE_A);
    const Uint32 t1 = PushKey(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT);
    const Uint32 t2 = PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT);
    const Uint32 t3 = PushButton(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT);
    const Uint32 t4 = PushKey(SDL_KEYUP, SDL_SCANCODE_A);

    m_Window.ProcessEvents();

    const std::vector<InputEvent>& records = Records();
    ASSERT_EQ(records.size(), 5u);
    const struct
    {
        InputType type;
        InputState state;
        int code;
        Uint32 timestamp;
    } expected[] = {
        {InputType::Keyboard, InputState::Down, SDL_SCANCODE_A, t0},
        {InputType::Keyboard, InputState::Down, SDL_SCANCODE_LSHIFT, t1},
        {InputType::MouseButton, InputState::Down, SDL_BUTTON_LEFT, t2},
        {InputType::MouseButton, InputState::Released, SDL_BUTTON_LEFT, t3},
        {InputType::Keyboard, InputState::Released, SDL_SCANCODE_A, t4},
    };
    for (size_t i = 0; i < records.size(); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_EQ(records[i].type, expected[i].type);
        EXPECT_EQ(records[i].state, expected[i].state);
        EXPECT_EQ(records[i].data.code, expected[i].code);
        EXPECT_EQ(records[i].data.timestamp, expected[i].timestamp);
        const bool isButton = expected[i].type == InputType::MouseButton;
        EXPECT_EQ(records[i].data.x, isButton ? ButtonX : 0);
        EXPECT_EQ(records[i].data.y, isButton ? ButtonY : 0);
        EXPECT_EQ(records[i].data.dx, 0);
        EXPECT_EQ(records[i].data.dy, 0);
    }
    EXPECT_FALSE(m_Window.m_ShouldQuit);
    EXPECT_TRUE(InputManager::GetInstance()->IsMouseButtonDown(SDL_BUTTON_LEFT));
    EXPECT_TRUE(InputManager::GetInstance()->IsMouseButtonUp(SDL_BUTTON_LEFT));
}

TEST_F(ProcessEventsTest, MotionAndWheelCarryTheirAmounts)
{
    SDL_Event motion{};
    motion.type = SDL_MOUSEMOTION;
    motion.motion.x = 1;
    motion.motion.y = 2;
    motion.motion.xrel = -4;
    motion.motion.yrel = 9;
    Push(motion);
    SDL_Event wheel{};
    wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.x = 2;
    wheel.wheel.y = -3;
    Push(wheel);

    m_Window.ProcessEvents();

    const std::vector<InputEvent>& records = Records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].type, InputType::MouseMotion);
    EXPECT_EQ(records[0].state, InputState::Down);
    EXPECT_EQ(records[0].data.code, 0);
    EXPECT_EQ(records[0].data.x, MouseX);
    EXPECT_EQ(records[0].data.y, MouseY);
    EXPECT_EQ(records[0].data.dx, -4);
    EXPECT_EQ(records[0].data.dy, 9);

    EXPECT_EQ(records[1].type, InputType::MouseWheel);
    EXPECT_EQ(records[1].state, InputState::Down);
    EXPECT_EQ(records[1].data.code, 0);
    EXPECT_EQ(records[1].data.x, 2);
    EXPECT_EQ(records[1].data.y, -3);
    EXPECT_EQ(records[1].data.dx, 0);
    EXPECT_EQ(records[1].data.dy, 0);

    EXPECT_TRUE(InputManager::GetInstance()->IsMouseMoving());
    EXPECT_TRUE(InputManager::GetInstance()->IsMouseScrolling());
    EXPECT_EQ(InputManager::GetInstance()->GetMouseData(InputType::MouseMotion, 0).dx, -4);
}

TEST_F(ProcessEventsTest, UnlistedEventsLeaveNoRecordAndQuitOnlySetsTheFlag)
{
    SDL_Event windowEvent{};
    windowEvent.type = SDL_WINDOWEVENT;
    windowEvent.window.event = SDL_WINDOWEVENT_CLOSE;
    Push(windowEvent);
    SDL_Event text{};
    text.type = SDL_TEXTINPUT;
    text.text.text[0] = 'a';
    Push(text);
    PushType(SDL_USEREVENT);
    PushType(SDL_QUIT);
    const Uint32 keyTime = PushKey(SDL_KEYDOWN, SDL_SCANCODE_SPACE);

    m_Window.ProcessEvents();

    ASSERT_EQ(Records().size(), 1u);
    EXPECT_EQ(Records()[0].data.code, SDL_SCANCODE_SPACE);
    EXPECT_EQ(Records()[0].data.timestamp, keyTime);
    EXPECT_TRUE(m_Window.m_ShouldQuit);
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 0)
        << "the pump must drain SDL's queue";
}

TEST_F(ProcessEventsTest, AQuickRightDragMovesThePictureWithThePointer)
{
    Vemox::Camera2D camera(Vemox::Vector2D(0.f, 0.f), 20.f, 901, 451);
    const Vemox::Vector2D grabbed = camera.ScreenToWorld(MouseX, MouseY);
    // The press and the first motion arrive in one frame: the grab is where the button went down.
    SDL_Event press{};
    press.type = SDL_MOUSEBUTTONDOWN;
    press.button.button = SDL_BUTTON_RIGHT;
    press.button.x = MouseX;
    press.button.y = MouseY;
    Push(press);
    SDL_WarpMouseInWindow(s_pMouseWindow, MouseX + 60, MouseY); // SDL's state moves, a motion is queued
    m_Window.ProcessEvents();
    camera.Update();
    EXPECT_NEAR(camera.WorldToScreen(grabbed).x, MouseX + 60, 0.5f);
    // Several motions in one frame: the camera pans to the first record, which holds the latest position.
    SDL_WarpMouseInWindow(s_pMouseWindow, MouseX + 70, MouseY + 10);
    SDL_WarpMouseInWindow(s_pMouseWindow, MouseX + 80, MouseY + 20);
    m_Window.ProcessEvents();
    camera.Update();
    EXPECT_NEAR(camera.WorldToScreen(grabbed).x, MouseX + 80, 0.5f);
    EXPECT_NEAR(camera.WorldToScreen(grabbed).y, MouseY + 20, 0.5f);
}

TEST(SDLWindowDriver, OnlyANamedDriverMayShowNothing)
{
    // SDL_VIDEODRIVER is a comma-separated list, read in any letter case.
    EXPECT_TRUE(Vemox::SDLWindow::IsDriverRequested("offscreen", "x11,OffScreen"));
    EXPECT_FALSE(Vemox::SDLWindow::IsDriverRequested("offscreen", nullptr));
    EXPECT_FALSE(Vemox::SDLWindow::IsDriverRequested("offscreen", "offscreen2,x11"));
}

TEST_F(ProcessEventsTest, FrameWithoutEventsEmptiesTheQueue)
{
    PushButton(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT);
    PushType(SDL_MOUSEWHEEL);
    m_Window.ProcessEvents();
    ASSERT_EQ(Records().size(), 2u);

    m_Window.ProcessEvents();

    InputManager* pInput = InputManager::GetInstance();
    EXPECT_TRUE(Records().empty());
    EXPECT_FALSE(pInput->IsMouseButtonDown(SDL_BUTTON_RIGHT));
    EXPECT_FALSE(pInput->IsMouseScrolling());
    EXPECT_EQ(pInput->GetMouseData(InputType::MouseButton, SDL_BUTTON_RIGHT).x, 0);
    EXPECT_FALSE(m_Window.m_ShouldQuit);
}
} // namespace

namespace
{
TEST_F(ProcessEventsTest, CreateWindowWithoutOpenGLThrowsTheWindowMessage)
{
    // The dummy driver has no OpenGL, so an OpenGL window cannot be created.
    try
    {
        m_Window.CreateWindow(Vemox::WindowParams{});
        FAIL() << "CreateWindow succeeded without OpenGL";
    }
    catch (const Vemox::Vemox_Exception& exception)
    {
        EXPECT_EQ(exception.m_Message, "SDL_CreateWindow! Could not create window!");
    }
    EXPECT_EQ(m_Window.GetSDLWindow(), nullptr);
    EXPECT_EQ(m_Window.GetWindowParams().windowTitle, "Traffic Simulation Using: Vemox Framework");
    EXPECT_EQ(m_Window.GetWindowParams().width, 901);
    EXPECT_EQ(m_Window.GetWindowParams().height, 451);
    EXPECT_FALSE(m_Window.GetWindowParams().isResizable);
}
} // namespace
