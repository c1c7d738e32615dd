// Start-up, frame loop and teardown of the Vemox program, in the framework's fixed order.
#include "VemoxProgram.h"

#include "framework/AppFrame/AppFrame.h"
#include "framework/AppFrame/TimeControl.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxCore/VemoxException.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/InputManager.h"
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLFrame.h"
#include "framework/VemoxUI/VImmediateUI.h"

#include <SDL.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <unistd.h>

namespace Vemox
{
namespace
{
// Appended to the window title: the build configuration the program ships as.
constexpr const char* BuildTag = " [RELEASE]";
constexpr int LeftButton = 1;

unsigned int g_StartSeed = 0;

// Hands the frame's key presses and its click on the world to the time controls and the application.
// Whichever event pump ran has filled the input records. A key counts as pressed when it goes down
// while it was up: SDL repeats the key-down of a held key, and those repeats are flagged.
class UserInput
{
public:
    void Dispatch(const InputManager& input, TimeControl* pTimeControl, IApp& app)
    {
        // Typing into a UI field must not pause the world or open windows.
        const bool isTyping = VImmediateUI::WantsTextInput();
        for (const InputEvent& inputEvent : input.GetInputEvents())
        {
            const int scanCode = inputEvent.data.code;
            if (inputEvent.type != InputType::Keyboard || scanCode < 0 || scanCode >= SDL_NUM_SCANCODES)
                continue;
            bool& isHeld = m_IsHeld[static_cast<size_t>(scanCode)];
            if (inputEvent.state == InputState::Released)
            {
                isHeld = false;
                continue;
            }
            const bool isRepeat = isHeld;
            isHeld = true;
            if (isTyping)
                continue;
            const int keyCode = static_cast<int>(SDL_GetKeyFromScancode(static_cast<SDL_Scancode>(scanCode)));
            if (pTimeControl != nullptr && ApplyTimeKey(*pTimeControl, keyCode, isRepeat))
                continue;
            if (!isRepeat)
                app.OnKeyPressed(keyCode);
        }

        // The UI's hover is current after its new frame: a click on one of its windows is the UI's.
        if (VImmediateUI::WantsMouse() || !input.IsMouseButtonDown(LeftButton))
            return;
        const MouseData click = input.GetMouseData(InputType::MouseButton, LeftButton);
        app.OnClick(click.x, click.y);
    }

private:
    std::array<bool, SDL_NUM_SCANCODES> m_IsHeld{};
};

void WarnBadPosition(const char* pText)
{
    std::printf("Warning: Invalid window position argument \"%s\": expected a base-10 integer that fits an "
                "int. The window is centred.\n",
                pText);
}

// Stands in for the console "pause" after a fatal error. Only an interactive user can answer it; a
// script or CI run must not hang, so without a terminal the program ends at once.
void WaitForEnterIfInteractive()
{
    if (isatty(STDIN_FILENO) == 0)
        return;
    std::printf("Press Enter to continue . . .\n");
    std::fflush(stdout);
    int c = 0;
    do
    {
        c = std::getchar();
    } while (c != '\n' && c != EOF);
}
} // namespace

bool ParsePositionArgument(const char* pText, int& value)
{
    if (pText == nullptr)
        return false;
    char* pEnd = nullptr;
    errno = 0;
    const long parsed = std::strtol(pText, &pEnd, 10);
    if (pEnd == pText || errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

WindowPosition ParseWindowPosition(int argc, const char* const argv[])
{
    WindowPosition position;
    if (argc != 3)
        return position;

    bool valid = true;
    for (int i = 0; i < 2; ++i)
    {
        int& coordinate = i == 0 ? position.x : position.y;
        if (!ParsePositionArgument(argv[1 + i], coordinate))
        {
            WarnBadPosition(argv[1 + i]);
            valid = false;
        }
    }
    if (!valid)
        return WindowPosition{};
    position.isSet = true;
    return position;
}

unsigned int GetStartSeed()
{
    return g_StartSeed;
}

bool ApplyTimeKey(TimeControl& timeControl, int keyCode, bool isRepeat)
{
    switch (keyCode)
    {
    case SDLK_SPACE:
        if (!isRepeat)
            timeControl.TogglePause();
        return true;
    case SDLK_n:
    case SDLK_RIGHT:
        timeControl.RequestSingleStep();
        return true;
    case SDLK_LEFTBRACKET:
        timeControl.Slower();
        return true;
    case SDLK_RIGHTBRACKET:
        timeControl.Faster();
        return true;
    default:
        return false;
    }
}

int RunVemoxProgram(int argc, char* argv[], const std::function<IApp*()>& createApp,
                    TimeControl* pTimeControl)
{
    g_StartSeed = static_cast<unsigned int>(std::time(nullptr));
    std::srand(g_StartSeed);
    const WindowPosition position = ParseWindowPosition(argc, argv);
    std::fflush(stdout);

    try
    {
        WindowParams params;
        params.windowTitle += BuildTag;

        auto pWindow = std::make_unique<SDLWindow>();
        pWindow->CreateWindow(params);
        if (position.isSet)
            SDL_SetWindowPosition(pWindow->GetSDLWindow(), position.x, position.y);

        auto pFrame = std::make_unique<SDLFrame>(pWindow.get());

        const WindowParams& windowParams = pWindow->GetWindowParams();
        auto pCamera = std::make_unique<Camera2D>(Vector2D(0.f, 0.f), Camera2D::DefaultZoom,
                                                  static_cast<uint32_t>(windowParams.width),
                                                  static_cast<uint32_t>(windowParams.height));
        SDLDebugRenderer2D::GetInstance()->Initialize(pCamera.get());
        auto pUI = std::make_unique<VImmediateUI>();
        pUI->Initialize(pWindow->GetSDLWindow(), &pWindow->m_ShouldQuit);
        PhysicsWorld::GetInstance();

        FrameTimer* pTimer = FrameTimer::GetInstance();
        pTimer->Start();

        auto pAppFrame = std::make_unique<AppFrame>(pCamera.get(), createApp);
        UserInput userInput;

        // The quit flag is tested only here, so the pass in which the quit request arrives completes.
        while (!pWindow->m_ShouldQuit)
        {
            pTimer->Update();
            const float deltaTime = pTimer->GetElapsed();

            // The UI pump runs while the UI has the mouse or keyboard (flags left by the last frame).
            if (VImmediateUI::WantsInput())
                pUI->ProcessEvents();
            else
                pWindow->ProcessEvents();
            pUI->NewFrame(deltaTime, pWindow->GetSDLWindow());

            userInput.Dispatch(*InputManager::GetInstance(), pTimeControl, pAppFrame->GetApp());
            const TimeControl::FramePlan plan = pTimeControl != nullptr
                                                    ? pTimeControl->PlanFrame(deltaTime)
                                                    : TimeControl::FramePlan{1, deltaTime};
            pAppFrame->Run(deltaTime, plan.nrOfSteps, plan.stepTime);

            pFrame->BeginFrame();
            SDLDebugRenderer2D::GetInstance()->Render();
            pUI->Render();
            pFrame->EndFrame();
        }

        pAppFrame.reset();
        pUI->Shutdown();
        pUI.reset();
        pCamera.reset();
        pFrame.reset();
        pWindow.reset();
        // The application, and with it every body, is gone by now.
        AppFrame::DestroySingletons();
        FrameTimer::DestroyInstance();
    }
    catch (const Vemox_Exception& exception)
    {
        std::printf("%s Error:\n", exception.m_Message.c_str());
        std::fflush(stdout);
        WaitForEnterIfInteractive();
        return 1;
    }
    return 0;
}
} // namespace Vemox
