// Speed of the traffic simulation without a window: one frame of simulation alone (trees, steering,
// lights, physics) at several car counts, one frame that also builds the panel and the debug geometry the
// window would draw, and the vision of every car through the grid of cars against the scan of all pairs.
#include "app/App_TrafficSimulation.h"
#include "app/CarBehavior.h"
#include "app/CarGrid.h"
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

// Every car's nearest car in sight, once per iteration, on the scene after the warm-up.
void RunVision(benchmark::State& state, bool useGrid)
{
    srand(20261207);
    const int nrOfCars = static_cast<int>(state.range(0));
    HeadlessSimulation simulation({nrOfCars, false, false});
    for (int i = 0; i < WarmUpFrames; ++i)
        simulation.Step(FrameTime);
    const std::vector<Car*>& cars = simulation.GetApp().GetCars();
    const TrafficGraph* pGraph = simulation.GetApp().GetGraph();
    CarGrid grid(pGraph->GetNrOfColumns(), pGraph->GetNrOfRows(), static_cast<float>(pGraph->GetCellSize()));

    for (auto _ : state)
    {
        if (useGrid)
            grid.Rebuild(cars); // part of the cost: the application rebuilds it every step
        for (const Car* pCar : cars)
            benchmark::DoNotOptimize(useGrid ? CarBehavior::FindCarInSight(pCar, cars, grid)
                                             : CarBehavior::FindCarInSight(pCar, cars));
    }
}
void BM_VisionThroughTheGrid(benchmark::State& state)
{
    RunVision(state, true);
}
void BM_VisionOverAllPairs(benchmark::State& state)
{
    RunVision(state, false);
}
} // namespace

BENCHMARK(BM_SimulationFrame)->Arg(1)->Arg(20)->Arg(64)->Arg(128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameWithDebugGeometry)->Arg(20)->Arg(128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VisionThroughTheGrid)->Arg(20)->Arg(64)->Arg(128)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_VisionOverAllPairs)->Arg(20)->Arg(64)->Arg(128)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
