// The city generator: the documented city from its documented tables, cell for cell and in order, and
// the rules that every other size must keep (roads, junctions, lights, planning raise, reachability).
#include "app/App_TrafficSimulation.h"
#include "app/City.h"
#include "framework/Physics/StaticBoxCollider.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <queue>
#include <set>
#include <vector>

using namespace Vemox;
using RoadNetwork::LightPlacement;
using RoadNetwork::RaisedConnection;

namespace RoadNetwork
{
bool operator==(const LightPlacement& a, const LightPlacement& b)
{
    return a.fromNode == b.fromNode && a.toNode == b.toNode && a.startsRed == b.startsRed;
}
bool operator==(const RaisedConnection& a, const RaisedConnection& b)
{
    return a.fromNode == b.fromNode && a.toNode == b.toNode && a.restoreCost == b.restoreCost;
}
} // namespace RoadNetwork

namespace
{
// The documented road table: each road's first node, the node step along it, its number of connections and
// its cost, in creation order.
struct DocumentedRoad
{
    int firstNode;
    int step;
    int nrOfConnections;
    float cost;
};
constexpr DocumentedRoad DocumentedRoads[] = {
    {0, 20, 9, 30.f},    {199, -20, 9, 30.f}, {180, 1, 19, 30.f},  {19, -1, 19, 30.f},
    {80, 1, 19, 50.f},   {119, -1, 19, 50.f}, {184, -20, 9, 50.f}, {5, 20, 9, 50.f},
    {189, -20, 9, 50.f}, {10, 20, 9, 50.f},   {194, -20, 9, 50.f}, {15, 20, 9, 50.f},
};

constexpr LightPlacement DocumentedLights[] = {
    {83, 84, true},    {106, 105, true}, {88, 89, true},    {111, 110, true},
    {93, 94, true},    {116, 115, true}, {124, 104, false}, {65, 85, false},
    {129, 109, false}, {70, 90, false},  {134, 114, false}, {75, 95, false},
};

constexpr RaisedConnection DocumentedPlanningRaise[] = {
    {80, 100, 30.f},  {119, 99, 30.f}, {104, 84, 50.f}, {84, 85, 50.f},   {85, 105, 50.f},
    {105, 104, 50.f}, {109, 89, 50.f}, {89, 90, 50.f},  {90, 110, 50.f},  {110, 109, 50.f},
    {114, 94, 50.f},  {94, 95, 50.f},  {95, 115, 50.f}, {115, 114, 50.f},
};

constexpr int DocumentedIntersections[] = {84, 85, 104, 105, 89, 90, 109, 110, 94, 95, 114, 115};

// Block cells block by block: column groups 1-3, 6-8, 11-13, 16-18, each rows 1-3 then 6-8.
std::vector<int> DocumentedBlockCells()
{
    std::vector<int> cells;
    for (int firstColumn : {1, 6, 11, 16})
        for (int firstRow : {1, 6})
            for (int row = firstRow; row < firstRow + 3; ++row)
                for (int column = firstColumn; column < firstColumn + 3; ++column)
                    cells.push_back(row * 20 + column);
    return cells;
}

// Road cells reached from `start` along the connections, forwards or (reverse) backwards.
std::set<int> Reachable(const TrafficGraph& graph, int start, bool reverse)
{
    std::vector<std::vector<int>> next(static_cast<size_t>(graph.GetNrOfNodes()));
    for (int node = 0; node < graph.GetNrOfNodes(); ++node)
        for (const GraphConnection* pConnection : graph.GetNodeConnections(node))
        {
            if (reverse)
                next[static_cast<size_t>(pConnection->GetTo())].push_back(node);
            else
                next[static_cast<size_t>(node)].push_back(pConnection->GetTo());
        }
    std::set<int> seen{start};
    std::queue<int> queue;
    queue.push(start);
    while (!queue.empty())
    {
        const int node = queue.front();
        queue.pop();
        for (int neighbour : next[static_cast<size_t>(node)])
            if (seen.insert(neighbour).second)
                queue.push(neighbour);
    }
    return seen;
}
} // namespace

