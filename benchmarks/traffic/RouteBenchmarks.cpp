// Speed of route planning on generated cities: one plan (planning raise, A* search, restore) between
// random road cells, with the lights half red and half green, on the documented city and on large ones;
// and one search at the same costs estimated by the cells' distance or by landmark bounds.
#include "app/City.h"
#include "app/RoutePlanner.h"
#include "framework/VemoxAI/VemoxGraphs/AStar.h"
#include "framework/VemoxAI/VemoxGraphs/LandmarkBounds.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace
{
/// 256 trips between road cells drawn at random, the same for every run.
std::vector<std::pair<int, int>> RandomTrips(const City& city)
{
    std::vector<int> roadCells;
    for (int node = 0; node < city.GetNrOfNodes(); ++node)
        if (!city.IsBlockCell(node))
            roadCells.push_back(node);
    std::mt19937 random(1234u);
    std::uniform_int_distribution<size_t> pick(0, roadCells.size() - 1);
    std::vector<std::pair<int, int>> trips;
    for (int i = 0; i < 256; ++i)
        trips.emplace_back(roadCells[pick(random)], roadCells[pick(random)]);
    return trips;
}

void BM_PlanRoute(benchmark::State& state)
{
    const City city(CityLayout{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))});
    const std::unique_ptr<TrafficGraph> pGraph(city.CreateGraph());
    const auto& lights = city.GetTrafficLights();
    for (size_t i = 0; i < lights.size(); ++i)
        pGraph->GetConnection(lights[i].fromNode, lights[i].toNode)
            ->SetCost(lights[i].startsRed ? RoadNetwork::RedCost : RoadNetwork::GreenCost);
    RoutePlanner planner(pGraph.get(), city.GetPlanningRaise());

    const std::vector<std::pair<int, int>> trips = RandomTrips(city);

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

/// One search at the planning costs held in the graph (the raise set, the lights half red), estimated
/// either by the cells' distance (Chebyshev, as the cars plan) or by landmark bounds computed at the
/// lowest costs (every light red); "turns" counts the changes of direction along a route.
void PlanAtRaisedCosts(benchmark::State& state, bool withLandmarks)
{
    const City city(CityLayout{static_cast<int>(state.range(0)), static_cast<int>(state.range(1))});
    const std::unique_ptr<TrafficGraph> pGraph(city.CreateGraph());
    for (const RoadNetwork::RaisedConnection& raised : city.GetPlanningRaise())
        pGraph->GetConnection(raised.fromNode, raised.toNode)->SetCost(RoadNetwork::RaisedCost);
    Vemox::ConnectionIndex<Vemox::GridTerrainNode, Vemox::GraphConnection> index;
    index.Update(*pGraph);
    std::vector<float> lowestCosts(index.GetNrOfEdges());
    for (int node = 0; node < index.GetNrOfNodes(); ++node)
        for (auto pEdge = index.BeginOf(node); pEdge != index.EndOf(node); ++pEdge)
            lowestCosts[index.IndexOf(pEdge)] = pEdge->pConnection->GetCost();
    for (const RoadNetwork::LightPlacement& light : city.GetTrafficLights())
    {
        Vemox::GraphConnection* pConnection = pGraph->GetConnection(light.fromNode, light.toNode);
        pConnection->SetCost(light.startsRed ? RoadNetwork::RedCost : RoadNetwork::GreenCost);
        for (auto pEdge = index.BeginOf(light.fromNode); pEdge != index.EndOf(light.fromNode); ++pEdge)
            if (pEdge->pConnection == pConnection)
                lowestCosts[index.IndexOf(pEdge)] = RoadNetwork::RedCost;
    }
    Vemox::LandmarkBounds bounds;
    bounds.Compute(index, lowestCosts, city.GetNrOfColumns());
    Vemox::AStar<Vemox::GridTerrainNode, Vemox::GraphConnection> search(pGraph.get(), Vemox::Chebyshev);
    std::vector<Vemox::GridTerrainNode*> route;

    const std::vector<std::pair<int, int>> trips = RandomTrips(city);

    const auto graphCost = [](const Vemox::GraphConnection* pConnection, int, size_t)
    { return pConnection->GetCost(); };
    size_t next = 0;
    size_t turns = 0;
    for (auto _ : state)
    {
        const auto& [start, goal] = trips[next];
        next = (next + 1) % trips.size();
        if (withLandmarks)
            search.FindPathEstimated(pGraph->GetNode(start), pGraph->GetNode(goal), route, graphCost,
                                     bounds.To(goal));
        else
            search.FindPath(pGraph->GetNode(start), pGraph->GetNode(goal), route, graphCost);
        benchmark::DoNotOptimize(route.data());
        for (size_t i = 2; i < route.size(); ++i)
            if (route[i]->GetIndex() - route[i - 1]->GetIndex() !=
                route[i - 1]->GetIndex() - route[i - 2]->GetIndex())
                ++turns;
    }
    state.counters["turns"] =
        benchmark::Counter(static_cast<double>(turns), benchmark::Counter::kAvgIterations);
}

void BM_PlanRouteByDistance(benchmark::State& state)
{
    PlanAtRaisedCosts(state, false);
}
void BM_PlanRouteByLandmarks(benchmark::State& state)
{
    PlanAtRaisedCosts(state, true);
}
} // namespace

BENCHMARK(BM_PlanRoute)->Args({4, 2})->Args({16, 8})->Args({40, 20})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlanRouteByDistance)->Args({4, 2})->Args({16, 8})->Args({40, 20})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlanRouteByLandmarks)
    ->Args({4, 2})
    ->Args({16, 8})
    ->Args({40, 20})
    ->Unit(benchmark::kMicrosecond);
