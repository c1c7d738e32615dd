// Frame timing for the main loop from SDL's high-resolution performance counter: elapsed seconds
// between updates, total running time and a frames-per-second count.
#pragma once

#include <cstdint>

namespace Vemox
{
/// Process-wide singleton; main thread only. Stopped after creation, running after Start.
class FrameTimer
{
public:
    /// Reads the current counter value in ticks.
    using CounterSource = uint64_t (*)();

    static FrameTimer* GetInstance();
    static void DestroyInstance();

    FrameTimer(const FrameTimer&) = delete;
    FrameTimer& operator=(const FrameTimer&) = delete;

    /// Begins timing; a running timer ignores further calls.
    void Start();
    /// Once per frame, before anything reads the elapsed time.
    void Update();

    /// Seconds between the last two updates (never negative).
    float GetElapsed() const { return m_ElapsedTime; }
    /// Seconds since Start, stopped time excluded.
    float GetTotal() const { return m_TotalTime; }
    /// Frames counted in the last full second.
    int GetFPS() const { return m_FPS; }

    /// Replaces the counter and its frequency (ticks per second, > 0), e.g. so a test can feed
    /// counter values. The default is SDL's performance counter and frequency.
    void SetCounterSource(CounterSource pSource, uint64_t frequency);
    /// When set, the elapsed time is bounded by 0.03 s. Off by default.
    void SetForceElapsedUpperBound(bool force) { m_ForceElapsedUpperBound = force; }

private:
    FrameTimer();
    ~FrameTimer() = default;

    int64_t ReadCounter() const { return static_cast<int64_t>(m_pCounterSource()); }
    float TicksToSeconds(int64_t ticks) const
    {
        return static_cast<float>(static_cast<double>(ticks)) * m_SecondsPerCount;
    }

    static FrameTimer* s_pInstance;

    float m_TotalTime = 0.f;
    float m_ElapsedTime = 0.f;
    float m_SecondsPerCount = 0.f;
    float m_MaxElapsedTime = 0.03f;
    bool m_ForceElapsedUpperBound = false;
    int64_t m_BaseTime = 0;
    int64_t m_PausedTime = 0;
    int64_t m_StopTime = 0;
    int64_t m_PreviousTime = 0;
    int64_t m_CurrentTime = 0;
    bool m_IsStopped = true;
    int m_FPS = 0;
    int m_FPSCount = 0;
    float m_FPSTimer = 0.f;
    CounterSource m_pCounterSource = nullptr;
};
} // namespace Vemox
