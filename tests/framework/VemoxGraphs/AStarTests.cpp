// AStar: the documented tie-breaks on hand-built graphs, reopened closed nodes, termination on
// degenerate graphs, property checks against an independent Dijkstra on random graphs (also with landmark
// bounds as the estimate), the documented search's exact paths on random graphs full of ties, and storage
// reused from search to search.
#include "framework/VemoxAI/VemoxGraphs/AStar.h"
#include "framework/VemoxAI/VemoxGraphs/GridGraph.h"
#include "framework/VemoxAI/VemoxGraphs/LandmarkBounds.h"
#include "DocumentedAStar.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <queue>
#include <random>
#include <vector>

using namespace Vemox;

namespace
{
using Grid = GridGraph<GridTerrainNode, GraphConnection>;
using Pathfinder = AStar<GridTerrainNode, GraphConnection>;

float Zero(float, float)
{
    return 0.f;
}

// Distinguishes the two arguments, so that swapping them shows.
float TenTimesDxPlusDy(float dx, float dy)
{
    return 10.f * dx + dy;
}

// Per-node estimates for graphs laid out on one row with the goal in the last column: the heuristic sees
// the goal's column distance and looks the estimate up here. Lets a test pick an inconsistent heuristic.
std::vector<float> g_EstimateByDistance;
float TableHeuristic(float dx, float)
{
    return g_EstimateByDistance.at(static_cast<size_t>(dx));
}

// A directed graph of n nodes on one row; connections are added by the test.
Grid MakeRow(int nrOfNodes)
{
    return Grid(nrOfNodes, 1, 1, true);
}

void Connect(Grid& graph, int from, int to, float cost)
{
    graph.AddConnection(new GraphConnection(from, to, cost));
}

// Searches through a read-only graph: the pathfinder never changes what it searches.
std::vector<int> FindPathIndices(const Grid& graph, int start, int goal, Heuristic heuristic = Zero)
{
    Pathfinder pathfinder(&graph, heuristic);
    std::vector<int> indices;
    for (const GridTerrainNode* pNode : pathfinder.FindPath(graph.GetNode(start), graph.GetNode(goal)))
    {
        indices.push_back(pNode->GetIndex());
    }
    return indices;
}

using Path = std::vector<int>;
} // namespace

TEST(AStarHeuristic, ChebyshevIsTheLargerDifference)
{
    EXPECT_EQ(Chebyshev(3.f, 1.f), 3.f);
    EXPECT_EQ(Chebyshev(1.f, 4.f), 4.f);
    EXPECT_EQ(Chebyshev(2.f, 2.f), 2.f);
    EXPECT_EQ(Chebyshev(0.f, 0.f), 0.f);
}

TEST(AStarHeuristic, CostUsesAbsoluteColumnAndRowDifferencesHorizontalFirst)
{
    Grid grid(20, 10, 15, true);
    const int a = 1 * 20 + 3; // column 3, row 1
    const int b = 2 * 20 + 7; // column 7, row 2
    EXPECT_EQ(Pathfinder(&grid, Chebyshev).GetHeuristicCost(grid.GetNode(a), grid.GetNode(b)), 4.f);
    EXPECT_EQ(Pathfinder(&grid, TenTimesDxPlusDy).GetHeuristicCost(grid.GetNode(a), grid.GetNode(b)), 41.f);
    EXPECT_EQ(Pathfinder(&grid, TenTimesDxPlusDy).GetHeuristicCost(grid.GetNode(b), grid.GetNode(a)), 41.f);
}

TEST(AStarTieBreaks, StartEqualsGoalGivesTheStartAlone)
{
    Grid graph = MakeRow(3);
    Connect(graph, 0, 1, 1.f);
    EXPECT_EQ(FindPathIndices(graph, 1, 1), Path{1});
    EXPECT_EQ(FindPathIndices(graph, 0, 0, Chebyshev), Path{0});
}

