// Creation, fixed-step stepping and teardown of the process-wide Box2D world.
#include "framework/Physics/PhysicsWorld.h"

#include "framework/Physics/Box2DRenderer.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <box2d/box2d.h>

namespace Vemox
{
PhysicsWorld* PhysicsWorld::s_pInstance = nullptr;

PhysicsWorld* PhysicsWorld::GetInstance()
{
    if (s_pInstance == nullptr)
    {
        s_pInstance = new PhysicsWorld();

        // Seen from above: no gravity.
        s_pInstance->m_pWorld = new b2World(b2Vec2(0.f, 0.f));
        s_pInstance->m_pWorld->SetAllowSleeping(true);
        s_pInstance->m_pWorld->SetWarmStarting(true);
        s_pInstance->m_pWorld->SetContinuousPhysics(true);
        s_pInstance->m_pWorld->SetSubStepping(false);

        s_pInstance->m_pDebugRenderer = new Box2DRenderer();
        s_pInstance->m_pDebugRenderer->SetFlags(b2Draw::e_shapeBit);
        s_pInstance->m_pWorld->SetDebugDraw(s_pInstance->m_pDebugRenderer);
    }
    return s_pInstance;
}

void PhysicsWorld::DestroyInstance()
{
    // Through GetInstance on purpose, as the framework's teardown does: without a world it makes one first.
    PhysicsWorld* pInstance = GetInstance();
    if (pInstance->m_pWorld != nullptr)
    {
        // A RigidBody that outlived the world would later hand a freed body to a new world.
        VEMOX_ASSERT(pInstance->m_pWorld->GetBodyCount() == 0 &&
                     "<PhysicsWorld::DestroyInstance>: delete every RigidBody before the world");
        delete pInstance->m_pWorld;
        pInstance->m_pWorld = nullptr;
    }
    delete pInstance->m_pDebugRenderer;
    pInstance->m_pDebugRenderer = nullptr;
    delete pInstance;
    s_pInstance = nullptr;
}

void PhysicsWorld::Simulate(float elapsedSeconds)
{
    if (m_pWorld == nullptr)
    {
        return;
    }
    // A negative or NaN frame time would drain or poison the accumulator for good.
    if (elapsedSeconds > 0.f)
    {
        m_TimeAccumulator += elapsedSeconds < MaxFrameTime ? elapsedSeconds : MaxFrameTime;
    }
    while (m_TimeAccumulator >= TimeStep)
    {
        m_pWorld->Step(TimeStep, VelocityIterations, PositionIterations);
        ++m_StepCount;
        m_TimeAccumulator -= TimeStep;
    }
}

void PhysicsWorld::RenderDebug()
{
    if (m_pDebugRenderer != nullptr && m_pWorld != nullptr)
    {
        m_pWorld->DebugDraw();
    }
}
} // namespace Vemox
