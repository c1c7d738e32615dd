// The A* pathfinder: searches an IGraph for a cheapest chain of connections between two nodes with a
// priority queue and fixed tie-breaks, so that equal inputs always give the same route.
#pragma once

#include "framework/VemoxAI/VemoxGraphs/ConnectionIndex.h"
#include "framework/VemoxAI/VemoxGraphs/VIGraph.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace Vemox
{
/// Estimate of the remaining cost from the absolute column and row differences (dx, dy) of two nodes.
using Heuristic = float (*)(float, float);

/// max(dx, dy): the number of grid steps when diagonal steps are allowed.
inline float Chebyshev(float dx, float dy)
{
    if (dy > dx)
    {
        return dy;
    }
    return dx;
}

/// One search object serves any number of searches on one graph: its per-node records and its open
/// queue keep their storage from search to search, so a search touches only the nodes it reaches and
/// allocates nothing once the storage has grown. The graph's structure (each node's connections and
/// position) is copied into flat arrays once and again only when the graph reports a structural change
/// (IGraph::GetStructureRevision); costs are read from the connections at every search. No result
/// carries over between searches, and the graph is borrowed and never modified. Connection costs must be
/// non-negative, and node positions must not change while the structure does not.
///
/// The open list is a binary heap ordered by estimated total cost and then by the order in which records
/// were opened; that is the order of the plain list a linear search would scan from the front, so the
/// tie-breaks (and so the paths) are those of that list.
template <class TNode, class TConnection> class AStar
{
public:
    AStar(const IGraph<TNode, TConnection>* pGraph, Heuristic heuristicFunction)
        : m_pGraph(pGraph), m_HeuristicFunction(heuristicFunction)
    {
    }

    /// Nodes of a cheapest path (when the heuristic never overestimates) from start to goal, both
    /// included; empty when the goal cannot be reached. Both nodes must belong to the graph. Ties:
    /// equal estimates go to the earliest open record, a record is replaced only by a strictly cheaper
    /// route, neighbours are expanded in connection insertion order. The path follows each node's
    /// current record (closed or, after a reopening, still open); a chain that does not lead back to the
    /// start, possible only with negative costs, gives an empty path.
    std::vector<TNode*> FindPath(TNode* pStartNode, TNode* pGoalNode)
    {
        std::vector<TNode*> path;
        FindPath(pStartNode, pGoalNode, path);
        return path;
    }

    /// The same search, written into `path` (emptied first) so that a caller can reuse its storage as well.
    /// Returns whether a path was found.
    bool FindPath(TNode* pStartNode, TNode* pGoalNode, std::vector<TNode*>& path)
    {
        return FindPath(pStartNode, pGoalNode, path,
                        [](const TConnection* pConnection, int, std::size_t) { return pConnection->GetCost(); });
    }

    /// The same search with the cost of each connection taken from costOf(pConnection, target node index,
    /// edge) instead of the connection, edge being the connection's place in the graph's connections
    /// (ConnectionIndex::IndexOf): a caller that prices connections its own way for one search need not
    /// change them in the graph, nor read them where it knows their costs. costOf must give the same cost
    /// for the same connection within a search.
    template <class CostOf>
    bool FindPath(TNode* pStartNode, TNode* pGoalNode, std::vector<TNode*>& path, const CostOf& costOf)
    {
        VEMOX_ASSERT((pStartNode != nullptr) && (pGoalNode != nullptr) && "<AStar::FindPath>: null node");
        const int goal = pGoalNode->GetIndex();
        return Search(pStartNode, pGoalNode, path, costOf,
                      [this, goal](int node)
                      {
                          // The positions are copied when the search begins, so they are read here.
                          const Vector2D goalPos = m_NodePos[static_cast<size_t>(goal)];
                          const Vector2D nodePos = m_NodePos[static_cast<size_t>(node)];
                          return m_HeuristicFunction(std::abs(goalPos.x - nodePos.x),
                                                     std::abs(goalPos.y - nodePos.y));
                      });
    }

    /// The same search with the remaining cost from each node to the goal estimated by estimateOf(node
    /// index) instead of the heuristic function: for an estimate that knows more of the graph than node
    /// positions (its goal is the caller's business). The path is a cheapest one when the estimate never
    /// overestimates; the tie-breaks are as above, among the estimates given.
    template <class CostOf, class EstimateOf>
    bool FindPathEstimated(TNode* pStartNode, TNode* pGoalNode, std::vector<TNode*>& path,
                           const CostOf& costOf, const EstimateOf& estimateOf)
    {
        VEMOX_ASSERT((pStartNode != nullptr) && (pGoalNode != nullptr) && "<AStar::FindPath>: null node");
        return Search(pStartNode, pGoalNode, path, costOf, estimateOf);
    }

    /// The heuristic of the absolute column and row differences, horizontal first.
    float GetHeuristicCost(TNode* pStartNode, TNode* pEndNode) const
    {
        const Vector2D a = m_pGraph->GetNodePos(pStartNode);
        const Vector2D b = m_pGraph->GetNodePos(pEndNode);
        return m_HeuristicFunction(std::abs(b.x - a.x), std::abs(b.y - a.y));
    }

    /// The estimate used from the next search on.
    void SetHeuristicFunction(Heuristic heuristicFunction) { m_HeuristicFunction = heuristicFunction; }
    const IGraph<TNode, TConnection>* GetGraph() const { return m_pGraph; }

private:
    template <class CostOf, class EstimateOf>
    bool Search(TNode* pStartNode, TNode* pGoalNode, std::vector<TNode*>& path, const CostOf& costOf,
                const EstimateOf& estimateOf)
    {
        path.clear();
        BeginSearch();
        const int start = pStartNode->GetIndex();
        const int goal = pGoalNode->GetIndex();
        Open(start, invalid_node_index, 0.f, estimateOf(start));

        int current = invalid_node_index;
        while (PopOpen(current))
        {
            if (current == goal)
            {
                break;
            }
            const float currentCost = m_Records[static_cast<size_t>(current)].costSoFar;
            const Edge* const pEnd = m_Connections.EndOf(current);
            for (const Edge* pEdge = m_Connections.BeginOf(current); pEdge != pEnd; ++pEdge)
            {
                const Edge& connection = *pEdge;
                const int next = connection.to;
                const float costSoFar =
                    currentCost + costOf(connection.pConnection, next, m_Connections.IndexOf(pEdge));
                // A node reached before, open or closed, is opened again only by a strictly cheaper route;
                // a closed one is then reopened.
                if (IsReached(next) && costSoFar >= m_Records[static_cast<size_t>(next)].costSoFar)
                {
                    continue;
                }
                Open(next, current, costSoFar, costSoFar + estimateOf(next));
            }
            m_Records[static_cast<size_t>(current)].openOrder = ClosedOrder;
        }

        if (current != goal)
        {
            return false;
        }

        // Every node holds at most one record, so a chain longer than the records reached is a cycle.
        while (current != start)
        {
            const NodeRecord& record = m_Records[static_cast<size_t>(current)];
            if (record.from == invalid_node_index || path.size() >= m_NrOfReached)
            {
                path.clear();
                return false;
            }
            path.push_back(m_pGraph->GetNode(current));
            current = record.from;
            if (!IsReached(current))
            {
                path.clear();
                return false;
            }
        }
        path.push_back(pStartNode);
        std::reverse(path.begin(), path.end());
        return true;
    }

    /// The openOrder of a closed record: no heap entry carries it (a search opens fewer records).
    static constexpr std::uint32_t ClosedOrder = 0xffffffffu;

    /// The record of one node in the current search; stale (unreached) when its search differs. Sixteen
    /// bytes, so that the records a large search touches stay few cache lines.
    struct NodeRecord
    {
        int from = invalid_node_index; ///< the node it was reached from; none for the start record
        float costSoFar = 0.f;
        std::uint32_t openOrder = 0; ///< when it was last opened (its current heap entry), or ClosedOrder
        std::uint32_t search = 0;
    };

    /// An entry of the open heap; entries whose record has been replaced or closed since are skipped.
    struct OpenEntry
    {
        float estimatedTotalCost;
        std::uint32_t openOrder;
        int node;

        /// Heap order: the smallest estimate first, and among equal estimates the earliest opened.
        bool operator>(const OpenEntry& other) const
        {
            if (estimatedTotalCost != other.estimatedTotalCost)
            {
                return estimatedTotalCost > other.estimatedTotalCost;
            }
            return openOrder > other.openOrder;
        }
    };

    /// One outgoing connection as the search walks it: the connection (read for its current cost) and its
    /// target, stored contiguously per node.
    using Edge = typename ConnectionIndex<TNode, TConnection>::Edge;

    void BeginSearch()
    {
        if (m_Connections.Update(*m_pGraph))
        {
            TakeSnapshot();
        }
        if (++m_Search == 0) // wrapped after 2^32 searches: forget every old record once
        {
            std::fill(m_Records.begin(), m_Records.end(), NodeRecord{});
            m_Search = 1;
        }
        m_OpenHeap.clear();
        m_NextOpenOrder = 0;
        m_NrOfReached = 0;
    }

    /// Copies the node positions and clears the records, after the connections were copied again: runs
    /// only after the graph's structure changed.
    void TakeSnapshot()
    {
        const int nrOfNodes = m_pGraph->GetNrOfNodes();
        m_NodePos.assign(static_cast<size_t>(nrOfNodes), Vector2D{});
        for (int node = 0; node < nrOfNodes; ++node)
        {
            TNode* pNode = m_pGraph->GetNode(node);
            if (pNode != nullptr && pNode->GetIndex() != invalid_node_index)
            {
                m_NodePos[static_cast<size_t>(node)] = m_pGraph->GetNodePos(pNode);
            }
        }
        m_Records.assign(static_cast<size_t>(nrOfNodes), NodeRecord{});
        m_Search = 0;
    }

    bool IsReached(int node) const { return m_Records[static_cast<size_t>(node)].search == m_Search; }

    void Open(int node, int from, float costSoFar, float estimatedTotalCost)
    {
        NodeRecord& record = m_Records[static_cast<size_t>(node)];
        if (record.search != m_Search)
        {
            record.search = m_Search;
            ++m_NrOfReached;
        }
        record.from = from;
        record.costSoFar = costSoFar;
        record.openOrder = m_NextOpenOrder++;
        m_OpenHeap.push_back({estimatedTotalCost, record.openOrder, node});
        std::push_heap(m_OpenHeap.begin(), m_OpenHeap.end(), std::greater<OpenEntry>());
    }

    /// Takes the open record with the smallest estimate (the earliest opened on ties); false when none is
    /// left. The record stays open until its node has been expanded.
    bool PopOpen(int& node)
    {
        while (!m_OpenHeap.empty())
        {
            std::pop_heap(m_OpenHeap.begin(), m_OpenHeap.end(), std::greater<OpenEntry>());
            const OpenEntry entry = m_OpenHeap.back();
            m_OpenHeap.pop_back();
            const NodeRecord& record = m_Records[static_cast<size_t>(entry.node)];
            if (record.openOrder == entry.openOrder)
            {
                node = entry.node;
                return true;
            }
        }
        return false;
    }

    const IGraph<TNode, TConnection>* m_pGraph;
    Heuristic m_HeuristicFunction;
    std::vector<NodeRecord> m_Records;                 ///< indexed by node index
    ConnectionIndex<TNode, TConnection> m_Connections; ///< the graph's structure, walked by the search
    std::vector<Vector2D> m_NodePos; ///< GetNodePos of every node, as the heuristic reads it
    std::vector<OpenEntry> m_OpenHeap;
    std::uint32_t m_Search = 0;
    std::uint32_t m_NextOpenOrder = 0;
    size_t m_NrOfReached = 0;
};
} // namespace Vemox
