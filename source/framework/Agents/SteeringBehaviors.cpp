// Seek: full speed straight at the target.
#include "framework/Agents/SteeringBehaviors.h"

#include "framework/Agents/SteeringAgent.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

namespace Vemox
{
SteeringOutput Seek::CalculateSteering(float /*deltaTime*/, SteeringAgent* pAgent)
{
    SteeringOutput output;
    const Vector2D position = pAgent->GetPosition();
    const Vector2D direction = (m_Target.Position - position).GetNormalized();
    output.LinearVelocity = direction * pAgent->GetMaxLinearSpeed();

    if (pAgent->GetRenderBehavior())
    {
        SDLDebugRenderer2D::GetInstance()->DrawSegment(position,
                                                       position + output.LinearVelocity.GetNormalized() * 5.f,
                                                       Color(0.f, 1.f, 0.f, 1.f), 0.9f);
    }
    return output;
}
} // namespace Vemox
