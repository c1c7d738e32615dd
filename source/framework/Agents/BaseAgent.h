// The root of the agent classes: a circular dynamic body in the physics world with a radius and a
// fill colour, drawn as a disc with an arrowhead along its heading.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

namespace Vemox
{
class RigidBody;

/// Wraps an angle (radians) into [-Pi, Pi).
float NormalizeAngle(float angle);

class BaseAgent
{
public:
    /// Creates a dynamic circle body of the given radius (world units) at the origin.
    explicit BaseAgent(float radius);
    /// Deletes the body, which leaves the physics world.
    virtual ~BaseAgent();

    BaseAgent(const BaseAgent&) = delete;
    BaseAgent& operator=(const BaseAgent&) = delete;

    /// deltaTime in seconds; does nothing here.
    virtual void Update(float deltaTime);
    /// Adds a disc in the body colour with a black arrowhead to the debug renderer; deltaTime unused.
    virtual void Render(float deltaTime);

    Vector2D GetPosition() const;
    /// Moves the body and keeps its angle.
    void SetPosition(const Vector2D& position);
    /// Body angle in radians, not wrapped.
    float GetRotation() const;
    /// (cos, sin) of GetRotation, kept by the physics world: no trigonometry.
    Vector2D GetRotationVector() const;
    /// World units per second.
    Vector2D GetLinearVelocity() const;
    void SetLinearVelocity(const Vector2D& velocity);
    /// Radians per second.
    float GetAngularVelocity() const;
    void SetAngularVelocity(float angularVelocity);
    float GetMass() const;
    /// A mass of 0 or less becomes 1; centre and rotational inertia stay.
    void SetMass(float mass);
    /// The unit vector of the linear velocity, or (0, 0) when its length is at most FloatEpsilon.
    Vector2D GetDirection() const;

    Color GetBodyColor() const { return m_BodyColor; }
    void SetBodyColor(const Color& color) { m_BodyColor = color; }
    /// World units.
    float GetRadius() const { return m_Radius; }
    /// Owned by the agent.
    RigidBody* GetRigidBody() const { return m_pRigidBody; }

protected:
    RigidBody* m_pRigidBody = nullptr;
    float m_Radius = 0.f;
    Color m_BodyColor{1.f, 1.f, 0.f, 1.f};
};
} // namespace Vemox
