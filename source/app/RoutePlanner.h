// The cars' route planning on one road graph: the city's planning raise for the length of one search,
// and one A* whose storage every search of every car reuses.
#pragma once

#include "RoadNetwork.h"
#include "TrafficTypes.h"
#include "framework/VemoxAI/VemoxGraphs/AStar.h"

#include <vector>

/// Shared by all cars of a simulation through their blackboards; borrows the graph, which must outlive
/// it and must hold every raised connection.
class RoutePlanner
{
public:
    RoutePlanner(TrafficGraph* pGraph, const std::vector<RoadNetwork::RaisedConnection>& planningRaise);

    RoutePlanner(const RoutePlanner&) = delete;
    RoutePlanner& operator=(const RoutePlanner&) = delete;

    /// A cheapest route from node start to node goal (both included) while the raised connections cost
    /// RoadNetwork::RaisedCost; every other connection costs what it costs now (a red light's 0 included).
    /// The raised connections get their own costs back before this returns. Empty when the goal cannot be
    /// reached. The result is valid until the next call.
    const std::vector<Vemox::GridTerrainNode*>& FindRoute(int start, int goal, Vemox::Heuristic heuristic);

    /// A cheapest route at the costs costOf(pConnection, target node, edge) gives (see AStar::FindPath),
    /// nothing raised, in the same reused storage: for a planner that prices connections its own way.
    /// Valid until the next call.
    template <class CostOf>
    const std::vector<Vemox::GridTerrainNode*>& FindRouteAtCosts(int start, int goal, Vemox::Heuristic heuristic,
                                                                 const CostOf& costOf)
    {
        m_Search.SetHeuristicFunction(heuristic);
        m_Search.FindPath(m_pGraph->GetNode(start), m_pGraph->GetNode(goal), m_Route, costOf);
        return m_Route;
    }

    TrafficGraph* GetGraph() const { return m_pGraph; }
    /// The connections raised for every search (the city's planning raise).
    size_t GetNrOfRaisedConnections() const { return m_Raised.size(); }

private:
    struct Raised
    {
        Vemox::GraphConnection* pConnection;
        float restoreCost;
    };

    TrafficGraph* m_pGraph;
    std::vector<Raised> m_Raised;
    Vemox::AStar<Vemox::GridTerrainNode, Vemox::GraphConnection> m_Search;
    std::vector<Vemox::GridTerrainNode*> m_Route;
};
