// Body creation from a RigidBodyDefinition, fixture creation per shape kind, and the thin body accessors.
#include "framework/Physics/RigidBody.h"

#include "framework/Physics/Box2DConversions.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <box2d/box2d.h>

#include <cstdio>
#include <utility>

namespace Vemox
{
namespace
{
b2BodyType ToBox2DType(BodyType type)
{
    switch (type)
    {
    case BodyType::Kinematic:
        return b2_kinematicBody;
    case BodyType::Dynamic:
        return b2_dynamicBody;
    case BodyType::Static:
    default:
        return b2_staticBody;
    }
}
} // namespace

PhysicsShape PhysicsShape::MakeCircle(float radius)
{
    PhysicsShape shape;
    shape.Kind = ShapeKind::Circle;
    shape.Radius = radius;
    return shape;
}

PhysicsShape PhysicsShape::MakeBox(float width, float height, float angle)
{
    PhysicsShape shape;
    shape.Kind = ShapeKind::Box;
    shape.Width = width;
    shape.Height = height;
    shape.Angle = angle;
    return shape;
}

PhysicsShape PhysicsShape::MakePolygon(std::vector<Vector2D> vertices)
{
    PhysicsShape shape;
    shape.Kind = ShapeKind::Polygon;
    shape.Vertices = std::move(vertices);
    return shape;
}

RigidBody::RigidBody(const RigidBodyDefinition& definition, const Vector2D& initialPosition,
                     std::int32_t userDataTag)
    : m_Definition(definition)
{
    b2BodyDef bodyDef;
    bodyDef.type = ToBox2DType(definition.Type);
    bodyDef.position = ToB2(initialPosition);
    bodyDef.angle = 0.f;
    bodyDef.linearVelocity = b2Vec2(0.f, 0.f);
    bodyDef.angularVelocity = 0.f;
    bodyDef.linearDamping = definition.LinearDamping;
    bodyDef.angularDamping = definition.AngularDamping;
    bodyDef.allowSleep = definition.AllowSleep;
    bodyDef.awake = true;
    bodyDef.fixedRotation = false;
    bodyDef.bullet = false;
    bodyDef.enabled = true;
    bodyDef.gravityScale = 1.f;
    bodyDef.userData.pointer = 0;

    b2World* pWorld = PhysicsWorld::GetInstance()->GetWorld();
    // Box2D refuses new bodies during a step; the body then stays absent.
    if (pWorld != nullptr && !pWorld->IsLocked())
    {
        m_pBody = pWorld->CreateBody(&bodyDef);
    }
    if (m_pBody != nullptr)
    {
        m_UserData = userDataTag;
        m_pBody->GetUserData().pointer = reinterpret_cast<std::uintptr_t>(&m_UserData);
    }
}

RigidBody::~RigidBody()
{
    if (m_pBody != nullptr)
    {
        // DestroyInstance refuses to run while bodies exist, so a body implies a live world.
        b2World* pWorld = PhysicsWorld::GetInstance()->GetWorld();
        VEMOX_ASSERT(pWorld != nullptr && !pWorld->IsLocked() &&
                     "<RigidBody::~RigidBody>: bodies cannot leave the world while it is stepping");
        m_pBody->GetUserData().pointer = 0;
        pWorld->DestroyBody(m_pBody);
        m_pBody = nullptr;
    }
    m_Fixtures.clear();
}

void RigidBody::AddShape(const PhysicsShape& shape)
{
    if (m_pBody == nullptr)
    {
        return;
    }

    b2CircleShape circle;
    b2PolygonShape polygon;
    const b2Shape* pShape = nullptr;
    switch (shape.Kind)
    {
    case ShapeKind::Circle:
        circle.m_radius = shape.Radius;
        circle.m_p = b2Vec2(0.f, 0.f);
        pShape = &circle;
        break;
    case ShapeKind::Box:
        // A box without area has no centroid: Box2D would give the body a NaN mass centre.
        if (!(shape.Width > 0.f && shape.Height > 0.f))
        {
            return;
        }
        polygon.SetAsBox(shape.Width / 2.f, shape.Height / 2.f, b2Vec2(0.f, 0.f), shape.Angle);
        pShape = &polygon;
        break;
    case ShapeKind::Polygon:
    {
        // Box2D would silently substitute a unit box for too few points and drop points beyond its limit.
        const std::size_t count = shape.Vertices.size();
        if (count < 3 || count > static_cast<std::size_t>(b2_maxPolygonVertices))
        {
            return;
        }
        b2Vec2 points[b2_maxPolygonVertices];
        for (std::size_t i = 0; i < count; ++i)
        {
            points[i] = ToB2(shape.Vertices[i]);
        }
        polygon.Set(points, static_cast<int32>(count));
        pShape = &polygon;
        break;
    }
    default:
        return;
    }

    b2FixtureDef fixtureDef;
    fixtureDef.shape = pShape;
    fixtureDef.density = 1.f;
    fixtureDef.friction = 0.2f;
    fixtureDef.restitution = 0.f;
    fixtureDef.isSensor = false;
    fixtureDef.filter.categoryBits = 0x0001;
    fixtureDef.filter.maskBits = 0xFFFF;
    fixtureDef.filter.groupIndex = 0;
    fixtureDef.userData.pointer = reinterpret_cast<std::uintptr_t>(this);

    b2Fixture* pFixture = m_pBody->CreateFixture(&fixtureDef);
    if (pFixture != nullptr)
    {
        m_Fixtures.push_back(pFixture);
    }
}

b2Body* RigidBody::RequireBody(const char* operation) const
{
    if (m_pBody == nullptr)
    {
        std::fprintf(
            stderr,
            "<RigidBody::%s>: this RigidBody has no Box2D body (created while the world was stepping?)\n",
            operation);
    }
    VEMOX_ASSERT(m_pBody != nullptr && "<RigidBody>: accessor called without a body");
    return m_pBody;
}

bool RigidBody::IsTouching() const
{
    for (const b2ContactEdge* pEdge = RequireBody("IsTouching")->GetContactList(); pEdge != nullptr;
         pEdge = pEdge->next)
        if (pEdge->contact->IsTouching())
            return true;
    return false;
}

Vector2D RigidBody::GetPosition() const
{
    return FromB2(RequireBody("GetPosition")->GetPosition());
}

float RigidBody::GetRotation() const
{
    return RequireBody("GetRotation")->GetAngle();
}

Vector2D RigidBody::GetRotationVector() const
{
    const b2Rot& rotation = RequireBody("GetRotationVector")->GetTransform().q;
    return {rotation.c, rotation.s};
}

void RigidBody::SetTransform(const Vector2D& position, float angle)
{
    RequireBody("SetTransform")->SetTransform(ToB2(position), angle);
}

void RigidBody::SetPosition(const Vector2D& position)
{
    b2Body* pBody = RequireBody("SetPosition");
    pBody->SetTransform(ToB2(position), pBody->GetAngle());
}

Vector2D RigidBody::GetLinearVelocity() const
{
    return FromB2(RequireBody("GetLinearVelocity")->GetLinearVelocity());
}

void RigidBody::SetLinearVelocity(const Vector2D& velocity)
{
    RequireBody("SetLinearVelocity")->SetLinearVelocity(ToB2(velocity));
}

float RigidBody::GetAngularVelocity() const
{
    return RequireBody("GetAngularVelocity")->GetAngularVelocity();
}

void RigidBody::SetAngularVelocity(float angularVelocity)
{
    RequireBody("SetAngularVelocity")->SetAngularVelocity(angularVelocity);
}

float RigidBody::GetMass() const
{
    return RequireBody("GetMass")->GetMass();
}

void RigidBody::SetMass(float mass)
{
    b2Body* pBody = RequireBody("SetMass");
    b2MassData massData;
    pBody->GetMassData(&massData);
    massData.mass = mass;
    pBody->SetMassData(&massData);
}
} // namespace Vemox
