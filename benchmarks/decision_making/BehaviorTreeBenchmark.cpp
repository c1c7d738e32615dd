// One update of a behaviour tree shaped like a car's (a selector over three sequences and an action,
// twelve nodes) with leaves that only read a counter: the tree's own cost, with and without the record
// of each node's status that an observer reads.
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace Vemox;

namespace
{
// Leaves as cheap as possible, so that the tree's own bookkeeping dominates. The step counter makes the
// branches change from update to update, as a car's do: mostly the last branch, now and then the others.
int g_Step = 0;
bool Every(int period)
{
    return g_Step % period == 0;
}
bool Arrived(Blackboard*)
{
    return Every(97);
}
bool ReachedPoint(Blackboard*)
{
    return Every(13);
}
bool CarInSight(Blackboard*)
{
    return Every(5);
}
BehaviorState Act(Blackboard*)
{
    return BehaviorState::Success;
}

std::unique_ptr<BehaviorTree> MakeCarShapedTree()
{
    return std::make_unique<BehaviorTree>(
        new Blackboard,
        new BehaviorSelector({
            new BehaviorSequence(
                {new BehaviorConditional(Arrived), new BehaviorAction(Act), new BehaviorAction(Act)}),
            new BehaviorSequence({new BehaviorConditional(ReachedPoint), new BehaviorAction(Act)}),
            new BehaviorSequence({new BehaviorConditional(CarInSight), new BehaviorAction(Act)}),
            new BehaviorAction(Act),
        }));
}

void RunUpdates(benchmark::State& state, bool isRecording)
{
    const std::unique_ptr<BehaviorTree> pTree = MakeCarShapedTree();
    pTree->SetRecording(isRecording);
    for (auto _ : state)
    {
        ++g_Step;
        pTree->Update(0.f);
        benchmark::DoNotOptimize(pTree->GetCurrentState());
    }
}

void BM_CarShapedTreeUpdate(benchmark::State& state)
{
    RunUpdates(state, false);
}
void BM_CarShapedTreeUpdateRecorded(benchmark::State& state)
{
    RunUpdates(state, true);
}
} // namespace

BENCHMARK(BM_CarShapedTreeUpdate);
BENCHMARK(BM_CarShapedTreeUpdateRecorded);

BENCHMARK_MAIN();
