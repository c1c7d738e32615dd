// OpenGL context set-up with its checks, the per-frame clear and swap, and the frame-rate cap used
// when the swap does not wait for a display (Xvfb refuses vsync; the offscreen driver has no display),
// so the loop does not spin a core.
#include "SDLFrame.h"

#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxCore/VemoxException.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace Vemox
{
namespace
{
constexpr int DefaultFrameRate = 60;
}

SDLFrame::SDLFrame(SDLWindow* pWindow) : m_pWindow(pWindow)
{
    VEMOX_ASSERT(pWindow != nullptr && pWindow->GetSDLWindow() != nullptr);

    m_GLContext = SDL_GL_CreateContext(m_pWindow->GetSDLWindow());
    if (m_GLContext == nullptr)
    {
        throw Vemox_Exception(std::string("SDL_GL_CreateContext failed! Could not create an OpenGL context! "
                                          "SDL Error: ") +
                              SDL_GetError());
    }

    OpenGLLoader::LoadFunctions();
    try
    {
        ValidateContext(OpenGLLoader::GetMajorVersion(), OpenGLLoader::GetMinorVersion(),
                        OpenGLLoader::GetFirstMissingEntryPoint());
    }
    catch (const Vemox_Exception&)
    {
        // The destructor does not run for a constructor that throws.
        SDL_GL_DeleteContext(m_GLContext);
        m_GLContext = nullptr;
        throw;
    }

    m_IsVSyncEnabled = SDL_GL_SetSwapInterval(1) >= 0;
    if (!m_IsVSyncEnabled)
    {
        std::printf("Warning: Unable to set VSync! SDL Error: %s\n", SDL_GetError());
        std::fflush(stdout);
    }
    // A driver that shows nothing accepts the swap interval but never waits for a display.
    m_IsFrameRateCapped = !m_IsVSyncEnabled || SDLWindow::ShowsNothing(SDL_GetCurrentVideoDriver());
    if (m_IsFrameRateCapped)
    {
        SDL_DisplayMode mode{};
        const int displayIndex = SDL_GetWindowDisplayIndex(m_pWindow->GetSDLWindow());
        if (displayIndex >= 0 && SDL_GetCurrentDisplayMode(displayIndex, &mode) == 0 && mode.refresh_rate > 0)
            m_FrameRateCap = mode.refresh_rate;
        else
            m_FrameRateCap = DefaultFrameRate;
        m_CountsPerFrame = SDL_GetPerformanceFrequency() / static_cast<uint64_t>(m_FrameRateCap);
    }

    CheckOpenGLError();
}

SDLFrame::~SDLFrame()
{
    if (m_GLContext != nullptr)
        SDL_GL_DeleteContext(m_GLContext);
}

void SDLFrame::ValidateContext(int major, int minor, const char* pMissingEntryPoint)
{
    // Without glGetIntegerv the version is unknown, so the missing entry point is the better report.
    if (pMissingEntryPoint != nullptr && major == 0)
        throw Vemox_Exception(std::string("OpenGL entry point ") + pMissingEntryPoint +
                              " could not be loaded!");
    if (major < 4)
    {
        throw Vemox_Exception("OpenGL 4.0 or later is required, but the context is OpenGL " +
                              std::to_string(major) + "." + std::to_string(minor) + "!");
    }
    if (pMissingEntryPoint != nullptr)
        throw Vemox_Exception(std::string("OpenGL entry point ") + pMissingEntryPoint +
                              " could not be loaded!");
}

void SDLFrame::BeginFrame()
{
    const WindowParams& params = m_pWindow->GetWindowParams();
    glViewport(0, 0, params.width, params.height);
    glClearColor(m_ClearColor.r, m_ClearColor.g, m_ClearColor.b, m_ClearColor.a);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void SDLFrame::EndFrame()
{
    if (m_IsFrameRateCapped)
        WaitForFrameSlot();
    SDL_GL_SwapWindow(m_pWindow->GetSDLWindow());
}

void SDLFrame::WaitForFrameSlot()
{
    const uint64_t now = SDL_GetPerformanceCounter();
    // A frame that ran a whole period late restarts the schedule instead of being followed by a burst
    // of unpaced frames that catch up.
    if (m_NextFrameCounter == 0 || now > m_NextFrameCounter + m_CountsPerFrame)
    {
        m_NextFrameCounter = now + m_CountsPerFrame;
        return;
    }
    if (now < m_NextFrameCounter)
    {
        const double seconds = static_cast<double>(m_NextFrameCounter - now) /
                               static_cast<double>(SDL_GetPerformanceFrequency());
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
    m_NextFrameCounter += m_CountsPerFrame;
}
} // namespace Vemox
