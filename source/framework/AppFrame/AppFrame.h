// The part of a frame that every driver of an application shares, the window and the windowless runs
// alike: simulation steps with the physics world, the camera, the application's UI work and drawing.
#pragma once

#include "framework/VemoxCore/IApp.h"

#include <functional>
#include <memory>

namespace Vemox
{
class Camera2D;

/// Owns the application; the camera is borrowed and must outlive the frame. Creating it creates the
/// physics world (if it does not exist yet) before the application, which the world must outlive.
class AppFrame
{
public:
    /// Constructs the application with createApp (which must not return null) and starts it.
    AppFrame(Camera2D* pCamera, const std::function<IApp*()>& createApp);
    /// Deletes the application, and with it every body it owns.
    ~AppFrame();

    AppFrame(const AppFrame&) = delete;
    AppFrame& operator=(const AppFrame&) = delete;

    /// One drawn frame's model work, in the framework's order: physics step, camera, the application's
    /// UI work, its simulation step, then Box2D and application drawing into the debug renderer.
    /// nrOfSteps simulation steps of stepTime seconds each run (0 while paused); every step is a
    /// physics Simulate followed by the application's Update. The camera and the UI work run once.
    /// With one step of deltaTime this is exactly the documented frame. Times in seconds.
    void Run(float deltaTime, int nrOfSteps, float stepTime);
    /// The usual frame: one simulation step of the frame's own time.
    void Run(float deltaTime) { Run(deltaTime, 1, deltaTime); }

    IApp& GetApp() const { return *m_pApp; }

    /// Whether Run adds the frame's drawing (Box2D shapes and the application's Render); on by
    /// default. Runs that nobody watches may leave it out.
    void SetDrawingEnabled(bool isEnabled) { m_IsDrawingEnabled = isEnabled; }

    /// Destroys the singletons that the frame and the application use (physics world, debug
    /// renderer, input queue). Call it after the frame is gone.
    static void DestroySingletons();

private:
    Camera2D* m_pCamera;
    std::unique_ptr<IApp> m_pApp;
    bool m_IsDrawingEnabled = true;
};
} // namespace Vemox