TEST(DocumentedCity, DefaultLayoutIsTheDocumentedFourByTwoCity)
{
    const CityLayout layout;
    EXPECT_EQ(layout.blocksX, 4);
    EXPECT_EQ(layout.blocksY, 2);
    EXPECT_EQ(layout.GetNrOfColumns(), RoadNetwork::NrOfColumns);
    EXPECT_EQ(layout.GetNrOfRows(), RoadNetwork::NrOfRows);
    EXPECT_EQ(layout.GetNrOfRoadCells(), RoadNetwork::NrOfRoadCells);
    EXPECT_EQ(City().GetWorldWidth(), RoadNetwork::WorldWidth);
    EXPECT_EQ(City().GetWorldHeight(), RoadNetwork::WorldHeight);
}

TEST(DocumentedCity, GeneratesThe148ConnectionsOfTheRoadTableInOrder)
{
    std::vector<RoadConnection> documented;
    for (const DocumentedRoad& road : DocumentedRoads)
        for (int i = 0; i < road.nrOfConnections; ++i)
        {
            const int from = road.firstNode + i * road.step;
            documented.push_back({from, from + road.step, road.cost});
        }
    ASSERT_EQ(documented.size(), 148u);
    EXPECT_EQ(City().GetRoadConnections(), documented);
}

TEST(DocumentedCity, GeneratesTheDocumentedTerrainLightsAndPlanningRaise)
{
    const City city;
    EXPECT_EQ(city.GetBlockCells(), DocumentedBlockCells());
    EXPECT_EQ(city.GetIntersectionCells(),
              std::vector<int>(std::begin(DocumentedIntersections), std::end(DocumentedIntersections)));
    EXPECT_EQ(city.GetTrafficLights(),
              std::vector<LightPlacement>(std::begin(DocumentedLights), std::end(DocumentedLights)));
    EXPECT_EQ(city.GetPlanningRaise(), std::vector<RaisedConnection>(std::begin(DocumentedPlanningRaise),
                                                                     std::end(DocumentedPlanningRaise)));
    EXPECT_EQ(city.GetFirstStartCandidate(), 42);
}

TEST(DocumentedCity, GraphListsEachNodesConnectionsInTheDocumentedOrder)
{
    // The same table built by hand into a graph: every node's list must match, entry for entry.
    TrafficGraph documented(20, 10, 15, true, false, 1.f, 1.5f);
    for (const DocumentedRoad& road : DocumentedRoads)
        for (int i = 0; i < road.nrOfConnections; ++i)
        {
            const int from = road.firstNode + i * road.step;
            documented.AddConnection(new GraphConnection2D(from, from + road.step, road.cost));
        }
    const std::unique_ptr<TrafficGraph> pGenerated(City().CreateGraph());
    ASSERT_EQ(pGenerated->GetNrOfNodes(), 200);
    const std::vector<int> blockCells = DocumentedBlockCells();
    const std::set<int> blocks(blockCells.begin(), blockCells.end());
    const std::set<int> junctions(std::begin(DocumentedIntersections), std::end(DocumentedIntersections));
    for (int node = 0; node < 200; ++node)
    {
        SCOPED_TRACE(::testing::Message() << "node " << node);
        const TerrainType expected = blocks.count(node)      ? TerrainType::Block
                                     : junctions.count(node) ? TerrainType::Intersection
                                                             : TerrainType::Default;
        EXPECT_EQ(pGenerated->GetNode(node)->GetTerrainType(), expected);
        const auto& generatedList = pGenerated->GetNodeConnections(node);
        const auto& documentedList = documented.GetNodeConnections(node);
        ASSERT_EQ(generatedList.size(), documentedList.size());
        for (auto g = generatedList.begin(), d = documentedList.begin(); g != generatedList.end(); ++g, ++d)
        {
            EXPECT_EQ((*g)->GetTo(), (*d)->GetTo());
            EXPECT_EQ((*g)->GetCost(), (*d)->GetCost());
            EXPECT_NE(dynamic_cast<const GraphConnection2D*>(*g), nullptr);
        }
    }
}

namespace
{
class CitySizes : public ::testing::TestWithParam<CityLayout>
{
};
} // namespace

