// Route planning: the same routes as the documented search on the documented city for every pair of
// road cells in both light phases, and cheapest, repeatable routes on large generated cities.
#include "app/App_TrafficSimulation.h"
#include "app/City.h"
#include "app/RoutePlanner.h"
#include "headless/HeadlessSimulation.h"
#include "DocumentedAStar.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <memory>
#include <queue>
#include <random>
#include <vector>

using namespace Vemox;

namespace
{
using Nodes = std::vector<int>;

Nodes Indices(const std::vector<GridTerrainNode*>& nodes)
{
    Nodes indices;
    for (const GridTerrainNode* pNode : nodes)
        indices.push_back(pNode->GetIndex());
    return indices;
}

// The documented plan on the documented city: raise the 14 connections, search, put the costs back.
Nodes DocumentedRoute(TrafficGraph& graph, int start, int goal)
{
    constexpr int Raised[][2] = {{80, 100},  {119, 99}, {104, 84}, {84, 85},  {85, 105},
                                 {105, 104}, {109, 89}, {89, 90},  {90, 110}, {110, 109},
                                 {114, 94},  {94, 95},  {95, 115}, {115, 114}};
    std::vector<float> saved;
    for (const auto& pair : Raised)
    {
        saved.push_back(graph.GetConnection(pair[0], pair[1])->GetCost());
        graph.GetConnection(pair[0], pair[1])->SetCost(250.f);
    }
    TestSupport::DocumentedAStar<GridTerrainNode, GraphConnection> search(&graph, Chebyshev);
    const Nodes route = Indices(search.FindPath(graph.GetNode(start), graph.GetNode(goal)));
    for (size_t i = 0; i < saved.size(); ++i)
        graph.GetConnection(Raised[i][0], Raised[i][1])->SetCost(saved[i]);
    return route;
}

// Cheapest costs from start over the graph as it is now, by Dijkstra on a copy of its adjacency.
std::vector<double> CheapestCosts(const TrafficGraph& graph, int start)
{
    std::vector<double> distance(static_cast<size_t>(graph.GetNrOfNodes()),
                                 std::numeric_limits<double>::infinity());
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    distance[static_cast<size_t>(start)] = 0.0;
    queue.push({0.0, start});
    while (!queue.empty())
    {
        const auto [d, node] = queue.top();
        queue.pop();
        if (d > distance[static_cast<size_t>(node)])
            continue;
        for (const GraphConnection* pConnection : graph.GetNodeConnections(node))
        {
            const double candidate = d + pConnection->GetCost();
            if (candidate < distance[static_cast<size_t>(pConnection->GetTo())])
            {
                distance[static_cast<size_t>(pConnection->GetTo())] = candidate;
                queue.push({candidate, pConnection->GetTo()});
            }
        }
    }
    return distance;
}

double RouteCost(const TrafficGraph& graph, const Nodes& route)
{
    double cost = 0.0;
    for (size_t i = 1; i < route.size(); ++i)
    {
        const GraphConnection* pConnection = graph.GetConnection(route[i - 1], route[i]);
        if (pConnection == nullptr)
            return std::numeric_limits<double>::quiet_NaN();
        cost += pConnection->GetCost();
    }
    return cost;
}
} // namespace

TEST(RoutePlanner, DocumentedCityGivesTheDocumentedRouteForEveryPairInBothLightPhases)
{
    HeadlessSimulation simulation({0, false});
    App_TrafficSimulation& app = simulation.GetApp();
    TrafficGraph& graph = *app.GetGraph();
    RoutePlanner& planner = *app.GetRoutePlanner();

    std::vector<int> roadCells;
    for (int node = 0; node < graph.GetNrOfNodes(); ++node)
        if (graph.GetNode(node)->GetTerrainType() != TerrainType::Block)
            roadCells.push_back(node);
    ASSERT_EQ(roadCells.size(), 128u);

    // First phase: the horizontal approaches red. Then run the lights past their switch.
    app.UpdateTrafficLights(0.1f);
    for (int phase = 0; phase < 2; ++phase)
    {
        ASSERT_EQ(app.GetTrafficLights()[0].isRed, phase == 0);
        ASSERT_EQ(graph.GetConnection(83, 84)->GetCost(), phase == 0 ? 0.f : 50.f);
        for (int start : roadCells)
            for (int goal : roadCells)
            {
                const Nodes route = Indices(planner.FindRoute(start, goal, Chebyshev));
                ASSERT_EQ(route, DocumentedRoute(graph, start, goal))
                    << "phase " << phase << ": " << start << " -> " << goal;
            }
        for (int update = 0; update < 100; ++update)
            app.UpdateTrafficLights(0.1f);
    }
}