TEST(AStarTieBreaks, EqualCostRoutesKeepTheFirstPredecessor)
{
    // 0 -> {1, 2} -> 3 with all costs 1: whichever neighbour was connected first reaches 3 first.
    Grid viaOne = MakeRow(4);
    Connect(viaOne, 0, 1, 1.f);
    Connect(viaOne, 0, 2, 1.f);
    Connect(viaOne, 1, 3, 1.f);
    Connect(viaOne, 2, 3, 1.f);
    EXPECT_EQ(FindPathIndices(viaOne, 0, 3), (Path{0, 1, 3}));

    Grid viaTwo = MakeRow(4);
    Connect(viaTwo, 0, 2, 1.f);
    Connect(viaTwo, 0, 1, 1.f);
    Connect(viaTwo, 1, 3, 1.f);
    Connect(viaTwo, 2, 3, 1.f);
    EXPECT_EQ(FindPathIndices(viaTwo, 0, 3), (Path{0, 2, 3}));
}

TEST(AStarTieBreaks, EqualEstimatesGoToTheEarliestOpenRecord)
{
    // 0 -> 1 (cost 2) and 0 -> 2 (cost 1) -> 3 (cost 1): nodes 1 and 3 both wait with estimate 2, node 1
    // was opened first and is expanded first, so its equally cheap route to the goal 4 wins.
    Grid graph = MakeRow(5);
    Connect(graph, 0, 1, 2.f);
    Connect(graph, 0, 2, 1.f);
    Connect(graph, 2, 3, 1.f);
    Connect(graph, 3, 4, 1.f);
    Connect(graph, 1, 4, 1.f);
    EXPECT_EQ(FindPathIndices(graph, 0, 4), (Path{0, 1, 4}));
}

TEST(AStarTieBreaks, CheaperLaterRouteReplacesTheOpenRecord)
{
    Grid graph = MakeRow(4);
    Connect(graph, 0, 3, 10.f); // found first, expensive
    Connect(graph, 0, 1, 1.f);
    Connect(graph, 1, 3, 1.f);
    EXPECT_EQ(FindPathIndices(graph, 0, 3), (Path{0, 1, 3}));
}

TEST(AStarTieBreaks, GoalIsTestedWhenSelectedNotWhenGenerated)
{
    // The goal is generated at cost 10 from the start before the cheaper route through 1 is known.
    Grid graph = MakeRow(3);
    Connect(graph, 0, 2, 10.f);
    Connect(graph, 0, 1, 1.f);
    Connect(graph, 1, 2, 1.f);
    EXPECT_EQ(FindPathIndices(graph, 0, 2), (Path{0, 1, 2}));
}

TEST(AStarReachability, GoalWithoutIncomingConnectionIsUnreachable)
{
    Grid graph = MakeRow(3);
    Connect(graph, 0, 1, 1.f);
    Connect(graph, 2, 1, 1.f);
    EXPECT_TRUE(FindPathIndices(graph, 0, 2).empty());
    EXPECT_TRUE(FindPathIndices(graph, 0, 2, Chebyshev).empty());
}

TEST(AStarReachability, OneWayChainIsFollowedOnlyForwards)
{
    Grid graph = MakeRow(3);
    Connect(graph, 0, 1, 30.f);
    Connect(graph, 1, 2, 30.f);
    EXPECT_EQ(FindPathIndices(graph, 0, 2), (Path{0, 1, 2}));
    EXPECT_TRUE(FindPathIndices(graph, 2, 0).empty());
    EXPECT_EQ(FindPathIndices(graph, 0, 2, Chebyshev), (Path{0, 1, 2}));
    EXPECT_TRUE(FindPathIndices(graph, 2, 0, Chebyshev).empty());
}

TEST(AStarReachability, CostChangedBetweenSearchesIsUsedByTheNextSearch)
{
    Grid graph = MakeRow(3);
    Connect(graph, 0, 2, 50.f);
    Connect(graph, 0, 1, 30.f);
    Connect(graph, 1, 2, 30.f);
    EXPECT_EQ(FindPathIndices(graph, 0, 2), (Path{0, 2}));
    graph.GetConnection(0, 2)->SetCost(250.f);
    EXPECT_EQ(FindPathIndices(graph, 0, 2), (Path{0, 1, 2}));
    graph.GetConnection(0, 2)->SetCost(50.f);
    EXPECT_EQ(FindPathIndices(graph, 0, 2), (Path{0, 2}));
    EXPECT_EQ(graph.GetConnection(0, 1)->GetCost(), 30.f); // the search reads costs, never writes them
}

