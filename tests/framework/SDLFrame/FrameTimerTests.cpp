// FrameTimer driven through its counter seam: the test sets the counter value before every update.
#include "framework/VemoxRendering/SDLIntegration/SDLFrame/FrameTimer.h"

#include <gtest/gtest.h>

#include <cstdint>

using Vemox::FrameTimer;

namespace
{
uint64_t g_Counter = 0;
uint64_t ReadTestCounter()
{
    return g_Counter;
}

// A power-of-two frequency makes tick-to-second scaling exact in float, so the roll-over cases can be
// checked without tolerances.
constexpr uint64_t Frequency = 1024;

class FrameTimerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        g_Counter = 100000; // the counter does not start at 0 on a real machine either
        m_pTimer = FrameTimer::GetInstance();
        m_pTimer->SetCounterSource(&ReadTestCounter, Frequency);
    }
    void TearDown() override { FrameTimer::DestroyInstance(); }

    void UpdateAfter(int64_t ticks)
    {
        g_Counter = static_cast<uint64_t>(static_cast<int64_t>(g_Counter) + ticks);
        m_pTimer->Update();
    }

    FrameTimer* m_pTimer = nullptr;
};

TEST_F(FrameTimerTest, UpdateBeforeStartReportsNothingAndTotalCountsFromStart)
{
    UpdateAfter(512);
    EXPECT_EQ(m_pTimer->GetElapsed(), 0.f);
    EXPECT_EQ(m_pTimer->GetFPS(), 0);
    EXPECT_EQ(m_pTimer->GetTotal(), 0.f);

    m_pTimer->Start();
    UpdateAfter(512);
    EXPECT_EQ(m_pTimer->GetElapsed(), 0.5f);
    EXPECT_EQ(m_pTimer->GetTotal(), 0.5f);
    UpdateAfter(256);
    EXPECT_EQ(m_pTimer->GetElapsed(), 0.25f);
    EXPECT_EQ(m_pTimer->GetTotal(), 0.75f);
}

TEST_F(FrameTimerTest, SecondStartDoesNotRestartTiming)
{
    m_pTimer->Start();
    g_Counter += 300;
    m_pTimer->Start();
    UpdateAfter(212);
    EXPECT_EQ(m_pTimer->GetElapsed(), 0.5f);
    EXPECT_EQ(m_pTimer->GetTotal(), 0.5f);
}

TEST(FrameTimerMilliseconds, SixteenMillisecondFrameAndUpperBound)
{
    g_Counter = 7;
    FrameTimer* pTimer = FrameTimer::GetInstance();
    pTimer->SetCounterSource(&ReadTestCounter, 1000);
    pTimer->Start();

    g_Counter += 16;
    pTimer->Update();
    EXPECT_NEAR(pTimer->GetElapsed(), 0.016f, 1e-6f);

    g_Counter += 50; // unbounded by default
    pTimer->Update();
    EXPECT_NEAR(pTimer->GetElapsed(), 0.05f, 1e-6f);

    pTimer->SetForceElapsedUpperBound(true);
    g_Counter += 50;
    pTimer->Update();
    EXPECT_EQ(pTimer->GetElapsed(), 0.03f);
    g_Counter += 20; // under the bound: untouched
    pTimer->Update();
    EXPECT_NEAR(pTimer->GetElapsed(), 0.02f, 1e-6f);
    // The bound limits the frame time only; the total follows the counter.
    EXPECT_NEAR(pTimer->GetTotal(), 0.136f, 1e-6f);
    FrameTimer::DestroyInstance();
}

TEST_F(FrameTimerTest, CounterRunningBackwardsGivesZeroFrameAndDoesNotAdvanceFPSTimer)
{
    m_pTimer->Start();
    UpdateAfter(256);
    UpdateAfter(256);
    UpdateAfter(256);
    // One second backwards: taken at face value (or as a magnitude) it would roll the FPS timer.
    UpdateAfter(-1024);
    EXPECT_EQ(m_pTimer->GetElapsed(), 0.f);
    EXPECT_EQ(m_pTimer->GetFPS(), 0);

    // The next frame is measured from the backwards reading, and the frame with zero time still counts.
    UpdateAfter(256);
    EXPECT_EQ(m_pTimer->GetElapsed(), 0.25f);
    EXPECT_EQ(m_pTimer->GetFPS(), 5);
}

TEST_F(FrameTimerTest, FPSRollsOverAfterFourQuarterSeconds)
{
    m_pTimer->Start();
    for (int i = 0; i < 3; ++i)
    {
        UpdateAfter(256);
        EXPECT_EQ(m_pTimer->GetFPS(), 0) << "update " << i + 1;
    }
    UpdateAfter(256);
    EXPECT_EQ(m_pTimer->GetFPS(), 4);

    // Count and timer restarted at 0: the next second again counts four frames, and only on its
    // fourth update.
    for (int i = 0; i < 3; ++i)
    {
        UpdateAfter(256);
        EXPECT_EQ(m_pTimer->GetFPS(), 4) << "update " << i + 5;
    }
    UpdateAfter(256);
    EXPECT_EQ(m_pTimer->GetFPS(), 4);
    EXPECT_EQ(m_pTimer->GetTotal(), 2.f);
}

TEST_F(FrameTimerTest, FractionAboveOneSecondCarriesOver)
{
    m_pTimer->Start();
    const int expectedFPS[] = {0, 0, 3, 3, 3, 3, 3, 2}; // 0.375 s frames; the timer keeps its remainder
    for (int i = 0; i < 8; ++i)
    {
        UpdateAfter(384);
        EXPECT_EQ(m_pTimer->GetFPS(), expectedFPS[i]) << "update " << i + 1;
    }
}
} // namespace
