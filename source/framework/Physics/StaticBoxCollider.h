// A static rectangular obstacle with a body of its own, such as a wall of the world.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

namespace Vemox
{
class RigidBody;

class StaticBoxCollider
{
public:
    /// position: centre of the box in world coordinates; width and height: full extents in world units.
    StaticBoxCollider(const Vector2D& position, float width, float height);
    /// Deletes its RigidBody, which leaves the world.
    ~StaticBoxCollider();

    StaticBoxCollider(const StaticBoxCollider&) = delete;
    StaticBoxCollider& operator=(const StaticBoxCollider&) = delete;

    /// Owned by the collider.
    RigidBody* GetRigidBody() const { return m_pRigidBody; }
    float GetWidth() const { return m_Width; }
    float GetHeight() const { return m_Height; }
    Vector2D GetPosition() const { return m_Position; }

private:
    RigidBody* m_pRigidBody = nullptr;
    float m_Width = 0.f;
    float m_Height = 0.f;
    Vector2D m_Position;
};
} // namespace Vemox