TEST(AStarReopening, ClosedNodeReachedMoreCheaplyTakesTheNewPredecessor)
{
    // Nodes S=0, A=1, C=2, G=3. The estimate of C (1) exceeds the cost C -> A (0) plus A's estimate (0),
    // so A is closed at cost 1 via S before C reaches it at cost 0; A is reopened and its cheaper
    // route to the goal replaces the open goal record.
    Grid graph = MakeRow(4);
    Connect(graph, 0, 1, 1.f);
    Connect(graph, 0, 2, 0.f);
    Connect(graph, 2, 1, 0.f);
    Connect(graph, 1, 3, 5.f);
    g_EstimateByDistance = {/*G*/ 0.f, /*C*/ 1.f, /*A*/ 0.f, /*S*/ 3.f};
    EXPECT_EQ(FindPathIndices(graph, 0, 3, TableHeuristic), (Path{0, 2, 1, 3}));
}

TEST(AStarReopening, PredecessorWaitingInTheOpenListIsFollowed)
{
    // S=0, A=1, G=2 with a negative cycle S -> A -> S. A is closed, reopens S at cost -6, S reopens A at
    // cost -8; the goal, generated from the first record of A, is selected while A's new record is still
    // open. Reconstruction must find A in the open list and continue to the start.
    Grid graph = MakeRow(3);
    Connect(graph, 0, 1, -2.f);
    Connect(graph, 1, 2, 4.f);
    Connect(graph, 1, 0, -4.f);
    g_EstimateByDistance = {/*G*/ 10.f, /*A*/ 29.f, /*S*/ 11.f};
    EXPECT_EQ(FindPathIndices(graph, 0, 2, TableHeuristic), (Path{0, 1, 2}));
}

TEST(AStarReopening, PredecessorCycleEndsWithAnEmptyPath)
{
    // S=0, A=1, B=2, G=3. B reopens A over the negative connection B -> A; A's new record points back
    // to B, whose record points to A: the chain from the goal cycles and never reaches the start.
    Grid graph = MakeRow(4);
    Connect(graph, 0, 1, 1.f);
    Connect(graph, 1, 2, 1.f);
    Connect(graph, 2, 1, -5.f);
    Connect(graph, 2, 3, 10.f);
    g_EstimateByDistance = {/*G*/ 0.f, /*B*/ 0.f, /*A*/ 20.f, /*S*/ 0.f};
    EXPECT_TRUE(FindPathIndices(graph, 0, 3, TableHeuristic).empty());
}

