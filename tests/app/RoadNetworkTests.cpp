// The road network: terrain, the one-way connections and their order, reachability, the traffic
// lights' timeline and drawing.
#include "app/App_TrafficSimulation.h"
#include "framework/Physics/StaticBoxCollider.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>

#include <map>

using namespace Vemox;

namespace
{
class RoadNetworkTest : public ::testing::Test
{
protected:
    HeadlessSimulation m_Simulation{{0, false}};
    App_TrafficSimulation& m_App = m_Simulation.GetApp();
    TrafficGraph* m_pGraph = m_App.GetGraph();

    int CountTerrain(TerrainType terrain) const
    {
        int count = 0;
        for (int i = 0; i < m_pGraph->GetNrOfNodes(); ++i)
            count += m_pGraph->GetNode(i)->GetTerrainType() == terrain ? 1 : 0;
        return count;
    }
    bool IsBlock(int node) const { return m_pGraph->GetNode(node)->GetTerrainType() == TerrainType::Block; }
};
} // namespace

TEST_F(RoadNetworkTest, GridHasTheDocumentedTerrain)
{
    ASSERT_EQ(m_pGraph->GetNrOfNodes(), 200);
    EXPECT_EQ(m_pGraph->GetNrOfColumns(), 20);
    EXPECT_EQ(m_pGraph->GetNrOfRows(), 10);
    EXPECT_EQ(m_pGraph->GetCellSize(), 15);
    EXPECT_EQ(CountTerrain(TerrainType::Block), 72);
    EXPECT_EQ(CountTerrain(TerrainType::Intersection), 12);
    EXPECT_EQ(CountTerrain(TerrainType::Default), 116);
    for (int node : {84, 85, 104, 105, 89, 90, 109, 110, 94, 95, 114, 115})
        EXPECT_EQ(m_pGraph->GetNode(node)->GetTerrainType(), TerrainType::Intersection) << node;
    for (int node : {21, 22, 23, 41, 63, 126, 168, 178, 138})
        EXPECT_TRUE(IsBlock(node)) << node;
    for (int node : {0, 19, 180, 199, 80, 119, 4, 5, 9, 10, 14, 15})
        EXPECT_FALSE(IsBlock(node)) << node;
}

TEST_F(RoadNetworkTest, Has148OneWayConnectionsAvoidingBlocks)
{
    int nrOfConnections = 0;
    std::map<float, int> costs;
    for (int node = 0; node < m_pGraph->GetNrOfNodes(); ++node)
    {
        for (const GraphConnection* pConnection : m_pGraph->GetNodeConnections(node))
        {
            ++nrOfConnections;
            ++costs[pConnection->GetCost()];
            EXPECT_FALSE(IsBlock(pConnection->GetFrom()));
            EXPECT_FALSE(IsBlock(pConnection->GetTo()));
            // one-way: no connection runs back between the same two cells
            EXPECT_EQ(m_pGraph->GetConnection(pConnection->GetTo(), pConnection->GetFrom()), nullptr);
            // neighbours only
            const int from = pConnection->GetFrom();
            const int to = pConnection->GetTo();
            EXPECT_EQ(std::abs(from % 20 - to % 20) + std::abs(from / 20 - to / 20), 1);
        }
    }
    EXPECT_EQ(nrOfConnections, 148);
    // Before the first light update: 56 ring links at 30, 92 inner links at 50.
    EXPECT_EQ(costs[30.f], 56);
    EXPECT_EQ(costs[50.f], 92);
}

TEST_F(RoadNetworkTest, ConnectionsKeepDrivingDirectionsCostsAndInsertionOrder)
{
    EXPECT_EQ(m_pGraph->GetConnection(85, 84), nullptr);
    ASSERT_NE(m_pGraph->GetConnection(84, 85), nullptr);
    EXPECT_EQ(m_pGraph->GetConnection(84, 85)->GetCost(), 50.f);
    ASSERT_NE(m_pGraph->GetConnection(0, 20), nullptr);
    EXPECT_EQ(m_pGraph->GetConnection(0, 20)->GetCost(), 30.f);
    // The ring runs clockwise with y up: up column 0, right along row 9, down column 19, left along row 0.
    EXPECT_NE(m_pGraph->GetConnection(180, 181), nullptr);
    EXPECT_NE(m_pGraph->GetConnection(199, 179), nullptr);
    EXPECT_NE(m_pGraph->GetConnection(1, 0), nullptr);
    EXPECT_EQ(m_pGraph->GetConnection(0, 1), nullptr);
    // Keep right: the lane of increasing x lies at the smaller y, the lane of increasing y at the larger x.
    EXPECT_NE(m_pGraph->GetConnection(80, 81), nullptr);
    EXPECT_NE(m_pGraph->GetConnection(101, 100), nullptr);
    EXPECT_NE(m_pGraph->GetConnection(25, 45), nullptr);
    EXPECT_NE(m_pGraph->GetConnection(44, 24), nullptr);

    const auto& connections84 = m_pGraph->GetNodeConnections(84);
    ASSERT_EQ(connections84.size(), 2u);
    EXPECT_EQ(connections84.front()->GetTo(), 85);
    EXPECT_EQ(connections84.back()->GetTo(), 64);
}

