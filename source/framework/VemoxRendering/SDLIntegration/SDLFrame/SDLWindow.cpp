// Window creation with the OpenGL context request, and the window's event pump.
#include "SDLWindow.h"

#include "InputManager.h"
#include "framework/VemoxCore/VemoxException.h"

#include <SDL.h>

#include <cstdio>

namespace Vemox
{
SDLWindow::~SDLWindow()
{
    if (m_pWindow != nullptr)
        SDL_DestroyWindow(m_pWindow);
}

void SDLWindow::CreateWindow(const WindowParams& params)
{
    m_WindowParams = params;

    if (SDL_Init(SDL_INIT_VIDEO) != 0)
    {
        std::fprintf(stderr, "SDL Error: %s\n", SDL_GetError());
        throw Vemox_Exception("SDL_Init failed! Cannot create window!");
    }
    // Without a display SDL falls back to a driver that shows nothing, and the program would draw
    // unseen and unthrottled until killed. Such a driver is only for a user who names it.
    const char* pDriver = SDL_GetCurrentVideoDriver();
    if (ShowsNothing(pDriver) && !IsDriverRequested(pDriver, SDL_GetHint(SDL_HINT_VIDEODRIVER)))
    {
        std::fprintf(stderr,
                     "SDL Error: no display: SDL fell back to its \"%s\" video driver, which shows nothing "
                     "(set DISPLAY, or SDL_VIDEODRIVER=%s to run without a display)\n",
                     pDriver, pDriver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        throw Vemox_Exception("SDL_Init failed! Cannot create window!");
    }

    // A forward-compatible core request; drivers answer it with their newest core context, which
    // must be 4.0 or later for the framework's shaders (SDLFrame checks that).
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, SDL_GL_CONTEXT_FORWARD_COMPATIBLE_FLAG);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 2);

    Uint32 flags = SDL_WINDOW_OPENGL;
    if (params.isResizable)
        flags |= SDL_WINDOW_RESIZABLE;
    SDL_Window* pWindow = SDL_CreateWindow(params.windowTitle.c_str(), SDL_WINDOWPOS_CENTERED,
                                           SDL_WINDOWPOS_CENTERED, params.width, params.height, flags);
    if (m_pWindow != nullptr)
        SDL_DestroyWindow(m_pWindow);
    m_pWindow = pWindow;

    if (m_pWindow == nullptr)
    {
        std::fprintf(stderr, "SDL Error: %s\n", SDL_GetError());
        throw Vemox_Exception("SDL_CreateWindow! Could not create window!");
    }
}

bool SDLWindow::ShowsNothing(const char* pDriver)
{
    return pDriver != nullptr &&
           (SDL_strcasecmp(pDriver, "offscreen") == 0 || SDL_strcasecmp(pDriver, "dummy") == 0);
}

bool SDLWindow::IsDriverRequested(const char* pDriver, const char* pRequested)
{
    if (pDriver == nullptr || pRequested == nullptr)
        return false;
    // SDL reads the request as a comma-separated list of names, in any letter case.
    const size_t length = SDL_strlen(pDriver);
    for (const char* pName = pRequested; *pName != '\0';)
    {
        const char* pEnd = SDL_strchr(pName, ',');
        const size_t nameLength = pEnd != nullptr ? static_cast<size_t>(pEnd - pName) : SDL_strlen(pName);
        if (nameLength == length && SDL_strncasecmp(pName, pDriver, length) == 0)
            return true;
        pName += nameLength;
        if (*pName == ',')
            ++pName;
    }
    return false;
}

void SDLWindow::ProcessEvents()
{
    InputManager* pInput = InputManager::GetInstance();
    pInput->Clear();

    SDL_Event event;
    while (SDL_PollEvent(&event) != 0)
    {
        InputEvent record;
        record.data.timestamp = event.common.timestamp;
        switch (event.type)
        {
        case SDL_QUIT:
            m_ShouldQuit = true;
            continue;
        case SDL_KEYDOWN:
        case SDL_KEYUP:
            record.type = InputType::Keyboard;
            record.state = event.type == SDL_KEYDOWN ? InputState::Down : InputState::Released;
            record.data.code = static_cast<int32_t>(event.key.keysym.scancode);
            break;
        case SDL_MOUSEMOTION:
            // The pointer's latest position, not the event's: the camera pans to the first motion
            // record of a frame, which must leave the grabbed point under the cursor as it is now.
            record.type = InputType::MouseMotion;
            SDL_GetMouseState(&record.data.x, &record.data.y);
            record.data.dx = event.motion.xrel;
            record.data.dy = event.motion.yrel;
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            record.type = InputType::MouseButton;
            record.state = event.type == SDL_MOUSEBUTTONDOWN ? InputState::Down : InputState::Released;
            record.data.code = event.button.button;
            // Where the button went down: by the time a quick drag is pumped, the pointer has moved on.
            record.data.x = event.button.x;
            record.data.y = event.button.y;
            break;
        case SDL_MOUSEWHEEL:
            record.type = InputType::MouseWheel;
            record.data.x = event.wheel.x;
            record.data.y = event.wheel.y;
            break;
        default:
            continue;
        }
        pInput->AddInputEvent(record);
    }
}
} // namespace Vemox
