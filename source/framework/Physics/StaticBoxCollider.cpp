// The static box obstacle: one static body with one box fixture.
#include "framework/Physics/StaticBoxCollider.h"

#include "framework/Physics/RigidBody.h"

namespace Vemox
{
namespace
{
constexpr std::int32_t WallUserDataTag = 1;
}

StaticBoxCollider::StaticBoxCollider(const Vector2D& position, float width, float height)
    : m_Width(width), m_Height(height), m_Position(position)
{
    m_pRigidBody =
        new RigidBody(RigidBodyDefinition(0.01f, 0.1f, BodyType::Static, false), position, WallUserDataTag);
    m_pRigidBody->AddShape(PhysicsShape::MakeBox(width, height, 0.f));
}

StaticBoxCollider::~StaticBoxCollider()
{
    delete m_pRigidBody;
    m_pRigidBody = nullptr;
}
} // namespace Vemox