TEST_F(RoadNetworkTest, EveryRoadNodeReachesEveryOther)
{
    AStar<GridTerrainNode, GraphConnection> pathfinder(m_pGraph, Chebyshev);
    for (int from = 0; from < 200; ++from)
    {
        if (IsBlock(from))
            continue;
        for (int to = 0; to < 200; ++to)
        {
            if (IsBlock(to))
                continue;
            const auto path = pathfinder.FindPath(m_pGraph->GetNode(from), m_pGraph->GetNode(to));
            ASSERT_FALSE(path.empty()) << from << " -> " << to;
            EXPECT_EQ(path.front()->GetIndex(), from);
            EXPECT_EQ(path.back()->GetIndex(), to);
        }
    }
}

TEST_F(RoadNetworkTest, WallsCloseTheWorld)
{
    ASSERT_EQ(m_App.GetWalls().size(), 4u);
    const Vector2D expected[] = {{-1.f, 75.f}, {301.f, 75.f}, {150.f, 151.f}, {150.f, -1.f}};
    const float widths[] = {2.f, 2.f, 300.f, 300.f};
    const float heights[] = {154.f, 154.f, 2.f, 2.f};
    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ(m_App.GetWalls()[i]->GetPosition(), expected[i]) << i;
        EXPECT_EQ(m_App.GetWalls()[i]->GetWidth(), widths[i]) << i;
        EXPECT_EQ(m_App.GetWalls()[i]->GetHeight(), heights[i]) << i;
    }
}

TEST_F(RoadNetworkTest, FirstLightUpdateClosesHorizontalAndOpensVerticalApproaches)
{
    const auto& lights = m_App.GetTrafficLights();
    ASSERT_EQ(lights.size(), 12u);
    m_App.UpdateTrafficLights(1.f / 60.f);
    for (size_t i = 0; i < lights.size(); ++i)
    {
        const bool horizontal = i < 6;
        EXPECT_EQ(lights[i].isRed, horizontal) << i;
        EXPECT_EQ(m_pGraph->GetConnection(lights[i].fromNode, lights[i].toNode)->GetCost(),
                  horizontal ? 0.f : 50.f);
    }
    EXPECT_EQ(lights[0].fromNode, 83);
    EXPECT_EQ(lights[0].toNode, 84);
    EXPECT_EQ(lights[11].fromNode, 75);
    EXPECT_EQ(lights[11].toNode, 95);
}

TEST_F(RoadNetworkTest, LightsFollowTheHalfSecondTimeline)
{
    const auto& lights = m_App.GetTrafficLights();
    for (int update = 1; update <= 40; ++update)
    {
        m_App.UpdateTrafficLights(0.5f);
        const bool light1Red = update <= 16 || update >= 33;
        EXPECT_EQ(lights[0].isRed, light1Red) << "update " << update;
        EXPECT_EQ(lights[6].isRed, !light1Red) << "update " << update;
        EXPECT_EQ(m_pGraph->GetConnection(83, 84)->GetCost(), light1Red ? 0.f : 50.f) << "update " << update;
    }
}

TEST_F(RoadNetworkTest, LightsRewriteTheirCostEveryUpdate)
{
    m_App.UpdateTrafficLights(0.1f);
    m_pGraph->GetConnection(83, 84)->SetCost(123.f);
    m_pGraph->GetConnection(124, 104)->SetCost(123.f);
    m_App.UpdateTrafficLights(0.1f);
    EXPECT_EQ(m_pGraph->GetConnection(83, 84)->GetCost(), 0.f);
    EXPECT_EQ(m_pGraph->GetConnection(124, 104)->GetCost(), 50.f);
}

TEST_F(RoadNetworkTest, LightsAreDrawnAsTranslucentDiscsAtTheirSourceCells)
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    pRenderer->DiscardFrame();
    m_Simulation.GetCamera().SetZoom(80.f); // the whole city: no light is off screen
    m_Simulation.GetCamera().SetCenter({150.f, 75.f});
    m_App.UpdateTrafficLights(0.1f);
    m_App.RenderTrafficLights();

    const auto& triangles = pRenderer->GetTriangles();
    const auto& lines = pRenderer->GetLines();
    ASSERT_EQ(triangles.size(), 12u * 48u);
    ASSERT_EQ(lines.size(), 12u * 34u);

    // Light 1 (red) at the centre of node 83; light 7 (green) at node 124.
    const DebugVertex& redCentre = triangles[0];
    EXPECT_FLOAT_EQ(redCentre.x, 52.5f);
    EXPECT_FLOAT_EQ(redCentre.y, 67.5f);
    EXPECT_EQ(redCentre.z, 0.f);
    EXPECT_FLOAT_EQ(redCentre.r, 0.5f);
    EXPECT_FLOAT_EQ(redCentre.g, 0.f);
    EXPECT_FLOAT_EQ(redCentre.a, 0.5f);
    EXPECT_FLOAT_EQ(lines[0].r, 1.f);
    EXPECT_FLOAT_EQ(lines[0].a, 0.5f);
    // The outline starts on the circle, 3.75 to the right of the centre.
    EXPECT_NEAR(lines[0].x, 52.5f + 3.75f, 1e-4f);
    EXPECT_NEAR(lines[0].y, 67.5f, 1e-4f);

    const DebugVertex& greenCentre = triangles[6 * 48];
    EXPECT_FLOAT_EQ(greenCentre.x, 67.5f);
    EXPECT_FLOAT_EQ(greenCentre.y, 97.5f);
    EXPECT_FLOAT_EQ(greenCentre.r, 0.f);
    EXPECT_FLOAT_EQ(greenCentre.g, 0.5f);
    EXPECT_FLOAT_EQ(greenCentre.a, 0.5f);
    pRenderer->DiscardFrame();
}