TEST(RoutePlanner, LargeCityRoutesAreCheapestAndRepeatable)
{
    const City city(CityLayout{40, 20});
    const std::unique_ptr<TrafficGraph> pGraph(city.CreateGraph());
    RoutePlanner planner(pGraph.get(), city.GetPlanningRaise());
    std::mt19937 random(16u);

    // Lights in a random mix of phases, as a running city has them.
    for (const RoadNetwork::LightPlacement& light : city.GetTrafficLights())
        pGraph->GetConnection(light.fromNode, light.toNode)->SetCost(random() % 2 == 0 ? 0.f : 50.f);

    std::vector<int> roadCells;
    for (int node = 0; node < city.GetNrOfNodes(); ++node)
        if (!city.IsBlockCell(node))
            roadCells.push_back(node);
    std::uniform_int_distribution<size_t> anyRoadCell(0, roadCells.size() - 1);

    for (int trial = 0; trial < 12; ++trial)
    {
        const int start = roadCells[anyRoadCell(random)];
        // The reference sees the raise as the planner does.
        for (const RoadNetwork::RaisedConnection& raised : city.GetPlanningRaise())
            pGraph->GetConnection(raised.fromNode, raised.toNode)->SetCost(RoadNetwork::RaisedCost);
        const std::vector<double> cheapest = CheapestCosts(*pGraph, start);
        std::vector<Nodes> routes;
        std::vector<int> goals;
        for (int k = 0; k < 15; ++k)
            goals.push_back(roadCells[anyRoadCell(random)]);
        std::vector<double> costs;
        for (int goal : goals)
        {
            // Planned with the raised costs on, so the route's cost is read under the same costs.
            routes.push_back(Indices(planner.FindRoute(start, goal, Chebyshev)));
            for (const RoadNetwork::RaisedConnection& raised : city.GetPlanningRaise())
                pGraph->GetConnection(raised.fromNode, raised.toNode)->SetCost(RoadNetwork::RaisedCost);
            costs.push_back(RouteCost(*pGraph, routes.back()));
        }
        for (const RoadNetwork::RaisedConnection& raised : city.GetPlanningRaise())
            pGraph->GetConnection(raised.fromNode, raised.toNode)->SetCost(raised.restoreCost);

        for (size_t k = 0; k < goals.size(); ++k)
        {
            SCOPED_TRACE(::testing::Message() << start << " -> " << goals[k]);
            ASSERT_FALSE(routes[k].empty());
            EXPECT_EQ(routes[k].front(), start);
            EXPECT_EQ(routes[k].back(), goals[k]);
            EXPECT_EQ(costs[k], cheapest[static_cast<size_t>(goals[k])]);
            // Planned again after other searches, and by a planner of its own: the same route.
            EXPECT_EQ(Indices(planner.FindRoute(start, goals[k], Chebyshev)), routes[k]);
        }
        RoutePlanner fresh(pGraph.get(), city.GetPlanningRaise());
        EXPECT_EQ(Indices(fresh.FindRoute(start, goals.front(), Chebyshev)), routes.front());
    }
}

TEST(RoutePlanner, RaisedConnectionsCostTheirOwnAgainAfterEveryRoute)
{
    const City city(CityLayout{5, 4});
    const std::unique_ptr<TrafficGraph> pGraph(city.CreateGraph());
    RoutePlanner planner(pGraph.get(), city.GetPlanningRaise());
    planner.FindRoute(city.GetNodeIndex(0, 0), city.GetNodeIndex(24, 19), Chebyshev);
    for (const RoadNetwork::RaisedConnection& raised : city.GetPlanningRaise())
        EXPECT_EQ(pGraph->GetConnection(raised.fromNode, raised.toNode)->GetCost(), raised.restoreCost);
    // A block cell has no way out.
    EXPECT_TRUE(planner.FindRoute(city.GetFirstStartCandidate(), 0, Chebyshev).empty());
}