namespace
{
struct RandomGraphCase
{
    int nrOfNodes;
    std::vector<GraphConnection> connections; // (from, to, cost), in insertion order
};

// Cheapest costs from start by Dijkstra over an adjacency built from the case itself, not from the graph.
std::vector<double> Dijkstra(const RandomGraphCase& graphCase, int start)
{
    const double unreached = std::numeric_limits<double>::infinity();
    std::vector<std::vector<const GraphConnection*>> outgoing(graphCase.nrOfNodes);
    for (const GraphConnection& connection : graphCase.connections)
    {
        outgoing[connection.GetFrom()].push_back(&connection);
    }
    std::vector<double> distance(graphCase.nrOfNodes, unreached);
    using Entry = std::pair<double, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue;
    distance[start] = 0.0;
    queue.push({0.0, start});
    while (!queue.empty())
    {
        const auto [d, node] = queue.top();
        queue.pop();
        if (d > distance[node])
        {
            continue;
        }
        for (const GraphConnection* pConnection : outgoing[node])
        {
            const double candidate = d + pConnection->GetCost();
            if (candidate < distance[pConnection->GetTo()])
            {
                distance[pConnection->GetTo()] = candidate;
                queue.push({candidate, pConnection->GetTo()});
            }
        }
    }
    return distance;
}

// Adds up to three random connections per node, at whole costs of 0 to 9 plus raise(from, to), to both
// the graph and its case.
template <class Raise>
void AddRandomConnections(std::mt19937& random, Grid& graph, RandomGraphCase& graphCase, const Raise& raise)
{
    const int nrOfConnections = std::uniform_int_distribution<int>(0, graphCase.nrOfNodes * 3)(random);
    std::uniform_int_distribution<int> anyNode(0, graphCase.nrOfNodes - 1);
    std::uniform_int_distribution<int> anyCost(0, 9);
    for (int i = 0; i < nrOfConnections; ++i)
    {
        const int from = anyNode(random);
        const int to = anyNode(random);
        if (from == to || !graph.IsUniqueConnection(from, to))
        {
            continue;
        }
        const float cost = static_cast<float>(anyCost(random)) + raise(from, to);
        graphCase.connections.emplace_back(from, to, cost);
        graph.AddConnection(new GraphConnection(from, to, cost));
    }
}

// Checks that path is a chain of existing connections from start to goal and returns its total cost.
double CheckedPathCost(Grid& graph, const std::vector<GridTerrainNode*>& path, int start, int goal)
{
    EXPECT_EQ(path.front()->GetIndex(), start);
    EXPECT_EQ(path.back()->GetIndex(), goal);
    double cost = 0.0;
    for (size_t i = 1; i < path.size(); ++i)
    {
        const GraphConnection* pConnection =
            graph.GetConnection(path[i - 1]->GetIndex(), path[i]->GetIndex());
        EXPECT_NE(pConnection, nullptr)
            << "no connection " << path[i - 1]->GetIndex() << " -> " << path[i]->GetIndex();
        if (pConnection == nullptr)
        {
            return std::numeric_limits<double>::quiet_NaN();
        }
        cost += pConnection->GetCost();
    }
    return cost;
}
} // namespace

TEST(AStarProperty, RandomGraphsMatchDijkstraAndReturnValidChains)
{
    std::mt19937 random(20240611u);
    int reachedPairs = 0;
    int unreachablePairs = 0;
    for (int caseIndex = 0; caseIndex < 300; ++caseIndex)
    {
        // Nodes on a small grid; costs are whole numbers so that sums are exact in float and double.
        const int columns = std::uniform_int_distribution<int>(2, 4)(random);
        const int rows = std::uniform_int_distribution<int>(1, 3)(random);
        const bool admissibleChebyshev = caseIndex % 2 == 1;
        RandomGraphCase graphCase{columns * rows, {}};
        Grid graph(columns, rows, 1, true);
        AddRandomConnections(random, graph, graphCase,
                             [&](int from, int to)
                             {
                                 if (!admissibleChebyshev)
                                 {
                                     return 0.f;
                                 }
                                 // At least the grid distance, so that Chebyshev never overestimates.
                                 const Vector2D a = graph.GetNodePos(graph.GetNode(from));
                                 const Vector2D b = graph.GetNodePos(graph.GetNode(to));
                                 return Chebyshev(std::abs(a.x - b.x), std::abs(a.y - b.y));
                             });

        Pathfinder pathfinder(&graph, admissibleChebyshev ? Chebyshev : Zero);
        for (int start = 0; start < graphCase.nrOfNodes; ++start)
        {
            const std::vector<double> cheapest = Dijkstra(graphCase, start);
            for (int goal = 0; goal < graphCase.nrOfNodes; ++goal)
            {
                SCOPED_TRACE(::testing::Message() << "case " << caseIndex << ", " << start << " -> " << goal);
                const std::vector<GridTerrainNode*> path =
                    pathfinder.FindPath(graph.GetNode(start), graph.GetNode(goal));
                if (cheapest[goal] == std::numeric_limits<double>::infinity())
                {
                    EXPECT_TRUE(path.empty());
                    ++unreachablePairs;
                    continue;
                }
                ASSERT_FALSE(path.empty());
                EXPECT_EQ(CheckedPathCost(graph, path, start, goal), cheapest[goal]);
                ++reachedPairs;
            }
        }
    }
    // The generator must exercise both outcomes in quantity, or the property says little.
    EXPECT_GT(reachedPairs, 1000);
    EXPECT_GT(unreachablePairs, 500);
}