TEST_P(CitySizes, FollowTheRoadRules)
{
    const CityLayout layout = GetParam();
    const City city(layout);
    const int columns = 5 * layout.blocksX;
    const int rows = 5 * layout.blocksY;
    const int nrOfJunctions = (layout.blocksX - 1) * (layout.blocksY - 1);
    ASSERT_EQ(city.GetNrOfColumns(), columns);
    ASSERT_EQ(city.GetNrOfRows(), rows);
    EXPECT_EQ(city.GetWorldWidth(), 15.f * static_cast<float>(columns));
    EXPECT_EQ(city.GetBlockCells().size(), static_cast<size_t>(9 * layout.blocksX * layout.blocksY));
    EXPECT_EQ(city.GetNrOfRoadCells(), columns * rows - 9 * layout.blocksX * layout.blocksY);
    // The ring, plus two lanes from ring to ring per road between blocks.
    const size_t expectedConnections =
        static_cast<size_t>(2 * (columns - 1) + 2 * (rows - 1) + (layout.blocksY - 1) * 2 * (columns - 1) +
                            (layout.blocksX - 1) * 2 * (rows - 1));
    EXPECT_EQ(city.GetRoadConnections().size(), expectedConnections);
    EXPECT_EQ(city.GetIntersectionCells().size(), static_cast<size_t>(4 * nrOfJunctions));
    EXPECT_EQ(city.GetTrafficLights().size(), static_cast<size_t>(4 * nrOfJunctions));
    EXPECT_EQ(city.GetPlanningRaise().size(),
              static_cast<size_t>(2 * (layout.blocksY - 1) + 4 * nrOfJunctions));
    EXPECT_TRUE(city.IsBlockCell(city.GetFirstStartCandidate()));

    const std::unique_ptr<TrafficGraph> pGraph(city.CreateGraph());
    const auto terrain = [&pGraph](int node) { return pGraph->GetNode(node)->GetTerrainType(); };
    for (int node = 0; node < pGraph->GetNrOfNodes(); ++node)
        EXPECT_EQ(city.IsBlockCell(node), terrain(node) == TerrainType::Block) << node;

    int firstRoadCell = -1;
    for (const RoadConnection& connection : city.GetRoadConnections())
    {
        const int fromColumn = connection.from % columns;
        const int fromRow = connection.from / columns;
        const int dx = connection.to % columns - fromColumn;
        const int dy = connection.to / columns - fromRow;
        ASSERT_EQ(std::abs(dx) + std::abs(dy), 1) << connection.from << " -> " << connection.to;
        EXPECT_NE(terrain(connection.from), TerrainType::Block);
        EXPECT_NE(terrain(connection.to), TerrainType::Block);
        EXPECT_EQ(pGraph->GetConnection(connection.to, connection.from), nullptr) << "two-way";
        firstRoadCell = connection.from;

        const bool ringConnection = (dx != 0 && (fromRow == 0 || fromRow == rows - 1)) ||
                                    (dy != 0 && (fromColumn == 0 || fromColumn == columns - 1));
        EXPECT_EQ(connection.cost, ringConnection ? 30.f : 50.f)
            << connection.from << " -> " << connection.to;
        if (ringConnection)
        {
            // Clockwise with y up: right along the top, left along the bottom, up the left, down the right.
            if (dx != 0)
                EXPECT_EQ(dx, fromRow == rows - 1 ? 1 : -1);
            else
                EXPECT_EQ(dy, fromColumn == 0 ? 1 : -1);
        }
        else
        {
            // Keep right: rightwards in the lower lane, up in the right-hand lane.
            if (dx != 0)
                EXPECT_EQ(dx, fromRow % 5 == 4 ? 1 : -1) << connection.from;
            else
                EXPECT_EQ(dy, fromColumn % 5 == 0 ? 1 : -1) << connection.from;
        }
    }

    // Every road cell reaches every other: one cell reaches all of them and all of them reach it.
    ASSERT_GE(firstRoadCell, 0);
    const size_t roadCells = static_cast<size_t>(city.GetNrOfRoadCells());
    EXPECT_EQ(Reachable(*pGraph, firstRoadCell, false).size(), roadCells);
    EXPECT_EQ(Reachable(*pGraph, firstRoadCell, true).size(), roadCells);

    const std::set<int> junctionCells(city.GetIntersectionCells().begin(), city.GetIntersectionCells().end());
    for (int node = 0; node < pGraph->GetNrOfNodes(); ++node)
    {
        EXPECT_EQ(terrain(node) == TerrainType::Intersection, junctionCells.count(node) == 1) << node;
        // The rule that tells a junction cell from its index alone gives the same cells.
        EXPECT_EQ(City::IsJunctionCell(columns, rows, node), junctionCells.count(node) == 1) << node;
    }
    EXPECT_FALSE(City::IsJunctionCell(columns, rows, -1));
    EXPECT_FALSE(City::IsJunctionCell(columns, rows, columns * rows));
    for (const LightPlacement& light : city.GetTrafficLights())
    {
        // Each light guards a road connection from outside into a junction.
        EXPECT_NE(pGraph->GetConnection(light.fromNode, light.toNode), nullptr);
        EXPECT_EQ(junctionCells.count(light.fromNode), 0u);
        EXPECT_EQ(junctionCells.count(light.toNode), 1u);
        // Horizontal approaches start red, vertical ones green.
        EXPECT_EQ(light.startsRed, std::abs(light.toNode - light.fromNode) == 1);
    }
    for (const RaisedConnection& raised : city.GetPlanningRaise())
    {
        const GraphConnection* pConnection = pGraph->GetConnection(raised.fromNode, raised.toNode);
        ASSERT_NE(pConnection, nullptr) << raised.fromNode << " -> " << raised.toNode;
        EXPECT_EQ(raised.restoreCost, pConnection->GetCost());
        const bool insideJunction =
            junctionCells.count(raised.fromNode) && junctionCells.count(raised.toNode);
        const int column = raised.fromNode % columns;
        const int lowerRow = std::min(raised.fromNode, raised.toNode) / columns;
        const bool ringBetweenLanes = (column == 0 || column == columns - 1) && lowerRow % 5 == 4 &&
                                      std::abs(raised.toNode - raised.fromNode) == columns;
        EXPECT_TRUE(insideJunction || ringBetweenLanes) << raised.fromNode << " -> " << raised.toNode;
    }
}

