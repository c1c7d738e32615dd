// Test double for the agent tests: a steering behaviour with a settable output that counts its calls
// and, optionally, its destruction.
#pragma once

#include "framework/Agents/SteeringAgent.h"
#include "framework/Agents/SteeringBehaviors.h"

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
    int* m_pDestructions = nullptr; ///< not owned; counts this double's destruction when set
};
