// Time controls: what each drawn frame runs at every speed, while paused and when stepping once.
#include "framework/AppFrame/TimeControl.h"

#include <gtest/gtest.h>

using namespace Vemox;

TEST(TimeControl, EverySpeedRunsItsStepsAndItsMultipleOfTheFrameTime)
{
    TimeControl timeControl;
    EXPECT_TRUE(timeControl.IsAtDefault());
    timeControl.SetSpeedIndex(-3); // clamped to x1/4
    // x1/4 and x1/2 shorten the one step; x1 is the usual frame; x2 to x8 run several whole frames.
    const int steps[] = {1, 1, 1, 2, 4, 8};
    const float stepTimes[] = {0.005f, 0.01f, 0.02f, 0.02f, 0.02f, 0.02f};
    for (int index = 0; index < TimeControl::NrOfSpeeds; ++index, timeControl.Faster())
    {
        const TimeControl::FramePlan plan = timeControl.PlanFrame(0.02f);
        EXPECT_EQ(plan.nrOfSteps, steps[index]) << "x" << TimeControl::Speeds[index];
        EXPECT_FLOAT_EQ(plan.stepTime, stepTimes[index]) << "x" << TimeControl::Speeds[index];
        EXPECT_FLOAT_EQ(plan.nrOfSteps * plan.stepTime, 0.02f * TimeControl::Speeds[index]);
    }
    EXPECT_EQ(timeControl.GetSpeed(), 8.f); // Faster at the top stays there
}

TEST(TimeControl, PausedFramesRunOnlyTheSingleStepsAskedForOnePerFrame)
{
    TimeControl timeControl;
    timeControl.RequestSingleStep(); // running: ignored
    timeControl.TogglePause();
    EXPECT_EQ(timeControl.PlanFrame(0.3f).nrOfSteps, 0);
    timeControl.RequestSingleStep();
    timeControl.RequestSingleStep();
    for (int frame = 0; frame < 2; ++frame)
    {
        const TimeControl::FramePlan plan = timeControl.PlanFrame(0.3f);
        EXPECT_EQ(plan.nrOfSteps, 1);
        EXPECT_EQ(plan.stepTime, TimeControl::SingleStepTime); // one physics step, whatever the frame time
    }
    EXPECT_EQ(timeControl.PlanFrame(0.3f).nrOfSteps, 0);

    // A step asked for and not taken before resuming does not outlive the pause.
    timeControl.RequestSingleStep();
    timeControl.TogglePause();
    timeControl.TogglePause();
    EXPECT_EQ(timeControl.PlanFrame(0.3f).nrOfSteps, 0);
}
