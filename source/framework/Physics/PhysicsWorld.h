// The process-wide physics world: one gravity-free Box2D world, advanced in fixed steps of 1/60 s
// from an accumulator of elapsed frame time, and drawn through the debug renderer on request.
#pragma once

#include <cstdint>

class b2World;

namespace Vemox
{
class Box2DRenderer;

class PhysicsWorld
{
public:
    /// Length of one physics step in seconds.
    static constexpr float TimeStep = 1.f / 60.f;
    /// Most frame time (seconds) that one Simulate call adds, which bounds a frame to 15 steps.
    static constexpr float MaxFrameTime = 0.25f;
    static constexpr int VelocityIterations = 8;
    static constexpr int PositionIterations = 3;

    /// The singleton, created with its world and debug-draw renderer on the first call.
    static PhysicsWorld* GetInstance();
    /// Deletes the world, the renderer and the singleton. Every RigidBody must be gone by then.
    static void DestroyInstance();

    PhysicsWorld(const PhysicsWorld&) = delete;
    PhysicsWorld& operator=(const PhysicsWorld&) = delete;

    /// Adds the frame time (seconds, at most MaxFrameTime; negative or NaN counts as 0) and runs
    /// every whole step it covers; the remainder carries over to the next call.
    void Simulate(float elapsedSeconds);
    /// Has the world hand every fixture's shape to the debug renderer.
    void RenderDebug();

    /// The Box2D world, owned by the singleton; null only after a failed creation.
    b2World* GetWorld() const { return m_pWorld; }
    Box2DRenderer* GetDebugRenderer() const { return m_pDebugRenderer; }
    /// Seconds of elapsed time not yet simulated.
    float GetTimeAccumulator() const { return m_TimeAccumulator; }
    /// Number of world steps taken since the singleton was created.
    std::uint64_t GetStepCount() const { return m_StepCount; }

    /// Whether Box2D's step profile (b2World::GetProfile) measures time. Off when a world is created:
    /// the profile then reads 0 ms throughout and Box2D reads no clock, which keeps small worlds'
    /// steps much cheaper. Set it only between steps.
    static void SetProfiling(bool isProfiling);
    static bool IsProfiling();

private:
    PhysicsWorld() = default;
    ~PhysicsWorld() = default;

    static PhysicsWorld* s_pInstance;

    b2World* m_pWorld = nullptr;
    Box2DRenderer* m_pDebugRenderer = nullptr;
    float m_TimeAccumulator = 0.f;
    std::uint64_t m_StepCount = 0;
};
} // namespace Vemox