TEST(AStarProperty, LandmarkBoundsNeverOverestimateAndKeepPathsCheapest)
{
    // Bounds computed at each connection's lowest cost; the searches charge that or more (a random
    // surcharge per connection), and must still find the cheapest paths at what they charge.
    std::mt19937 random(20261210u);
    int reachedPairs = 0;
    int unreachablePairs = 0;
    for (int caseIndex = 0; caseIndex < 150; ++caseIndex)
    {
        const int columns = std::uniform_int_distribution<int>(2, 6)(random);
        const int rows = std::uniform_int_distribution<int>(1, 4)(random);
        RandomGraphCase lowest{columns * rows, {}};
        RandomGraphCase charged{columns * rows, {}};
        Grid graph(columns, rows, 1, true);
        AddRandomConnections(random, graph, lowest, [](int, int) { return 0.f; });
        std::uniform_int_distribution<int> anyNode(0, lowest.nrOfNodes - 1);
        std::uniform_int_distribution<int> anyCost(0, 9);
        ConnectionIndex<GridTerrainNode, GraphConnection> index;
        index.Update(graph);
        std::vector<float> lowestCosts(index.GetNrOfEdges());
        std::vector<float> surcharges(index.GetNrOfEdges());
        std::map<std::pair<int, int>, double> chargedCost;
        for (int node = 0; node < index.GetNrOfNodes(); ++node)
        {
            for (auto pEdge = index.BeginOf(node); pEdge != index.EndOf(node); ++pEdge)
            {
                const std::size_t edge = index.IndexOf(pEdge);
                lowestCosts[edge] = pEdge->pConnection->GetCost();
                surcharges[edge] = caseIndex % 3 == 0 ? 0.f : static_cast<float>(anyCost(random) / 3);
                charged.connections.emplace_back(node, pEdge->to, lowestCosts[edge] + surcharges[edge]);
                chargedCost[{node, pEdge->to}] = lowestCosts[edge] + surcharges[edge];
            }
        }
        LandmarkBounds bounds;
        bounds.Compute(index, lowestCosts, anyNode(random));
        ASSERT_EQ(bounds.GetLandmarks().size(), static_cast<size_t>(LandmarkBounds::NrOfLandmarks));

        Pathfinder pathfinder(&graph, Zero);
        const auto charge = [&](const GraphConnection* pConnection, int, std::size_t edge)
        { return pConnection->GetCost() + surcharges[edge]; };
        for (int start = 0; start < lowest.nrOfNodes; ++start)
        {
            const std::vector<double> floor = Dijkstra(lowest, start);
            const std::vector<double> cheapest = Dijkstra(charged, start);
            for (int goal = 0; goal < lowest.nrOfNodes; ++goal)
            {
                SCOPED_TRACE(::testing::Message() << "case " << caseIndex << ", " << start << " -> " << goal);
                const LandmarkBounds::Estimate estimate = bounds.To(goal);
                std::vector<GridTerrainNode*> path;
                const bool found = pathfinder.FindPathEstimated(graph.GetNode(start), graph.GetNode(goal),
                                                                path, charge, estimate);
                if (cheapest[goal] == std::numeric_limits<double>::infinity())
                {
                    EXPECT_FALSE(found);
                    EXPECT_TRUE(path.empty());
                    ++unreachablePairs;
                    continue;
                }
                EXPECT_LE(estimate(start), floor[goal]);
                ASSERT_TRUE(found);
                double cost = 0.0;
                for (size_t i = 1; i < path.size(); ++i)
                {
                    const auto connection = chargedCost.find({path[i - 1]->GetIndex(), path[i]->GetIndex()});
                    ASSERT_NE(connection, chargedCost.end());
                    cost += connection->second;
                }
                EXPECT_EQ(path.front()->GetIndex(), start);
                EXPECT_EQ(path.back()->GetIndex(), goal);
                EXPECT_EQ(cost, cheapest[goal]);
                ++reachedPairs;
            }
        }
    }
    EXPECT_GT(reachedPairs, 1000);
    EXPECT_GT(unreachablePairs, 500);
}

