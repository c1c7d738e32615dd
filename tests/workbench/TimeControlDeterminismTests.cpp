// The time controls keep the simulation's results: the same simulated steps give the same state hash
// whether they run one per frame, several per frame, in slow motion or as single steps while paused.
#include "app/Car.h"
#include "app/TrafficMonitor.h"
#include "framework/AppFrame/TimeControl.h"
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Vemox;

namespace
{
constexpr float Frame = 1.f / 60.f;
constexpr int Steps = 600; // ten simulated seconds: every car plans, drives, meets lights and cars

// The hash after frames of frameTime, stepped as timeControl says until Steps steps have run.
std::uint64_t HashAfter(TimeControl timeControl, float frameTime, bool recordTrees = false)
{
    std::srand(5);
    HeadlessSimulation simulation({RoadNetwork::DefaultNrOfCars, false, false});
    for (Car* pCar : simulation.GetApp().GetCars())
        dynamic_cast<BehaviorTree&>(*pCar->GetDecisionMaking()).SetRecording(recordTrees);
    for (int steps = 0, frame = 0; steps < Steps; ++frame)
    {
        if (timeControl.IsPaused() && frame % 2 == 0)
            timeControl.RequestSingleStep(); // every other frame: paused frames in between change nothing
        const TimeControl::FramePlan plan = timeControl.PlanFrame(frameTime);
        simulation.Frame(frameTime, plan.nrOfSteps, plan.stepTime);
        steps += plan.nrOfSteps;
    }
    return HashSimulationState(simulation.GetApp());
}
} // namespace

TEST(TimeControlDeterminism, TheSameStepsGiveTheSameStateAtEverySpeed)
{
    const std::uint64_t usual = HashAfter(TimeControl{}, Frame);
    for (const int speedIndex : {3, 4, 5}) // x2, x4, x8: several steps of the frame time per frame
    {
        TimeControl fast;
        fast.SetSpeedIndex(speedIndex);
        EXPECT_EQ(HashAfter(fast, Frame), usual) << "x" << TimeControl::Speeds[speedIndex];
    }
    TimeControl half; // x1/2 over frames of twice the time: the usual steps
    half.Slower();
    EXPECT_EQ(HashAfter(half, 2.f * Frame), usual);
    TimeControl paused; // single steps of 1/60 s, whatever the frame time
    paused.TogglePause();
    EXPECT_EQ(HashAfter(paused, 0.05f), usual);
    // Recording every tree for the inspector changes nothing either.
    EXPECT_EQ(HashAfter(TimeControl{}, Frame, true), usual);
}
