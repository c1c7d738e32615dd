// The window's OpenGL frame: owns the context, loads the OpenGL entry points, and brackets each frame
// with a clear and a buffer swap. Chief header of the module: it also brings in the window, the input
// queue, the frame timer and the OpenGL entry-point table.
#pragma once

#include "FrameTimer.h"
#include "InputManager.h"
#include "OpenGL.h"
#include "SDLWindow.h"
#include "framework/VemoxCore/VemoxMath.h"

#include <cstdint>

namespace Vemox
{
/// Owns the OpenGL context of one window; main thread only.
class SDLFrame
{
public:
    /// Creates and makes current the context of pWindow (not owned; must outlive the frame), loads
    /// OpenGL and asks for vertical synchronisation. Throws Vemox_Exception naming what failed when the
    /// context cannot be created, is older than OpenGL 4.0 or lacks an entry point.
    explicit SDLFrame(SDLWindow* pWindow);
    /// Deletes the context.
    ~SDLFrame();

    SDLFrame(const SDLFrame&) = delete;
    SDLFrame& operator=(const SDLFrame&) = delete;

    /// Viewport over the stored window size (not the current one), then clears colour and depth.
    void BeginFrame();
    /// Swaps the buffers; when the frame rate is capped it first sleeps so frames come no faster than
    /// the display rate.
    void EndFrame();

    /// The driver accepted a swap interval of 1.
    bool IsVSyncEnabled() const { return m_IsVSyncEnabled; }
    /// EndFrame paces the frames itself: vsync is off, or the driver shows nothing (offscreen), so the
    /// swap does not wait.
    bool IsFrameRateCapped() const { return m_IsFrameRateCapped; }
    /// Frames per second EndFrame caps to: the display's refresh rate, 60 when unknown.
    int GetFrameRateCap() const { return m_FrameRateCap; }

    /// Throws Vemox_Exception unless the context is OpenGL 4.0 or later (major.minor as read from the
    /// context; 0.0 when unknown) and no entry point is missing (pMissingEntryPoint null).
    static void ValidateContext(int major, int minor, const char* pMissingEntryPoint);

private:
    void WaitForFrameSlot();

    SDLWindow* m_pWindow = nullptr;
    void* m_GLContext = nullptr; ///< SDL_GLContext
    Color m_ClearColor{0.3f, 0.3f, 0.3f, 1.0f};
    bool m_IsVSyncEnabled = false;
    bool m_IsFrameRateCapped = true;
    int m_FrameRateCap = 60;
    uint64_t m_CountsPerFrame = 0;   ///< performance-counter ticks per capped frame
    uint64_t m_NextFrameCounter = 0; ///< earliest counter value for the next swap; 0 before the first
};
} // namespace Vemox
