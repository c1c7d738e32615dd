// Shared fixture for tests that use the physics world: every test starts with a fresh world and empty
// debug batches, and leaves neither singleton behind for the next test.
#pragma once

#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

namespace Vemox::Testing
{
class PhysicsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pPhysics = PhysicsWorld::GetInstance();
        m_pWorld = m_pPhysics->GetWorld();
        ASSERT_NE(m_pWorld, nullptr);
        SDLDebugRenderer2D::GetInstance()->DiscardFrame();
    }

    void TearDown() override
    {
        PhysicsWorld::DestroyInstance();
        SDLDebugRenderer2D::DestroyInstance();
    }

    PhysicsWorld* m_pPhysics = nullptr; ///< the singleton; destroyed in TearDown
    b2World* m_pWorld = nullptr;        ///< owned by m_pPhysics
};
} // namespace Vemox::Testing
