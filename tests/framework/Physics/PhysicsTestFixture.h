// Shared fixture: every test starts with a fresh physics world and empty debug batches, and leaves
// no singleton behind.
#pragma once

#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

class PhysicsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pPhysics = Vemox::PhysicsWorld::GetInstance();
        m_pWorld = m_pPhysics->GetWorld();
        ASSERT_NE(m_pWorld, nullptr);
        Vemox::SDLDebugRenderer2D::GetInstance()->DiscardFrame();
    }

    void TearDown() override
    {
        Vemox::PhysicsWorld::DestroyInstance();
        Vemox::SDLDebugRenderer2D::DestroyInstance();
    }

    Vemox::PhysicsWorld* m_pPhysics = nullptr;
    b2World* m_pWorld = nullptr;
};
