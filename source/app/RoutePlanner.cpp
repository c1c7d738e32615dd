// Route planning: raise, search, restore. The raised connections are looked up once, when the planner
// is made, since the road network's connections never change after it is built.
#include "RoutePlanner.h"

#include "framework/VemoxCore/VemoxAssert.h"

using namespace Vemox;

RoutePlanner::RoutePlanner(TrafficGraph* pGraph,
                           const std::vector<RoadNetwork::RaisedConnection>& planningRaise)
    : m_pGraph(pGraph), m_Search(pGraph, Chebyshev)
{
    VEMOX_ASSERT(pGraph != nullptr && "<RoutePlanner::RoutePlanner>: null graph");
    m_Raised.reserve(planningRaise.size());
    for (const RoadNetwork::RaisedConnection& raised : planningRaise)
    {
        GraphConnection* pConnection = pGraph->GetConnection(raised.fromNode, raised.toNode);
        VEMOX_ASSERT(pConnection != nullptr &&
                     "<RoutePlanner::RoutePlanner>: a raised connection is no road");
        m_Raised.push_back({pConnection, raised.restoreCost});
    }
}

const std::vector<GridTerrainNode*>& RoutePlanner::FindRoute(int start, int goal, Heuristic heuristic)
{
    for (const Raised& raised : m_Raised)
        raised.pConnection->SetCost(RoadNetwork::RaisedCost);

    m_Search.SetHeuristicFunction(heuristic);
    m_Search.FindPath(m_pGraph->GetNode(start), m_pGraph->GetNode(goal), m_Route);

    for (const Raised& raised : m_Raised)
        raised.pConnection->SetCost(raised.restoreCost);
    return m_Route;
}
