// Frame timer: counter differences are converted to double, then float, and scaled by the seconds
// per tick in float precision.
#include "FrameTimer.h"

#include "framework/VemoxCore/VemoxAssert.h"

#include <SDL.h>

namespace Vemox
{
FrameTimer* FrameTimer::s_pInstance = nullptr;

FrameTimer* FrameTimer::GetInstance()
{
    if (s_pInstance == nullptr)
        s_pInstance = new FrameTimer();
    return s_pInstance;
}

void FrameTimer::DestroyInstance()
{
    delete s_pInstance;
    s_pInstance = nullptr;
}

FrameTimer::FrameTimer()
{
    SetCounterSource(&SDL_GetPerformanceCounter, SDL_GetPerformanceFrequency());
}

void FrameTimer::SetCounterSource(CounterSource pSource, uint64_t frequency)
{
    VEMOX_ASSERT(pSource != nullptr && frequency > 0);
    m_pCounterSource = pSource;
    m_SecondsPerCount = 1.f / static_cast<float>(frequency);
}

void FrameTimer::Start()
{
    const int64_t now = ReadCounter();
    if (!m_IsStopped)
        return;
    // The first Start finds m_StopTime at 0, so the whole counter value up to now counts as
    // paused and the total time starts here.
    m_PausedTime += now - m_StopTime;
    m_PreviousTime = now;
    m_StopTime = 0;
    m_IsStopped = false;
}

void FrameTimer::Update()
{
    if (m_IsStopped)
    {
        m_FPS = 0;
        m_ElapsedTime = 0.f;
        m_TotalTime = TicksToSeconds(m_StopTime - m_PausedTime - m_BaseTime);
        return;
    }

    const int64_t now = ReadCounter();
    m_CurrentTime = now;
    m_ElapsedTime = TicksToSeconds(now - m_PreviousTime);
    m_PreviousTime = now;

    // A counter that steps backwards (e.g. a processor switch on some systems) must not produce a
    // negative frame time.
    if (m_ElapsedTime < 0.f)
        m_ElapsedTime = 0.f;
    if (m_ForceElapsedUpperBound && m_ElapsedTime > m_MaxElapsedTime)
        m_ElapsedTime = m_MaxElapsedTime;

    m_TotalTime = TicksToSeconds(now - m_PausedTime - m_BaseTime);

    ++m_FPSCount;
    m_FPSTimer += m_ElapsedTime;
    if (m_FPSTimer >= 1.f)
    {
        m_FPS = m_FPSCount;
        m_FPSCount = 0;
        m_FPSTimer -= 1.f; // the fraction above one second carries over
    }
}
} // namespace Vemox
