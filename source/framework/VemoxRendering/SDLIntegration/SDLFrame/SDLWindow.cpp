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
            SDL_GetMouseState(&record.data.x, &record.data.y);
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
