// An agent that steers itself: each update it blends its body's velocity towards what its steering
// behaviour asks for, and either faces its motion or turns at a bounded angular speed.
#pragma once

#include "framework/Agents/BaseAgent.h"

namespace Vemox
{
class ISteeringBehavior;

class SteeringAgent : public BaseAgent
{
public:
    /// radius in world units; no behaviour, both maximum speeds 10, auto-orientation off.
    explicit SteeringAgent(float radius);
    /// Does not delete the steering behaviour: its creator owns it.
    ~SteeringAgent() override = default;

    /// One steering step (deltaTime in seconds); does nothing without a steering behaviour.
    void Update(float deltaTime) override;

    /// Not owned; null stops steering.
    virtual void SetSteeringBehavior(ISteeringBehavior* pBehavior) { m_pSteeringBehavior = pBehavior; }
    ISteeringBehavior* GetSteeringBehavior() const { return m_pSteeringBehavior; }

    /// World units per second; the speed behaviours ask for.
    float GetMaxLinearSpeed() const { return m_MaxLinearSpeed; }
    void SetMaxLinearSpeed(float maxLinearSpeed) { m_MaxLinearSpeed = maxLinearSpeed; }
    /// Radians per second; caps only positive angular velocities.
    float GetMaxAngularSpeed() const { return m_MaxAngularSpeed; }
    void SetMaxAngularSpeed(float maxAngularSpeed) { m_MaxAngularSpeed = maxAngularSpeed; }
    /// When on, the body angle follows the velocity and the behaviour's angular velocity is ignored.
    bool GetAutoOrient() const { return m_AutoOrient; }
    void SetAutoOrient(bool autoOrient) { m_AutoOrient = autoOrient; }
    /// When on, auto-orientation turns the body at the angular velocity that faces it along its velocity
    /// after the next physics step, instead of setting the body's angle at once: setting a body in place
    /// moves it in the physics world's broad phase (out and back in), which with thousands of bodies
    /// takes much of the physics step. While the body touches another, its angle is set as without this
    /// option, from no spin of its own. Off by default.
    bool GetAutoOrientByTurning() const { return m_AutoOrientByTurning; }
    void SetAutoOrientByTurning(bool byTurning) { m_AutoOrientByTurning = byTurning; }
    /// When on, behaviours draw what they ask for.
    bool GetRenderBehavior() const { return m_RenderBehavior; }
    void SetRenderBehavior(bool renderBehavior) { m_RenderBehavior = renderBehavior; }

protected:
    ISteeringBehavior* m_pSteeringBehavior = nullptr;
    float m_MaxLinearSpeed = 10.f;
    float m_MaxAngularSpeed = 10.f;
    bool m_AutoOrient = false;
    bool m_AutoOrientByTurning = false;
    bool m_IsTurning = false; ///< the angular velocity is the one auto-orientation set
    bool m_RenderBehavior = false;
};
} // namespace Vemox
