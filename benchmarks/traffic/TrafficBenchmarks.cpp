// Speed of the traffic simulation without a window: one frame of simulation alone (trees, steering,
// lights, physics), and one frame that also builds the panel and the debug geometry the window would draw.
#include "headless/HeadlessSimulation.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
constexpr float FrameTime = 1.f / 60.f;
constexpr int WarmUpFrames = 600; // ten simulated seconds: every car has planned and is under way

void RunFrames(benchmark::State& state, bool draw)
{
    srand(20261207);
    const int nrOfCars = static_cast<int>(state.range(0));
    HeadlessSimulation simulation({nrOfCars, draw, draw});
    for (int i = 0; i < WarmUpFrames; ++i)
        simulation.Step(FrameTime);

    for (auto _ : state)
        simulation.Step(FrameTime);

    state.counters["vehicle_updates_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * nrOfCars), benchmark::Counter::kIsRate);
}

void BM_SimulationFrame(benchmark::State& state)
{
    RunFrames(state, false);
}
void BM_FrameWithDebugGeometry(benchmark::State& state)
{
    RunFrames(state, true);
}
} // namespace

BENCHMARK(BM_SimulationFrame)->Arg(20)->Arg(128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameWithDebugGeometry)->Arg(20)->Arg(128)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
