// The road network of the traffic simulation: the city's grid with its one-way road connections, and
// the traffic lights that open and close the connections into the junctions.
#include "RoadNetwork.h"

#include "App_TrafficSimulation.h"
#include "Car.h"
#include "RoutePlanner.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <cstdio>

using namespace Vemox;
using namespace RoadNetwork;

namespace
{
constexpr Color RedLight{1.f, 0.f, 0.f, 0.5f};
constexpr Color GreenLight{0.f, 1.f, 0.f, 0.5f};
} // namespace

void App_TrafficSimulation::CreateRoadNetwork()
{
    m_pGridGraph = m_City.CreateGraph(static_cast<int>(m_CellSize));
    m_pRoutePlanner = new RoutePlanner(m_pGridGraph, m_City.GetPlanningRaise());
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
    const Vector2D extent{radius, radius};
    for (const TrafficLight& light : m_TrafficLights)
    {
        const Vector2D position = m_pGridGraph->GetNodeWorldPos(light.fromNode);
        if (pRenderer->IsInView(position - extent, position + extent))
            pRenderer->DrawSolidCircle(position, radius, {0.f, 0.f}, light.isRed ? RedLight : GreenLight,
                                       0.f);
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
