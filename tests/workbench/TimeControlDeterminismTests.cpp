// The time controls keep the simulation's results: the state hash after the same simulated steps is
// the same whether they run one per frame, several per frame, in slow motion or as single steps.
#include "app/Car.h"
#include "app/TrafficMonitor.h"
#include "framework/AppFrame/TimeControl.h"
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>

using namespace Vemox;

namespace
{
constexpr float Frame = 1.f / 60.f;
constexpr int Steps = 600; // ten simulated seconds: every car plans, drives, meets lights and cars
constexpr unsigned int Seed = 5;

std::uint64_t HashAfter(const std::function<void(HeadlessSimulation&)>& run)
{
    std::srand(Seed);
    HeadlessSimulation::Options options;
    options.drawEachFrame = false;
    options.buildDebugPanel = false;
    HeadlessSimulation simulation(options);
    run(simulation);
    return HashSimulationState(simulation.GetApp());
}

// Frames of frameTime as the window program runs them under the time controls.
void RunFrames(HeadlessSimulation& simulation, TimeControl& timeControl, int frames, float frameTime)
{
    for (int i = 0; i < frames; ++i)
    {
        const TimeControl::FramePlan plan = timeControl.PlanFrame(frameTime);
        simulation.Frame(frameTime, plan.nrOfSteps, plan.stepTime);
    }
}

std::uint64_t UsualFrames()
{
    return HashAfter(
        [](HeadlessSimulation& simulation)
        {
            for (int i = 0; i < Steps; ++i)
                simulation.Step(Frame);
        });
}
} // namespace

TEST(TimeControlDeterminism, SeveralStepsPerFrameGiveTheStateOfAsManyFrames)
{
    const std::uint64_t expected = UsualFrames();
    for (const int speedIndex : {3, 4, 5}) // x2, x4, x8
    {
        const std::uint64_t fast = HashAfter(
            [speedIndex](HeadlessSimulation& simulation)
            {
                TimeControl timeControl;
                timeControl.SetSpeedIndex(speedIndex);
                const int stepsPerFrame = static_cast<int>(timeControl.GetSpeed());
                RunFrames(simulation, timeControl, Steps / stepsPerFrame, Frame);
            });
        EXPECT_EQ(fast, expected) << "speed x" << TimeControl::Speeds[speedIndex];
    }
}

TEST(TimeControlDeterminism, HalfSpeedOverFramesOfTwiceTheTimeGivesTheUsualSteps)
{
    const std::uint64_t slow = HashAfter(
        [](HeadlessSimulation& simulation)
        {
            TimeControl timeControl;
            timeControl.Slower();
            RunFrames(simulation, timeControl, Steps, 2.f * Frame);
        });
    EXPECT_EQ(slow, UsualFrames());
}

TEST(TimeControlDeterminism, SingleStepsWhilePausedAreUsualStepsWhateverTheFrameTime)
{
    const std::uint64_t stepped = HashAfter(
        [](HeadlessSimulation& simulation)
        {
            TimeControl timeControl;
            timeControl.TogglePause();
            for (int i = 0; i < Steps; ++i)
            {
                // Paused frames in between change nothing.
                RunFrames(simulation, timeControl, 2, 0.05f);
                timeControl.RequestSingleStep();
                RunFrames(simulation, timeControl, 1, 0.05f);
            }
        });
    EXPECT_EQ(stepped, UsualFrames());
}

TEST(TimeControlDeterminism, RecordingEveryCarsTreeChangesNothing)
{
    const std::uint64_t recorded = HashAfter(
        [](HeadlessSimulation& simulation)
        {
            for (Car* pCar : simulation.GetApp().GetCars())
                dynamic_cast<BehaviorTree&>(*pCar->GetDecisionMaking()).SetRecording(true);
            for (int i = 0; i < Steps; ++i)
                simulation.Step(Frame);
        });
    EXPECT_EQ(recorded, UsualFrames());
}
