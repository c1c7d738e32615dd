// GridGraph: node layout, cell-centre world positions and the world-position lookup at every boundary.
#include "framework/VemoxAI/VemoxGraphs/GridGraph.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Vemox;

namespace
{
using RoadGrid = GridGraph<GridTerrainNode, GraphConnection>;

RoadGrid MakeRoadGrid()
{
    return RoadGrid(20, 10, 15, true, false, 1.f, 1.5f);
}
} // namespace

TEST(GridGraphLayout, ConstructionCreatesIndexedDefaultNodesWithoutConnections)
{
    RoadGrid grid(20, 10, 15, true, false, 1.f, 1.5f);
    ASSERT_EQ(grid.GetNrOfNodes(), 200);
    for (int i = 0; i < 200; ++i)
    {
        EXPECT_EQ(grid.GetNode(i)->GetIndex(), i);
        EXPECT_EQ(grid.GetNode(i)->GetTerrainType(), TerrainType::Default);
        EXPECT_TRUE(grid.GetNodeConnections(i).empty());
    }
    EXPECT_EQ(grid.GetNrOfColumns(), 20);
    EXPECT_EQ(grid.GetNrOfRows(), 10);
    EXPECT_EQ(grid.GetCellSize(), 15);
    EXPECT_FALSE(grid.IsConnectedDiagonally());
    EXPECT_EQ(grid.GetDefaultCostStraight(), 1.f);
    EXPECT_EQ(grid.GetDefaultCostDiagonal(), 1.5f);
    EXPECT_EQ(grid.AddNode(new GridTerrainNode(200)), 200); // the next free index follows the grid
}

TEST(GridGraphLayout, DirectedFlagDecidesTheReverseConnection)
{
    RoadGrid directed = MakeRoadGrid();
    directed.AddConnection(new GraphConnection(84, 85, 50.f));
    EXPECT_EQ(directed.GetConnection(85, 84), nullptr);

    RoadGrid undirected(20, 10, 15, false);
    undirected.AddConnection(new GraphConnection(84, 85, 50.f));
    ASSERT_NE(undirected.GetConnection(85, 84), nullptr);
    EXPECT_EQ(undirected.GetConnection(85, 84)->GetCost(), 50.f);
}

TEST(GridGraphGeometry, NodePositionsAreColumnAndRow)
{
    RoadGrid grid = MakeRoadGrid();
    EXPECT_EQ(grid.GetNodePos(grid.GetNode(45)), Vector2D(5.f, 2.f));
    EXPECT_EQ(grid.GetNodePos(grid.GetNode(0)), Vector2D(0.f, 0.f));
    EXPECT_EQ(grid.GetNodePos(grid.GetNode(199)), Vector2D(19.f, 9.f));
}

TEST(GridGraphGeometry, WorldPositionsAreCellCentres)
{
    RoadGrid grid = MakeRoadGrid();
    EXPECT_EQ(grid.GetNodeWorldPos(45), Vector2D(82.5f, 37.5f));
    EXPECT_EQ(grid.GetNodeWorldPos(0), Vector2D(7.5f, 7.5f));
    EXPECT_EQ(grid.GetNodeWorldPos(19), Vector2D(292.5f, 7.5f));
    EXPECT_EQ(grid.GetNodeWorldPos(21), Vector2D(22.5f, 22.5f));
    EXPECT_EQ(grid.GetNodeWorldPos(199), Vector2D(292.5f, 142.5f));
}

TEST(GridGraphGeometry, NonSquareGridKeepsColumnsAndRowsApart)
{
    GridGraph<GridTerrainNode, GraphConnection> grid(3, 5, 4, true); // 3 columns, 5 rows
    EXPECT_EQ(grid.GetNrOfNodes(), 15);
    EXPECT_EQ(grid.GetNodePos(grid.GetNode(7)), Vector2D(1.f, 2.f));
    EXPECT_EQ(grid.GetNodeWorldPos(7), Vector2D(6.f, 10.f));
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({11.9f, 19.9f}), 14);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({12.f, 1.f}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({1.f, 20.f}), -1);
}

TEST(GridGraphLookup, BoundariesBelongToTheLowerCellAndTheOuterEdgesAreOutside)
{
    RoadGrid grid = MakeRoadGrid();
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({0.f, 0.f}), 0);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({14.99f, 0.f}), 0);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({15.f, 0.f}), 1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({0.f, 15.f}), 20);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({299.9f, 149.9f}), 199);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({300.f, 10.f}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({10.f, 150.f}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({-0.1f, 10.f}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({10.f, -0.1f}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({-0.f, -0.f}), 0);
}

TEST(GridGraphLookup, NonFiniteAndHugePositionsAreOutside)
{
    RoadGrid grid = MakeRoadGrid();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({nan, 10.f}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({10.f, nan}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({inf, 10.f}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({10.f, -inf}), -1);
    EXPECT_EQ(grid.GetNodeIdxAtWorldPos({FloatMax, FloatMax}), -1);
    EXPECT_EQ(grid.GetNodeAtWorldPos({nan, nan}), nullptr);
}

TEST(GridGraphLookup, EveryCellCentreAndCornerMapsBackToItsNode)
{
    RoadGrid grid = MakeRoadGrid();
    const float almost = 7.5f - 0.001f;
    for (int i = 0; i < grid.GetNrOfNodes(); ++i)
    {
        const Vector2D centre = grid.GetNodeWorldPos(i);
        EXPECT_EQ(grid.GetNodeIdxAtWorldPos(centre), i);
        EXPECT_EQ(grid.GetNodeIdxAtWorldPos(centre - Vector2D(7.5f, 7.5f)), i)
            << "lower-left corner of " << i;
        EXPECT_EQ(grid.GetNodeIdxAtWorldPos(centre + Vector2D(almost, almost)), i) << "upper-right of " << i;
        EXPECT_EQ(grid.GetNodeAtWorldPos(centre), grid.GetNode(i));
    }
}

TEST(GridGraphLookup, NodeAtWorldPosIsNullOffTheGrid)
{
    RoadGrid grid = MakeRoadGrid();
    EXPECT_EQ(grid.GetNodeAtWorldPos({300.f, 75.f}), nullptr);
    EXPECT_EQ(grid.GetNodeAtWorldPos({-1.f, 75.f}), nullptr);
    EXPECT_EQ(grid.GetNodeAtWorldPos({150.f, 150.f}), nullptr);
    EXPECT_EQ(grid.GetNodeAtWorldPos({82.5f, 37.5f}), grid.GetNode(45));
}

TEST(GridGraphDeathTest, WorldPositionOfAnInvalidIndexAsserts)
{
    RoadGrid grid = MakeRoadGrid();
    EXPECT_DEATH(grid.GetNodeWorldPos(200), "\"<Graph::GetNode>: invalid index\"");
    EXPECT_DEATH(grid.GetNodeWorldPos(-1), "\"<Graph::GetNode>: invalid index\"");
}