INSTANTIATE_TEST_SUITE_P(City, CitySizes,
                         ::testing::Values(CityLayout{1, 1}, CityLayout{1, 3}, CityLayout{3, 1},
                                           CityLayout{2, 2}, CityLayout{4, 2}, CityLayout{7, 3},
                                           CityLayout{16, 8}, CityLayout{40, 20}),
                         [](const ::testing::TestParamInfo<CityLayout>& info) {
                             return std::to_string(info.param.blocksX) + "x" +
                                    std::to_string(info.param.blocksY);
                         });

TEST(CityApplication, WallsLightsAndWorldFollowTheCity)
{
    HeadlessSimulation::Options options;
    options.nrOfCars = 30;
    options.drawEachFrame = false;
    options.city = CityLayout{6, 3};
    HeadlessSimulation simulation(options);
    const App_TrafficSimulation& app = simulation.GetApp();

    EXPECT_EQ(app.GetNrOfNodes(), 30 * 15);
    EXPECT_EQ(app.GetGraph()->GetNrOfColumns(), 30);
    EXPECT_EQ(app.GetGraph()->GetNrOfRows(), 15);
    ASSERT_EQ(app.GetWalls().size(), 4u);
    const Vector2D expected[] = {{-1.f, 112.5f}, {451.f, 112.5f}, {225.f, 226.f}, {225.f, -1.f}};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(app.GetWalls()[i]->GetPosition(), expected[i]) << i;
    EXPECT_EQ(app.GetWalls()[0]->GetHeight(), 229.f);
    EXPECT_EQ(app.GetWalls()[2]->GetWidth(), 450.f);

    ASSERT_EQ(app.GetTrafficLights().size(), 4u * 10u);
    for (size_t i = 0; i < app.GetTrafficLights().size(); ++i)
    {
        const TrafficLight& light = app.GetTrafficLights()[i];
        const LightPlacement& placement = app.GetCity().GetTrafficLights()[i];
        EXPECT_EQ(light.fromNode, placement.fromNode);
        EXPECT_EQ(light.isRed, placement.startsRed);
        EXPECT_EQ(light.timer, placement.startsRed ? light.duration : 0.f);
    }
    const std::set<int> starts(app.GetTakenStartNodes().begin(), app.GetTakenStartNodes().end());
    EXPECT_EQ(starts.size(), 30u);
    for (int node : starts)
        EXPECT_FALSE(app.GetCity().IsBlockCell(node));
}

TEST(CityDeathTest, LayoutsOutsideTheRangeAndTooManyCarsAreRejected)
{
    EXPECT_FALSE((CityLayout{0, 2}.IsValid()));
    EXPECT_FALSE((CityLayout{4, CityLayout::MaxBlocks + 1}.IsValid()));
    EXPECT_TRUE((CityLayout{CityLayout::MaxBlocks, 1}.IsValid()));
    EXPECT_DEATH(City(CityLayout{0, 1}), "<City::City>");
    TrafficScenario scenario;
    scenario.city = CityLayout{1, 1};
    scenario.nrOfCars = 17; // 16 road cells
    EXPECT_DEATH(App_TrafficSimulation{scenario}, "more cars than road cells");
}
