// Time controls: what each drawn frame runs at every speed, while paused and when stepping once.
#include "framework/AppFrame/TimeControl.h"

#include <gtest/gtest.h>

using namespace Vemox;

namespace
{
constexpr float Frame = 1.f / 60.f;

// Simulated seconds that `frames` frames of frameTime seconds run.
float SimulatedTime(TimeControl& timeControl, int frames, float frameTime)
{
    float total = 0.f;
    for (int i = 0; i < frames; ++i)
    {
        const TimeControl::FramePlan plan = timeControl.PlanFrame(frameTime);
        total += static_cast<float>(plan.nrOfSteps) * plan.stepTime;
    }
    return total;
}
} // namespace

TEST(TimeControl, ByDefaultEveryFrameIsOneStepOfItsOwnTime)
{
    TimeControl timeControl;
    EXPECT_TRUE(timeControl.IsAtDefault());
    for (const float deltaTime : {0.f, 0.004f, Frame, 0.1f, 0.5f})
    {
        const TimeControl::FramePlan plan = timeControl.PlanFrame(deltaTime);
        EXPECT_EQ(plan.nrOfSteps, 1);
        EXPECT_EQ(plan.stepTime, deltaTime);
    }
}

TEST(TimeControl, FasterSpeedsRunSeveralStepsOfTheFrameTime)
{
    TimeControl timeControl;
    for (const int steps : {2, 4, 8})
    {
        timeControl.Faster();
        const TimeControl::FramePlan plan = timeControl.PlanFrame(0.02f);
        EXPECT_EQ(plan.nrOfSteps, steps);
        EXPECT_EQ(plan.stepTime, 0.02f);
    }
    timeControl.Faster(); // x8 is the top
    EXPECT_EQ(timeControl.PlanFrame(0.02f).nrOfSteps, 8);
    EXPECT_FALSE(timeControl.IsAtDefault());
}

TEST(TimeControl, SlowMotionShortensTheOneStep)
{
    TimeControl timeControl;
    timeControl.Slower();
    TimeControl::FramePlan plan = timeControl.PlanFrame(0.02f);
    EXPECT_EQ(plan.nrOfSteps, 1);
    EXPECT_FLOAT_EQ(plan.stepTime, 0.01f);
    timeControl.Slower();
    timeControl.Slower(); // x1/4 is the bottom
    plan = timeControl.PlanFrame(0.02f);
    EXPECT_EQ(plan.nrOfSteps, 1);
    EXPECT_FLOAT_EQ(plan.stepTime, 0.005f);
}

TEST(TimeControl, EverySpeedRunsItsMultipleOfTheWallTime)
{
    for (int index = 0; index < TimeControl::NrOfSpeeds; ++index)
    {
        TimeControl timeControl;
        timeControl.SetSpeedIndex(index);
        EXPECT_NEAR(SimulatedTime(timeControl, 120, Frame), TimeControl::Speeds[index] * 2.f, 1e-4f)
            << "speed x" << TimeControl::Speeds[index];
    }
}

TEST(TimeControl, PausedFramesRunNothingUntilASingleStepIsAsked)
{
    TimeControl timeControl;
    timeControl.SetSpeedIndex(5); // the speed does not matter while paused
    timeControl.TogglePause();
    EXPECT_EQ(timeControl.PlanFrame(0.3f).nrOfSteps, 0);

    timeControl.RequestSingleStep();
    timeControl.RequestSingleStep();
    for (int frame = 0; frame < 2; ++frame)
    {
        // One physics step each, whatever the frame time, one per frame.
        const TimeControl::FramePlan plan = timeControl.PlanFrame(0.3f);
        EXPECT_EQ(plan.nrOfSteps, 1);
        EXPECT_EQ(plan.stepTime, TimeControl::SingleStepTime);
    }
    EXPECT_EQ(timeControl.PlanFrame(0.3f).nrOfSteps, 0);
}

TEST(TimeControl, StepsAreAskedOnlyWhilePausedAndDoNotOutliveThePause)
{
    TimeControl timeControl;
    timeControl.RequestSingleStep(); // running: ignored
    timeControl.TogglePause();
    EXPECT_EQ(timeControl.GetPendingSingleSteps(), 0);
    timeControl.RequestSingleStep();
    timeControl.TogglePause(); // resumed before the step was taken
    timeControl.TogglePause();
    EXPECT_EQ(timeControl.PlanFrame(Frame).nrOfSteps, 0);
}

TEST(TimeControl, SpeedIndicesAreClampedToTheTable)
{
    TimeControl timeControl;
    timeControl.SetSpeedIndex(-3);
    EXPECT_EQ(timeControl.GetSpeed(), 0.25f);
    timeControl.SetSpeedIndex(99);
    EXPECT_EQ(timeControl.GetSpeed(), 8.f);
}
