// Time controls of an interactive run: pause, single steps and a speed from a quarter to eight times
// real time, turned into the simulation steps that each drawn frame runs.
#pragma once

namespace Vemox
{
/// Plain arithmetic, no clock: the driver asks it once per drawn frame how to step the simulation.
/// At the default (running, x1) every frame is one step of the frame's own time, the usual frame.
class TimeControl
{
public:
    /// The step that a single step while paused runs: one physics step, in seconds.
    static constexpr float SingleStepTime = 1.f / 60.f;
    static constexpr int NrOfSpeeds = 6;
    /// x1/4, x1/2, x1, x2, x4, x8.
    static constexpr float Speeds[NrOfSpeeds] = {0.25f, 0.5f, 1.f, 2.f, 4.f, 8.f};
    static constexpr int NormalSpeedIndex = 2;

    /// What one drawn frame runs: nrOfSteps simulation steps of stepTime seconds each (none while
    /// paused without a pending single step).
    struct FramePlan
    {
        int nrOfSteps = 1;
        float stepTime = 0.f;
    };

    /// The plan of a frame of deltaTime seconds; takes one pending single step, if any:
    /// - paused: one step of SingleStepTime when a single step is pending, else no step;
    /// - running at x1 or faster: as many steps of deltaTime as the speed says (x4: four);
    /// - running in slow motion: one step of deltaTime times the speed.
    FramePlan PlanFrame(float deltaTime);

    bool IsPaused() const { return m_IsPaused; }
    void SetPaused(bool isPaused);
    void TogglePause() { SetPaused(!m_IsPaused); }

    /// While paused, asks for one more step of SingleStepTime; each frame takes one. Ignored while
    /// running.
    void RequestSingleStep();
    int GetPendingSingleSteps() const { return m_PendingSingleSteps; }

    /// Index into Speeds; clamped to the table.
    int GetSpeedIndex() const { return m_SpeedIndex; }
    void SetSpeedIndex(int speedIndex);
    float GetSpeed() const { return Speeds[m_SpeedIndex]; }
    /// One speed up or down the table; nothing at its ends.
    void Faster() { SetSpeedIndex(m_SpeedIndex + 1); }
    void Slower() { SetSpeedIndex(m_SpeedIndex - 1); }

    /// Running at x1: every frame is the usual frame.
    bool IsAtDefault() const { return !m_IsPaused && m_SpeedIndex == NormalSpeedIndex; }

private:
    bool m_IsPaused = false;
    int m_PendingSingleSteps = 0;
    int m_SpeedIndex = NormalSpeedIndex;
};
} // namespace Vemox
