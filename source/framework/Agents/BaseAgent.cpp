// The base agent's body, accessors, angle wrapping and drawing.
#include "framework/Agents/BaseAgent.h"

#include "framework/Physics/RigidBody.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <cmath>

namespace Vemox
{
namespace
{
constexpr std::int32_t AgentUserDataTag = 0;
// Half-angle of the arrowhead's tail corners from the nose: 5*Pi/6 (150 degrees).
constexpr float ArrowTailAngle = 2.6179938f;
} // namespace

float NormalizeAngle(float angle)
{
    const float r =
        static_cast<float>(std::fmod(static_cast<double>(angle + Pi), static_cast<double>(TwoPi)));
    return r >= 0.f ? r - Pi : r + Pi;
}

BaseAgent::BaseAgent(float radius) : m_Radius(radius)
{
    m_pRigidBody = new RigidBody(RigidBodyDefinition(0.01f, 0.1f, BodyType::Dynamic, false),
                                 Vector2D(0.f, 0.f), AgentUserDataTag);
    m_pRigidBody->AddShape(PhysicsShape::MakeCircle(m_Radius));
}

BaseAgent::~BaseAgent()
{
    delete m_pRigidBody;
    m_pRigidBody = nullptr;
}

void BaseAgent::Update(float /*deltaTime*/) {}

void BaseAgent::Render(float /*deltaTime*/)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float angle = NormalizeAngle(GetRotation());
    const Vector2D position = GetPosition();

    pRenderer->DrawSolidCircle(position, m_Radius, Vector2D(0.f, 0.f), m_BodyColor, 0.f);

    const float angles[3] = {angle, angle + ArrowTailAngle, angle - ArrowTailAngle};
    Vector2D arrow[3];
    for (int i = 0; i < 3; ++i)
    {
        arrow[i] = position + FromPolar(m_Radius, angles[i]);
    }
    pRenderer->DrawSolidPolygon(arrow, 3, Color(0.f, 0.f, 0.f, 1.f), 0.f);
}

Vector2D BaseAgent::GetPosition() const
{
    return m_pRigidBody->GetPosition();
}

void BaseAgent::SetPosition(const Vector2D& position)
{
    m_pRigidBody->SetPosition(position);
}

float BaseAgent::GetRotation() const
{
    return m_pRigidBody->GetRotation();
}

Vector2D BaseAgent::GetLinearVelocity() const
{
    return m_pRigidBody->GetLinearVelocity();
}

void BaseAgent::SetLinearVelocity(const Vector2D& velocity)
{
    m_pRigidBody->SetLinearVelocity(velocity);
}

float BaseAgent::GetAngularVelocity() const
{
    return m_pRigidBody->GetAngularVelocity();
}

void BaseAgent::SetAngularVelocity(float angularVelocity)
{
    m_pRigidBody->SetAngularVelocity(angularVelocity);
}

float BaseAgent::GetMass() const
{
    return m_pRigidBody->GetMass();
}

void BaseAgent::SetMass(float mass)
{
    m_pRigidBody->SetMass(mass);
}

Vector2D BaseAgent::GetDirection() const
{
    return GetLinearVelocity().GetNormalized();
}
} // namespace Vemox