TEST(AStarProperty, RandomGraphsGiveTheDocumentedSearchsPaths)
{
    // Few distinct costs (zero included) make many equal estimates and, with Chebyshev over zero-cost
    // connections, reopened nodes: exactly where a queue could order records differently from the list.
    std::mt19937 random(1606u);
    const Heuristic heuristics[] = {Zero, Chebyshev, TenTimesDxPlusDy};
    int comparedPairs = 0;
    for (int caseIndex = 0; caseIndex < 150; ++caseIndex)
    {
        const int columns = std::uniform_int_distribution<int>(2, 6)(random);
        const int rows = std::uniform_int_distribution<int>(1, 5)(random);
        Grid graph(columns, rows, 1, true);
        const int nrOfNodes = columns * rows;
        const int nrOfConnections = std::uniform_int_distribution<int>(nrOfNodes, nrOfNodes * 4)(random);
        std::uniform_int_distribution<int> anyNode(0, nrOfNodes - 1);
        std::uniform_int_distribution<int> anyCost(0, 3);
        for (int i = 0; i < nrOfConnections; ++i)
        {
            const int from = anyNode(random);
            const int to = anyNode(random);
            if (from != to && graph.IsUniqueConnection(from, to))
                Connect(graph, from, to, static_cast<float>(anyCost(random)));
        }
        const Heuristic heuristic = heuristics[caseIndex % 3];
        Pathfinder pathfinder(&graph, heuristic); // one search object for all pairs: storage reused
        TestSupport::DocumentedAStar<GridTerrainNode, GraphConnection> documented(&graph, heuristic);
        for (int start = 0; start < nrOfNodes; ++start)
            for (int goal = 0; goal < nrOfNodes; ++goal)
            {
                const auto expected = documented.FindPath(graph.GetNode(start), graph.GetNode(goal));
                ASSERT_EQ(pathfinder.FindPath(graph.GetNode(start), graph.GetNode(goal)), expected)
                    << "case " << caseIndex << ", " << start << " -> " << goal;
                comparedPairs += expected.empty() ? 0 : 1;
            }
    }
    EXPECT_GT(comparedPairs, 10000);
}

TEST(AStarStorage, ASearchObjectFollowsItsGraphsStructure)
{
    // Tables built for the graph as it was must not hide a node or connection added since, nor keep
    // one that was removed.
    Grid graph = MakeRow(3);
    Connect(graph, 0, 1, 1.f);
    Connect(graph, 1, 2, 1.f);
    Pathfinder pathfinder(&graph, Zero);
    ASSERT_EQ(pathfinder.FindPath(graph.GetNode(0), graph.GetNode(2)).size(), 3u);
    graph.AddNode(new GridTerrainNode(3));
    Connect(graph, 2, 3, 1.f);
    std::vector<GridTerrainNode*> path;
    ASSERT_TRUE(pathfinder.FindPath(graph.GetNode(0), graph.GetNode(3), path));
    EXPECT_EQ(path.size(), 4u);
    // The caller's vector is emptied first, also when there is no path.
    EXPECT_FALSE(pathfinder.FindPath(graph.GetNode(3), graph.GetNode(0), path));
    EXPECT_TRUE(path.empty());
    // A removed node takes its connections with it: the search must not walk them any more.
    graph.RemoveNode(1);
    EXPECT_FALSE(pathfinder.FindPath(graph.GetNode(0), graph.GetNode(3), path));
    Connect(graph, 0, 2, 5.f);
    ASSERT_TRUE(pathfinder.FindPath(graph.GetNode(0), graph.GetNode(3), path));
    EXPECT_EQ(path.size(), 3u);
}

