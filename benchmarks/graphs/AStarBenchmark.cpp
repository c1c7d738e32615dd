// A* on a road grid like the simulation's: 20 x 10 cells of 15 units, a clockwise one-way ring, a
// two-lane middle road and three two-lane cross roads (148 one-way connections), Chebyshev heuristic,
// one AStar built per search as the cars do. Reports the time of one search.
#include "framework/VemoxAI/VemoxGraphs/AStar.h"
#include "framework/VemoxAI/VemoxGraphs/GridGraph.h"

#include <benchmark/benchmark.h>

#include <random>
#include <utility>
#include <vector>

using namespace Vemox;

namespace
{
using RoadGrid = GridGraph<GridTerrainNode, GraphConnection>;

constexpr int Columns = 20;
constexpr int Rows = 10;

void AddRoad(RoadGrid& grid, int firstNode, int step, int nrOfConnections, float cost)
{
    for (int i = 0; i < nrOfConnections; ++i)
    {
        const int from = firstNode + i * step;
        grid.AddConnection(new GraphConnection2D(from, from + step, cost));
    }
}

bool IsBlock(int idx)
{
    // Blocks fill rows and columns 1-3 of every 5 x 5 tile; the roads run along the tile edges.
    const int column = idx % Columns % 5;
    const int row = idx / Columns % 5;
    return column >= 1 && column <= 3 && row >= 1 && row <= 3;
}

RoadGrid* BuildRoadNetwork()
{
    auto* pGrid = new RoadGrid(Columns, Rows, 15, true, false, 1.f, 1.5f);
    AddRoad(*pGrid, 0, Columns, 9, 30.f);    // ring, column 0, up
    AddRoad(*pGrid, 199, -Columns, 9, 30.f); // ring, column 19, down
    AddRoad(*pGrid, 180, 1, 19, 30.f);       // ring, row 9, right
    AddRoad(*pGrid, 19, -1, 19, 30.f);       // ring, row 0, left
    AddRoad(*pGrid, 80, 1, 19, 50.f);        // middle road, row 4, right
    AddRoad(*pGrid, 119, -1, 19, 50.f);      // middle road, row 5, left
    for (const int column : {4, 9, 14})
    {
        AddRoad(*pGrid, 180 + column, -Columns, 9, 50.f); // down lane
        AddRoad(*pGrid, column + 1, Columns, 9, 50.f);    // up lane
    }
    for (int idx = 0; idx < Columns * Rows; ++idx)
    {
        if (IsBlock(idx))
        {
            pGrid->GetNode(idx)->m_Terrain = TerrainType::Block;
        }
    }
    // The horizontal traffic lights start red: their junction entries cost 0.
    for (const auto& [from, to] : {std::pair{83, 84}, {106, 105}, {88, 89}, {111, 110}, {93, 94}, {116, 115}})
    {
        pGrid->GetConnection(from, to)->SetCost(0.f);
    }
    return pGrid;
}

// A fixed set of road-to-road searches, the same on every run.
std::vector<std::pair<int, int>> MakeSearches(const RoadGrid& grid, int count)
{
    std::vector<int> roadNodes;
    for (int idx = 0; idx < grid.GetNrOfNodes(); ++idx)
    {
        if (grid.GetNode(idx)->GetTerrainType() != TerrainType::Block)
        {
            roadNodes.push_back(idx);
        }
    }
    std::mt19937 random(1234u);
    std::uniform_int_distribution<size_t> pick(0, roadNodes.size() - 1);
    std::vector<std::pair<int, int>> searches;
    for (int i = 0; i < count; ++i)
    {
        searches.emplace_back(roadNodes[pick(random)], roadNodes[pick(random)]);
    }
    return searches;
}

void BM_FindPathOnRoadNetwork(benchmark::State& state)
{
    RoadGrid* pGrid = BuildRoadNetwork();
    const std::vector<std::pair<int, int>> searches = MakeSearches(*pGrid, 64);
    size_t next = 0;
    size_t totalPathNodes = 0;
    for (auto _ : state)
    {
        const auto& [start, goal] = searches[next];
        next = (next + 1) % searches.size();
        AStar<GridTerrainNode, GraphConnection> pathfinder(pGrid, Chebyshev);
        const std::vector<GridTerrainNode*> path =
            pathfinder.FindPath(pGrid->GetNode(start), pGrid->GetNode(goal));
        totalPathNodes += path.size();
        benchmark::DoNotOptimize(path.data());
    }
    state.counters["path_nodes"] =
        benchmark::Counter(static_cast<double>(totalPathNodes), benchmark::Counter::kAvgIterations);
    delete pGrid;
}
BENCHMARK(BM_FindPathOnRoadNetwork)->Unit(benchmark::kMicrosecond);

// A long trip: node 1 is entered only from node 2 on the leftward row 0, so the route from its
// neighbour 0 goes up, across and back down through the network.
void BM_FindPathAroundTheRing(benchmark::State& state)
{
    RoadGrid* pGrid = BuildRoadNetwork();
    for (auto _ : state)
    {
        AStar<GridTerrainNode, GraphConnection> pathfinder(pGrid, Chebyshev);
        const std::vector<GridTerrainNode*> path = pathfinder.FindPath(pGrid->GetNode(0), pGrid->GetNode(1));
        benchmark::DoNotOptimize(path.data());
    }
    delete pGrid;
}
BENCHMARK(BM_FindPathAroundTheRing)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
