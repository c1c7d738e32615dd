// Test helper: the program's window and OpenGL context on SDL's offscreen driver (no display needed),
// with pixel read-back and a draw-call counter on the entry-point table.
#pragma once

#include "framework/VemoxRendering/SDLIntegration/SDLFrame/SDLFrame.h"

#include <SDL.h>

#include <cstdlib>
#include <memory>
#include <ostream>

namespace Vemox::Testing
{
struct Rgb
{
    int r = 0;
    int g = 0;
    int b = 0;
};

inline bool Near(const Rgb& actual, const Rgb& expected, int tolerance = 2)
{
    return std::abs(actual.r - expected.r) <= tolerance && std::abs(actual.g - expected.g) <= tolerance &&
           std::abs(actual.b - expected.b) <= tolerance;
}

inline std::ostream& operator<<(std::ostream& stream, const Rgb& c)
{
    return stream << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

/// Counts draw calls made through the entry-point table while installed.
struct DrawCallCounter
{
    static inline int s_DrawArrays = 0;
    static inline int s_DrawElements = 0;
    static inline PFNGLDRAWARRAYSPROC s_pDrawArrays = nullptr;
    static inline PFNGLDRAWELEMENTSPROC s_pDrawElements = nullptr;

    DrawCallCounter()
    {
        s_DrawArrays = 0;
        s_DrawElements = 0;
        s_pDrawArrays = glDrawArrays;
        s_pDrawElements = glDrawElements;
        glDrawArrays = [](GLenum mode, GLint first, GLsizei count)
        {
            ++s_DrawArrays;
            s_pDrawArrays(mode, first, count);
        };
        glDrawElements = [](GLenum mode, GLsizei count, GLenum type, const void* pIndices)
        {
            ++s_DrawElements;
            s_pDrawElements(mode, count, type, pIndices);
        };
    }
    ~DrawCallCounter()
    {
        glDrawArrays = s_pDrawArrays;
        glDrawElements = s_pDrawElements;
    }
    DrawCallCounter(const DrawCallCounter&) = delete;
    DrawCallCounter& operator=(const DrawCallCounter&) = delete;
};

/// A 901 x 451 window with its OpenGL context, as the program creates them.
class OffscreenContext
{
public:
    OffscreenContext()
    {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("XDG_RUNTIME_DIR", "/tmp", 0);
        m_pWindow->CreateWindow(WindowParams{});
        m_pFrame = std::make_unique<SDLFrame>(m_pWindow.get());
        m_pReadPixels = reinterpret_cast<PFNGLREADPIXELSPROC>(SDL_GL_GetProcAddress("glReadPixels"));
    }
    ~OffscreenContext()
    {
        m_pFrame.reset();
        m_pWindow.reset();
        SDL_Quit();
    }
    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

    SDLWindow& GetWindow() { return *m_pWindow; }
    SDLFrame& GetFrame() { return *m_pFrame; }
    int GetWidth() const { return m_pWindow->GetWindowParams().width; }
    int GetHeight() const { return m_pWindow->GetWindowParams().height; }

    /// The colour of the pixel at (x, y) of the frame being drawn, origin top left, y down.
    Rgb ReadPixel(int x, int y) const
    {
        unsigned char pixel[4] = {};
        m_pReadPixels(x, GetHeight() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        return {pixel[0], pixel[1], pixel[2]};
    }

private:
    std::unique_ptr<SDLWindow> m_pWindow = std::make_unique<SDLWindow>();
    std::unique_ptr<SDLFrame> m_pFrame;
    PFNGLREADPIXELSPROC m_pReadPixels = nullptr;
};
} // namespace Vemox::Testing
