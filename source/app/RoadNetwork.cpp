// The road network of the traffic simulation: the grid with its blocks and junctions, the one-way
// road connections, and the traffic lights that open and close the connections into the junctions.
#include "RoadNetwork.h"

#include "App_TrafficSimulation.h"
#include "Car.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <cstdio>

using namespace Vemox;
using namespace RoadNetwork;

namespace
{
constexpr Color RedLight{1.f, 0.f, 0.f, 0.5f};
constexpr Color GreenLight{0.f, 1.f, 0.f, 0.5f};

int NodeIndex(int column, int row)
{
    return row * NrOfColumns + column;
}

/// One road: a straight run of cells in driving order, each linked to the next.
struct Road
{
    int firstColumn;
    int firstRow;
    int columnStep; ///< -1, 0 or 1 per cell along the road
    int rowStep;
    int nrOfConnections;
    float cost;
};

// In creation order: the outer ring (clockwise with y up), the middle road's two lanes, then the
// three cross roads' lanes. Traffic keeps to the right.
constexpr Road Roads[] = {
    {0, 0, 0, 1, 9, RingCost},         // column 0, up
    {19, 9, 0, -1, 9, RingCost},       // column 19, down
    {0, 9, 1, 0, 19, RingCost},        // row 9, right
    {19, 0, -1, 0, 19, RingCost},      // row 0, left
    {0, 4, 1, 0, 19, InnerRoadCost},   // middle road, row 4, right
    {19, 5, -1, 0, 19, InnerRoadCost}, // middle road, row 5, left
    {4, 9, 0, -1, 9, InnerRoadCost},   // column 4, down
    {5, 0, 0, 1, 9, InnerRoadCost},    // column 5, up
    {9, 9, 0, -1, 9, InnerRoadCost},   // column 9, down
    {10, 0, 0, 1, 9, InnerRoadCost},   // column 10, up
    {14, 9, 0, -1, 9, InnerRoadCost},  // column 14, down
    {15, 0, 0, 1, 9, InnerRoadCost},   // column 15, up
};

constexpr int BlockColumnGroups[] = {1, 6, 11, 16};
constexpr int BlockRowGroups[] = {1, 6};
constexpr int JunctionColumns[] = {4, 9, 14};
} // namespace

void App_TrafficSimulation::CreateRoadNetwork()
{
    m_pGridGraph =
        new TrafficGraph(NrOfColumns, NrOfRows, static_cast<int>(m_CellSize), true, false, 1.f, 1.5f);

    for (int firstColumn : BlockColumnGroups)
        for (int firstRow : BlockRowGroups)
            for (int row = firstRow; row < firstRow + 3; ++row)
                for (int column = firstColumn; column < firstColumn + 3; ++column)
                    m_pGridGraph->GetNode(NodeIndex(column, row))->SetTerrainType(TerrainType::Block);

    for (const Road& road : Roads)
    {
        int column = road.firstColumn;
        int row = road.firstRow;
        for (int i = 0; i < road.nrOfConnections; ++i)
        {
            const int from = NodeIndex(column, row);
            column += road.columnStep;
            row += road.rowStep;
            m_pGridGraph->AddConnection(new GraphConnection2D(from, NodeIndex(column, row), road.cost));
        }
    }

    for (int firstColumn : JunctionColumns)
        for (int row = 4; row <= 5; ++row)
            for (int column = firstColumn; column <= firstColumn + 1; ++column)
                m_pGridGraph->GetNode(NodeIndex(column, row))->SetTerrainType(TerrainType::Intersection);
}

namespace
{
// The connection a light opens and closes. A light table entry that names no road connection is a
// programming error: stop, naming both nodes.
GraphConnection* GetGuardedConnection(const TrafficGraph& graph, const TrafficLight& light)
{
    const auto isNode = [&graph](int index) { return index >= 0 && index < graph.GetNrOfNodes(); };
    GraphConnection* pConnection = isNode(light.fromNode) && isNode(light.toNode)
                                       ? graph.GetConnection(light.fromNode, light.toNode)
                                       : nullptr;
    if (pConnection == nullptr)
    {
        std::fprintf(stderr, "Traffic light error: there is no road connection from node %d to node %d\n",
                     light.fromNode, light.toNode);
        VEMOX_ASSERT(pConnection != nullptr &&
                     "<App_TrafficSimulation::UpdateTrafficLights>: unknown connection");
    }
    return pConnection;
}
} // namespace

void App_TrafficSimulation::UpdateTrafficLights(float deltaTime)
{
    for (TrafficLight& light : m_TrafficLights)
    {
        if (light.timer >= light.duration)
            light.isRed = true;
        else if (light.timer <= 0.f)
            light.isRed = false;

        GraphConnection* pConnection = GetGuardedConnection(*m_pGridGraph, light);
        if (light.isRed)
        {
            light.timer -= deltaTime;
            pConnection->SetCost(RedCost);
        }
        else
        {
            light.timer += deltaTime;
            pConnection->SetCost(GreenCost);
        }
    }
}

void App_TrafficSimulation::RenderTrafficLights() const
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const float radius = static_cast<float>(m_CellSize) * 0.25f;
    for (const TrafficLight& light : m_TrafficLights)
    {
        pRenderer->DrawSolidCircle(m_pGridGraph->GetNodeWorldPos(light.fromNode), radius, {0.f, 0.f},
                                   light.isRed ? RedLight : GreenLight, 0.f);
    }
}

namespace RoadNetwork
{
const GraphConnection* GetConnectionAhead(const TrafficGraph& graph, const Car& car)
{
    if (car.GetPath().empty())
        return nullptr;
    // By index: every cell of the grid has its node, so a cell index needs no node look-up first.
    const int from = graph.GetNodeIdxAtWorldPos(car.GetPosition());
    const int to = graph.GetNodeIdxAtWorldPos(car.GetPath().front());
    if (from == invalid_node_index || to == invalid_node_index ||
        graph.GetNode(from)->GetIndex() == invalid_node_index ||
        graph.GetNode(to)->GetIndex() == invalid_node_index)
        return nullptr;
    return graph.GetConnection(from, to);
}
} // namespace RoadNetwork
