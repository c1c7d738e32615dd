// Runs the traffic simulation without a window: the same application, stepped at a fixed frame time,
// with a Dear ImGui context that never renders, the physics world stepping, and the debug renderer's
// batches filled (when drawing is on) but never uploaded.
#pragma once

#include "App_TrafficSimulation.h"

#include <cstdint>
#include <memory>

namespace Vemox
{
class Camera2D;
}

/// Owns the process-wide singletons it creates (physics world, debug renderer, input queue, Dear ImGui
/// context); only one may exist at a time.
class HeadlessSimulation
{
public:
    struct Options
    {
        int nrOfCars = App_TrafficSimulation::DefaultNrOfCars;
        /// Build the debug geometry of every frame (Box2D shapes and the application's Render).
        bool drawEachFrame = true;
        /// Build the debug panel in every update, as the window would.
        bool buildDebugPanel = true;
    };

    explicit HeadlessSimulation(const Options& options);
    HeadlessSimulation() : HeadlessSimulation(Options{}) {}
    ~HeadlessSimulation();

    HeadlessSimulation(const HeadlessSimulation&) = delete;
    HeadlessSimulation& operator=(const HeadlessSimulation&) = delete;

    /// One frame in the windowed program's order; deltaTime in seconds.
    void Step(float deltaTime);

    App_TrafficSimulation& GetApp() { return *m_pApp; }
    const App_TrafficSimulation& GetApp() const { return *m_pApp; }
    Vemox::Camera2D& GetCamera() { return *m_pCamera; }
    /// Frames stepped so far.
    std::uint64_t GetFrameCount() const { return m_FrameCount; }

private:
    Options m_Options;
    Vemox::Camera2D* m_pCamera = nullptr;
    App_TrafficSimulation* m_pApp = nullptr;
    std::uint64_t m_FrameCount = 0;
};
