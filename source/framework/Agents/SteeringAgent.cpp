// The steering step: velocity blend by inverse mass, then auto-orientation or clamped turning.
#include "framework/Agents/SteeringAgent.h"

#include "framework/Agents/SteeringBehaviors.h"
#include "framework/Physics/RigidBody.h"

#include <cmath>

namespace Vemox
{
SteeringAgent::SteeringAgent(float radius) : BaseAgent(radius) {}

void SteeringAgent::Update(float deltaTime)
{
    if (m_pSteeringBehavior == nullptr)
    {
        return;
    }
    const SteeringOutput output = m_pSteeringBehavior->CalculateSteering(deltaTime, this);

    // Moving a fraction (1/m)*dt of the way each frame makes the agent accelerate and brake smoothly;
    // the speed itself is limited only by what the behaviour asks for.
    const Vector2D velocity = m_pRigidBody->GetLinearVelocity();
    const float mass = m_pRigidBody->GetMass();
    m_pRigidBody->SetLinearVelocity(velocity + (output.LinearVelocity - velocity) * (1.f / mass) * deltaTime);

    if (m_AutoOrient)
    {
        const Vector2D newVelocity = m_pRigidBody->GetLinearVelocity();
        const float angle = static_cast<float>(
            std::atan2(static_cast<double>(newVelocity.y), static_cast<double>(newVelocity.x)));
        // A body that spins while it touches another drags it along by friction: in a contact the angle
        // is set, and the spin is left to the contact from a standstill.
        if (m_AutoOrientByTurning && !m_pRigidBody->IsTouching())
        {
            // The physics step damps the angular velocity by 1 / (1 + dt * damping) before it turns the
            // body; the turn takes the short way round.
            const float turn = NormalizeAngle(angle - m_pRigidBody->GetRotation());
            const float damping = m_pRigidBody->GetDefinition().AngularDamping;
            if (deltaTime > 0.f)
            {
                m_pRigidBody->SetAngularVelocity(turn / deltaTime * (1.f + deltaTime * damping));
                m_IsTurning = true;
            }
        }
        else
        {
            if (m_IsTurning)
                m_pRigidBody->SetAngularVelocity(0.f);
            m_IsTurning = false;
            m_pRigidBody->SetTransform(m_pRigidBody->GetPosition(), angle);
        }
    }
    else
    {
        // Only the upper bound is enforced: a fast turn clockwise passes unchanged.
        float angularVelocity = output.AngularVelocity;
        if (angularVelocity > m_MaxAngularSpeed)
        {
            angularVelocity = m_MaxAngularSpeed;
        }
        m_pRigidBody->SetAngularVelocity(angularVelocity);
    }
}
} // namespace Vemox
