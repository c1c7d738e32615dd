// The one application window: creates and owns the SDL window with its OpenGL attributes, and turns
// SDL's event queue into the frame's input records (InputManager).
#pragma once

#include <string>

struct SDL_Window;

namespace Vemox
{
/// Plain record of what CreateWindow builds; copied by value.
struct WindowParams
{
    std::string windowTitle = "Traffic Simulation Using: Vemox Framework";
    int width = 901;  ///< pixels
    int height = 451; ///< pixels
    bool isResizable = false;
};

/// Owns its SDL window; main thread only.
class SDLWindow
{
public:
    SDLWindow() = default;
    /// Destroys the SDL window, if any. SDL itself stays initialised.
    ~SDLWindow();

    SDLWindow(const SDLWindow&) = delete;
    SDLWindow& operator=(const SDLWindow&) = delete;

    /// Initialises SDL video, requests the OpenGL context attributes and creates a centred window,
    /// replacing (and destroying) any previous one. Throws Vemox_Exception on failure, also when SDL
    /// fell back to a video driver that shows nothing (see ShowsNothing) that SDL_VIDEODRIVER did
    /// not name.
    void CreateWindow(const WindowParams& params);

    /// The video driver shows nothing to a person: SDL's "offscreen" or "dummy".
    static bool ShowsNothing(const char* pDriver);
    /// pDriver is one of the names in pRequested, SDL's comma-separated video-driver request (null:
    /// none).
    static bool IsDriverRequested(const char* pDriver, const char* pRequested);

    /// Empties the input queue, then polls every pending SDL event: a quit request sets m_ShouldQuit,
    /// keyboard and mouse events become input records, anything else is dropped. A button record
    /// carries the position of its event, a motion record the pointer's latest position.
    void ProcessEvents();

    /// The parameters of the last CreateWindow. The sizes are the stored ones, not the current window size.
    const WindowParams& GetWindowParams() const { return m_WindowParams; }
    /// The raw SDL handle, still owned by this window; null before CreateWindow.
    SDL_Window* GetSDLWindow() const { return m_pWindow; }

    /// Set by a quit event, read by the main loop.
    bool m_ShouldQuit = false;

private:
    WindowParams m_WindowParams;
    SDL_Window* m_pWindow = nullptr;
};
} // namespace Vemox
