// Runs the traffic simulation without a window: the framework's shared frame at a fixed frame time,
// with a Dear ImGui context that never renders and debug-renderer batches that are never uploaded.
#pragma once

#include "app/App_TrafficSimulation.h"
#include "app/RoadNetwork.h"

#include <cstdint>
#include <memory>

namespace Vemox
{
class AppFrame;
class Camera2D;
} // namespace Vemox

/// Owns the process-wide singletons it creates (physics world, debug renderer, input queue, Dear ImGui
/// context); only one may exist at a time.
class HeadlessSimulation
{
public:
    struct Options
    {
        int nrOfCars = RoadNetwork::DefaultNrOfCars;
        /// Build the debug geometry of every frame (Box2D shapes and the application's Render).
        bool drawEachFrame = true;
        /// Build the debug panel in every drawn frame, as the window would.
        bool buildDebugPanel = true;
        DriverModel driver = DriverModel::Classic;
        float lightPhase = RoadNetwork::LightPhase; ///< seconds
        CityLayout city{};
    };

    explicit HeadlessSimulation(const Options& options);
    HeadlessSimulation() : HeadlessSimulation(Options{}) {}
    ~HeadlessSimulation();

    HeadlessSimulation(const HeadlessSimulation&) = delete;
    HeadlessSimulation& operator=(const HeadlessSimulation&) = delete;

    /// One frame in the windowed program's order with one simulation step; deltaTime in seconds.
    void Step(float deltaTime) { Frame(deltaTime, 1, deltaTime); }
    /// One drawn frame of deltaTime seconds with nrOfSteps simulation steps of stepTime seconds.
    void Frame(float deltaTime, int nrOfSteps, float stepTime);

    App_TrafficSimulation& GetApp() { return *m_pApp; }
    const App_TrafficSimulation& GetApp() const { return *m_pApp; }
    Vemox::Camera2D& GetCamera() { return *m_pCamera; }
    /// Frames run so far.
    std::uint64_t GetFrameCount() const { return m_FrameCount; }

private:
    Options m_Options;
    std::unique_ptr<Vemox::Camera2D> m_pCamera;
    std::unique_ptr<Vemox::AppFrame> m_pFrame;
    App_TrafficSimulation* m_pApp = nullptr; ///< owned by m_pFrame
    std::uint64_t m_FrameCount = 0;
};
