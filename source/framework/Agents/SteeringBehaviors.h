// Steering behaviours turn an agent's situation into a desired velocity: the interface, its result
// and target records, and Seek, which heads straight for a point at the agent's maximum speed.
#pragma once

#include "framework/VemoxCore/VemoxMath.h"

namespace Vemox
{
class SteeringAgent;

/// What a behaviour asks for; starts at zero velocities and valid.
struct SteeringOutput
{
    Vector2D LinearVelocity;     ///< world units per second
    float AngularVelocity = 0.f; ///< radians per second
    bool IsValid = true;
};

/// The target of a behaviour. Only Position is read; the rest is zero when set from a point.
struct TargetData
{
    Vector2D Position; ///< world coordinates
    float Orientation = 0.f;
    Vector2D LinearVelocity;
    float AngularVelocity = 0.f;

    TargetData() = default;
    explicit TargetData(const Vector2D& position) : Position(position) {}
};

class ISteeringBehavior
{
public:
    ISteeringBehavior() = default;
    virtual ~ISteeringBehavior() = default;

    ISteeringBehavior(const ISteeringBehavior&) = delete;
    ISteeringBehavior& operator=(const ISteeringBehavior&) = delete;

    /// deltaTime in seconds; pAgent is not owned and must not be null.
    virtual SteeringOutput CalculateSteering(float deltaTime, SteeringAgent* pAgent) = 0;

    void SetTarget(const TargetData& target) { m_Target = target; }
    const TargetData& GetTarget() const { return m_Target; }

protected:
    TargetData m_Target;
};

class Seek final : public ISteeringBehavior
{
public:
    /// Desired velocity: towards the target at the agent's maximum linear speed, (0, 0) on the target.
    /// Draws that direction as a green line when the agent renders its behaviour. deltaTime unused.
    SteeringOutput CalculateSteering(float deltaTime, SteeringAgent* pAgent) override;
};
} // namespace Vemox
