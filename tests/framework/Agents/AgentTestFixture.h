// Shared fixture and test double for the agent tests: a fresh physics world and empty debug batches
// per test, and a steering behaviour with a settable output that counts its calls.
#pragma once

#include "framework/Agents/SteeringAgent.h"
#include "framework/Agents/SteeringBehaviors.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <gtest/gtest.h>

class AgentTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Vemox::PhysicsWorld::GetInstance();
        Vemox::SDLDebugRenderer2D::GetInstance()->DiscardFrame();
    }

    void TearDown() override
    {
        Vemox::PhysicsWorld::DestroyInstance();
        Vemox::SDLDebugRenderer2D::DestroyInstance();
    }
};

class FixedSteering final : public Vemox::ISteeringBehavior
{
public:
    explicit FixedSteering(int* pDestructions = nullptr) : m_pDestructions(pDestructions) {}
    ~FixedSteering() override
    {
        if (m_pDestructions != nullptr)
        {
            ++*m_pDestructions;
        }
    }

    Vemox::SteeringOutput CalculateSteering(float deltaTime, Vemox::SteeringAgent* pAgent) override
    {
        ++m_Calls;
        m_LastDeltaTime = deltaTime;
        m_pLastAgent = pAgent;
        return m_Output;
    }

    Vemox::SteeringOutput m_Output;
    int m_Calls = 0;
    float m_LastDeltaTime = 0.f;
    Vemox::SteeringAgent* m_pLastAgent = nullptr;

private:
    int* m_pDestructions = nullptr;
};