TEST(AStarDeathTest, NullNodesAreRejected)
{
    Grid graph = MakeRow(2);
    Pathfinder pathfinder(&graph, Zero);
    EXPECT_DEATH(pathfinder.FindPath(nullptr, graph.GetNode(1)), "\"<AStar::FindPath>: null node\"");
    EXPECT_DEATH(pathfinder.FindPath(graph.GetNode(0), nullptr), "\"<AStar::FindPath>: null node\"");
}

TEST(AStarProperty, CostsGivenByTheCallerSearchAsTheSameCostsSetInTheGraph)
{
    // A caller's price per connection (here its cost plus a surcharge by its place in the graph's
    // connections and one by its target, in steps that do not sum exactly) must give the paths of a
    // search over those costs set in the graph, and leave the graph's own costs alone.
    std::mt19937 random(909u);
    int comparedPairs = 0;
    for (int caseIndex = 0; caseIndex < 60; ++caseIndex)
    {
        const int columns = std::uniform_int_distribution<int>(2, 6)(random);
        const int rows = std::uniform_int_distribution<int>(1, 5)(random);
        Grid graph(columns, rows, 1, true);
        const int nrOfNodes = columns * rows;
        std::uniform_int_distribution<int> anyNode(0, nrOfNodes - 1);
        std::uniform_int_distribution<int> anyCost(0, 3);
        for (int i = 0; i < nrOfNodes * 3; ++i)
        {
            const int from = anyNode(random);
            const int to = anyNode(random);
            if (from != to && graph.IsUniqueConnection(from, to))
                Connect(graph, from, to, static_cast<float>(anyCost(random)));
        }
        ConnectionIndex<GridTerrainNode, GraphConnection> edges;
        edges.Update(graph);
        std::vector<float> byEdge(edges.GetNrOfEdges());
        std::vector<float> byTarget(static_cast<size_t>(nrOfNodes));
        for (float& extra : byEdge)
            extra = 0.1f * static_cast<float>(anyCost(random));
        for (float& extra : byTarget)
            extra = 0.3f * static_cast<float>(anyCost(random));
        const auto price = [&](const GraphConnection* pConnection, int to, size_t edge)
        { return pConnection->GetCost() + byEdge.at(edge) + byTarget[static_cast<size_t>(to)]; };

        Pathfinder priced(&graph, Chebyshev);
        std::vector<std::vector<GridTerrainNode*>> pricedPaths;
        std::vector<GridTerrainNode*> path;
        for (int start = 0; start < nrOfNodes; ++start)
            for (int goal = 0; goal < nrOfNodes; ++goal)
            {
                priced.FindPath(graph.GetNode(start), graph.GetNode(goal), path, price);
                pricedPaths.push_back(path);
            }
        std::vector<float> newCosts;
        for (int node = 0; node < nrOfNodes; ++node)
            for (auto* pEdge = edges.BeginOf(node); pEdge != edges.EndOf(node); ++pEdge)
            {
                newCosts.push_back(price(pEdge->pConnection, pEdge->to, edges.IndexOf(pEdge)));
                ASSERT_EQ(pEdge->pConnection->GetCost(), std::floor(pEdge->pConnection->GetCost()))
                    << "the priced search changed a cost";
            }
        for (int node = 0, i = 0; node < nrOfNodes; ++node)
            for (auto* pEdge = edges.BeginOf(node); pEdge != edges.EndOf(node); ++pEdge)
                pEdge->pConnection->SetCost(newCosts[static_cast<size_t>(i++)]);
        Pathfinder set(&graph, Chebyshev);
        for (int start = 0; start < nrOfNodes; ++start)
            for (int goal = 0; goal < nrOfNodes; ++goal)
            {
                const std::vector<GridTerrainNode*>& expected =
                    pricedPaths[static_cast<size_t>(start * nrOfNodes + goal)];
                ASSERT_EQ(set.FindPath(graph.GetNode(start), graph.GetNode(goal)), expected)
                    << "case " << caseIndex << ", " << start << " -> " << goal;
                comparedPairs += expected.empty() ? 0 : 1;
            }
    }
    EXPECT_GT(comparedPairs, 2000);
}
