// Speed of one simulation step (trees, steering, lights, physics; no drawing) as the city and the number of
// cars grow: 20 and 128 cars in the documented city, 1,000 in a 16x8 city, 5,000 in a 40x20 city, with
// either driver model. The per-car cost is the step's time over its cars. Timing starts after a warm-up
// of simulated seconds: after 10 s every car has planned and is under way, but no safe car has yet planned
// again on its way (every 15 s); after 40 s they do so all the time, as in a long run.
#include "headless/HeadlessSimulation.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace
{
constexpr float StepTime = 1.f / 60.f;

void BM_CityStep(benchmark::State& state)
{
    srand(20261207);
    HeadlessSimulation::Options options;
    options.nrOfCars = static_cast<int>(state.range(0));
    options.city = CityLayout{static_cast<int>(state.range(1)), static_cast<int>(state.range(2))};
    options.driver = state.range(3) == 0 ? DriverModel::Classic : DriverModel::Safe;
    options.drawEachFrame = false;
    options.buildDebugPanel = false;
    HeadlessSimulation simulation(options);
    const int warmUpSteps = static_cast<int>(state.range(4)) * 60;
    for (int i = 0; i < warmUpSteps; ++i)
        simulation.Step(StepTime);

    for (auto _ : state)
        simulation.Step(StepTime);

    // Inverted, the rate is the per-car cost of a step.
    state.counters["car_steps_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * static_cast<double>(options.nrOfCars),
                           benchmark::Counter::kIsRate);
}
} // namespace

// Arguments: cars, blocks across, blocks up, driver (0 classic, 1 safe), warm-up (simulated seconds).
BENCHMARK(BM_CityStep)
    ->ArgNames({"cars", "bx", "by", "safe", "warm_s"})
    ->Args({20, 4, 2, 0, 10})
    ->Args({128, 4, 2, 0, 10})
    ->Args({20, 4, 2, 1, 10})
    ->Args({128, 4, 2, 1, 10})
    ->Args({1000, 16, 8, 1, 10})
    ->Args({5000, 40, 20, 1, 10})
    ->Args({128, 4, 2, 1, 40})
    ->Args({1000, 16, 8, 1, 40})
    ->Args({5000, 40, 20, 1, 40})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
