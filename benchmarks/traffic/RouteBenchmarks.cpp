// Speed of route planning on generated cities: one plan (planning raise, A* search, restore) between
// random road cells, with the lights half red and half green, on the documented city and on large ones.
#include "app/City.h"
#include "app/RoutePlanner.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace
{
void BM_PlanRoute(benchmark::State& state)
{
    const City city(CityLayout{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))});
    const std::unique_ptr<TrafficGraph> pGraph(city.CreateGraph());
    const auto& lights = city.GetTrafficLights();
    for (size_t i = 0; i < lights.size(); ++i)
        pGraph->GetConnection(lights[i].fromNode, lights[i].toNode)
            ->SetCost(lights[i].startsRed ? RoadNetwork::RedCost : RoadNetwork::GreenCost);
    RoutePlanner planner(pGraph.get(), city.GetPlanningRaise());

    std::vector<int> roadCells;
    for (int node = 0; node < city.GetNrOfNodes(); ++node)
        if (!city.IsBlockCell(node))
            roadCells.push_back(node);
    std::mt19937 random(1234u);
    std::uniform_int_distribution<size_t> pick(0, roadCells.size() - 1);
    std::vector<std::pair<int, int>> trips;
    for (int i = 0; i < 256; ++i)
        trips.emplace_back(roadCells[pick(random)], roadCells[pick(random)]);

    size_t next = 0;
    size_t routeNodes = 0;
    for (auto _ : state)
    {
        const auto& [start, goal] = trips[next];
        next = (next + 1) % trips.size();
        const auto& route = planner.FindRoute(start, goal, Vemox::Chebyshev);
        routeNodes += route.size();
        benchmark::DoNotOptimize(route.data());
    }
    state.counters["route_nodes"] =
        benchmark::Counter(static_cast<double>(routeNodes), benchmark::Counter::kAvgIterations);
}
} // namespace

BENCHMARK(BM_PlanRoute)->Args({4, 2})->Args({16, 8})->Args({40, 20})->Unit(benchmark::kMicrosecond);
