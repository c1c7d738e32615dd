// Box2D's profile clock, replaced from outside the library. Box2D 2.4.1 reads the system clock several
// times per island and step only to fill b2World::GetProfile; with every car an island of its own that
// costs about a sixth of the simulation's time, and nothing in the framework reads the profile.
#include "framework/Physics/PhysicsWorld.h"

#include <box2d/b2_timer.h>

#include <chrono>

namespace
{
bool g_IsProfiling = false;

unsigned long long NowMicroseconds()
{
    const auto sinceEpoch = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<unsigned long long>(
        std::chrono::duration_cast<std::chrono::microseconds>(sinceEpoch).count());
}
} // namespace

// The shared library defines b2Timer's three members itself and calls them through its symbol table,
// so the definitions below, linked into the program with the physics world, take their place (the
// dynamic linker searches the program before the library). They give the profile's timings when
// profiling is on and 0 ms otherwise; no simulation result depends on a timing.
b2Timer::b2Timer() : m_start_sec(0), m_start_usec(0)
{
    Reset();
}

void b2Timer::Reset()
{
    if (!g_IsProfiling)
        return;
    const unsigned long long now = NowMicroseconds();
    m_start_sec = now / 1000000ull;
    m_start_usec = now % 1000000ull;
}

float b2Timer::GetMilliseconds() const
{
    if (!g_IsProfiling)
        return 0.f;
    const unsigned long long start = m_start_sec * 1000000ull + m_start_usec;
    const unsigned long long now = NowMicroseconds();
    return now >= start ? static_cast<float>(now - start) * 0.001f : 0.f;
}

namespace Vemox
{
void PhysicsWorld::SetProfiling(bool isProfiling)
{
    g_IsProfiling = isProfiling;
}

bool PhysicsWorld::IsProfiling()
{
    return g_IsProfiling;
}
} // namespace Vemox
