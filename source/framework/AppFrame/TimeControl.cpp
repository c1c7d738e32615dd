// Pause, single steps and speed turned into each drawn frame's simulation steps.
#include "TimeControl.h"

#include "framework/Physics/PhysicsWorld.h"

namespace Vemox
{
// A single step has to be exactly one physics step for the cars to move by one step.
static_assert(TimeControl::SingleStepTime == PhysicsWorld::TimeStep);

TimeControl::FramePlan TimeControl::PlanFrame(float deltaTime)
{
    if (m_IsPaused)
    {
        if (m_PendingSingleSteps == 0)
            return FramePlan{0, 0.f};
        --m_PendingSingleSteps;
        return FramePlan{1, SingleStepTime};
    }
    const float speed = GetSpeed();
    if (speed >= 1.f)
        return FramePlan{static_cast<int>(speed), deltaTime};
    return FramePlan{1, deltaTime * speed};
}

void TimeControl::SetPaused(bool isPaused)
{
    m_IsPaused = isPaused;
    // Steps asked for while paused belong to that pause.
    m_PendingSingleSteps = 0;
}

void TimeControl::RequestSingleStep()
{
    if (m_IsPaused)
        ++m_PendingSingleSteps;
}

void TimeControl::SetSpeedIndex(int speedIndex)
{
    if (speedIndex < 0)
        speedIndex = 0;
    if (speedIndex >= NrOfSpeeds)
        speedIndex = NrOfSpeeds - 1;
    m_SpeedIndex = speedIndex;
}
} // namespace Vemox
