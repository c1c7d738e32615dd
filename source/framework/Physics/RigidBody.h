// A Box2D body owned through a small wrapper: created from a RigidBodyDefinition in the physics
// world, given fixtures from PhysicsShape descriptions, and removed from the world on destruction.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

#include <cstdint>
#include <vector>

class b2Body;
class b2Fixture;

namespace Vemox
{
/// Box2D's numbering; any other value creates a static body.
enum class BodyType : std::int32_t
{
    Static = 0,
    Kinematic = 1,
    Dynamic = 2,
};

/// What a body is made from; the defaults are those of a plain kinematic body.
struct RigidBodyDefinition
{
    float LinearDamping = 0.1f;
    float AngularDamping = 0.01f;
    BodyType Type = BodyType::Kinematic;
    bool AllowSleep = false;

    RigidBodyDefinition() = default;
    RigidBodyDefinition(float linearDamping, float angularDamping, BodyType type, bool allowSleep)
        : LinearDamping(linearDamping), AngularDamping(angularDamping), Type(type), AllowSleep(allowSleep)
    {
    }
};

enum class ShapeKind : std::int32_t
{
    Circle = 1,
    Box = 2,
    Polygon = 3,
};

/// One fixture's geometry in body coordinates; only the fields of Kind are read.
struct PhysicsShape
{
    ShapeKind Kind = ShapeKind::Circle;
    float Radius = 0.f;             ///< Circle: world units
    float Width = 0.f;              ///< Box: full extent along the box's x axis, world units
    float Height = 0.f;             ///< Box: full extent along the box's y axis, world units
    float Angle = 0.f;              ///< Box: rotation about the body origin, radians
    std::vector<Vector2D> Vertices; ///< Polygon: 3 to 8 points of a convex outline

    static PhysicsShape MakeCircle(float radius);
    static PhysicsShape MakeBox(float width, float height, float angle);
    static PhysicsShape MakePolygon(std::vector<Vector2D> vertices);
};

class RigidBody
{
public:
    /// Creates the body in PhysicsWorld's world at initialPosition with angle 0. The body's user data
    /// points at the stored userDataTag. No body is created while the world is stepping.
    RigidBody(const RigidBodyDefinition& definition, const Vector2D& initialPosition,
              std::int32_t userDataTag);
    /// Removes the body and its fixtures from the world.
    ~RigidBody();

    RigidBody(const RigidBody&) = delete;
    RigidBody& operator=(const RigidBody&) = delete;

    /// Adds one fixture (density 1, friction 0.2, restitution 0, no sensor, default filter) whose user
    /// data points at this RigidBody. Adds nothing for an unknown kind, a box without area, a polygon
    /// with fewer than 3 or more than 8 vertices, or when there is no body.
    void AddShape(const PhysicsShape& shape);

    // The accessors below forward to the body with Box2D's semantics and require one (HasBody()).
    Vector2D GetPosition() const;
    /// Body angle in radians, not wrapped.
    float GetRotation() const;
    /// (cos, sin) of the body angle as the physics world keeps it with the body's transform: the
    /// heading as a unit vector without any trigonometry.
    Vector2D GetRotationVector() const;
    void SetTransform(const Vector2D& position, float angle);
    /// Moves the body and keeps its angle.
    void SetPosition(const Vector2D& position);
    /// World units per second.
    Vector2D GetLinearVelocity() const;
    void SetLinearVelocity(const Vector2D& velocity);
    /// Radians per second.
    float GetAngularVelocity() const;
    void SetAngularVelocity(float angularVelocity);
    float GetMass() const;
    /// Whether the body touches another body now (as the physics world's last step found its contacts).
    bool IsTouching() const;
    /// Replaces the mass and keeps centre and rotational inertia. Box2D ignores it on non-dynamic
    /// bodies and turns a mass of 0 or less into 1.
    void SetMass(float mass);

    bool HasBody() const { return m_pBody != nullptr; }
    /// The Box2D body, owned by this object; null when none could be created.
    b2Body* GetBody() const { return m_pBody; }
    /// The fixtures made by AddShape in creation order; they belong to the body.
    const std::vector<b2Fixture*>& GetFixtures() const { return m_Fixtures; }
    const RigidBodyDefinition& GetDefinition() const { return m_Definition; }
    /// The tag given at construction, or 0 when no body was created.
    std::int32_t GetUserDataTag() const { return m_UserData; }

private:
    b2Body* RequireBody(const char* operation) const;

    std::vector<b2Fixture*> m_Fixtures;
    RigidBodyDefinition m_Definition;
    b2Body* m_pBody = nullptr;
    std::int32_t m_UserData = 0;
};
} // namespace Vemox
