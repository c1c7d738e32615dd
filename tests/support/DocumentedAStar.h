// The documented A* search, kept as the reference that the pathfinder must match: plain open and closed
// lists with linear scans, the documented tie-breaks and the documented path reconstruction.
#pragma once

#include "framework/VemoxAI/VemoxGraphs/AStar.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace TestSupport
{
using Vemox::Heuristic;
using Vemox::IGraph;
using Vemox::Vector2D;

/// The search exactly as documented: unsorted open and closed lists scanned from the front, records
/// appended at the back and removed by closing the gap. No state between calls; the graph is borrowed.
template <class TNode, class TConnection> class DocumentedAStar
{
public:
    DocumentedAStar(const IGraph<TNode, TConnection>* pGraph, Heuristic heuristicFunction)
        : m_pGraph(pGraph), m_HeuristicFunction(heuristicFunction)
    {
    }

    /// Nodes of a cheapest path (when the heuristic never overestimates) from start to goal, both
    /// included; empty when the goal cannot be reached. Both nodes must belong to the graph. Ties:
    /// equal estimates go to the earliest open record, a record is replaced only by a strictly cheaper
    /// route, neighbours are expanded in connection insertion order. The path follows each node's
    /// current record (closed list first, then open list, where a reopened node may still wait); a
    /// chain that does not lead back to the start, possible only with negative costs, gives an empty path.
    std::vector<TNode*> FindPath(TNode* pStartNode, TNode* pGoalNode)
    {
        VEMOX_ASSERT((pStartNode != nullptr) && (pGoalNode != nullptr) && "<AStar::FindPath>: null node");

        std::vector<TNode*> path;
        std::vector<NodeRecord> openList;
        std::vector<NodeRecord> closedList;

        NodeRecord current{pStartNode, nullptr, 0.f, GetHeuristicCost(pStartNode, pGoalNode)};
        openList.push_back(current);

        while (!openList.empty())
        {
            current = *std::min_element(openList.begin(), openList.end()); // first of the smallest
            if (current.pNode == pGoalNode)
            {
                break;
            }

            for (TConnection* pConnection : m_pGraph->GetNodeConnections(current.pNode->GetIndex()))
            {
                if (pConnection == nullptr)
                {
                    continue;
                }
                TNode* pNextNode = m_pGraph->GetNode(pConnection->GetTo());
                const float costSoFar = current.costSoFar + pConnection->GetCost();

                auto closedIt = FindRecordOf(closedList, pNextNode);
                if (closedIt != closedList.end())
                {
                    if (costSoFar >= closedIt->costSoFar)
                    {
                        continue;
                    }
                    closedList.erase(closedIt); // reopened: reached more cheaply than when it was closed
                }
                else
                {
                    auto openIt = FindRecordOf(openList, pNextNode);
                    if (openIt != openList.end())
                    {
                        if (costSoFar >= openIt->costSoFar)
                        {
                            continue;
                        }
                        openList.erase(openIt);
                    }
                }

                openList.push_back(
                    {pNextNode, pConnection, costSoFar, costSoFar + GetHeuristicCost(pNextNode, pGoalNode)});
            }

            auto currentIt = std::find(openList.begin(), openList.end(), current);
            if (currentIt != openList.end())
            {
                openList.erase(currentIt);
            }
            closedList.push_back(current);
        }

        if (current.pNode != pGoalNode)
        {
            return path;
        }

        // Every node is held by at most one record, so a chain longer than all records is a cycle.
        const size_t maxLength = openList.size() + closedList.size();
        while (current.pNode != pStartNode)
        {
            if (current.pConnection == nullptr || path.size() >= maxLength)
            {
                return {};
            }
            path.push_back(current.pNode);

            // After a reopening the predecessor may still be waiting in the open list.
            TNode* pPreviousNode = m_pGraph->GetNode(current.pConnection->GetFrom());
            auto previousIt = FindRecordOf(closedList, pPreviousNode);
            if (previousIt == closedList.end())
            {
                previousIt = FindRecordOf(openList, pPreviousNode);
                if (previousIt == openList.end())
                {
                    return {};
                }
            }
            current = *previousIt;
        }
        path.push_back(pStartNode);
        std::reverse(path.begin(), path.end());
        return path;
    }

    /// The heuristic of the absolute column and row differences, horizontal first.
    float GetHeuristicCost(TNode* pStartNode, TNode* pEndNode) const
    {
        const Vector2D a = m_pGraph->GetNodePos(pStartNode);
        const Vector2D b = m_pGraph->GetNodePos(pEndNode);
        return m_HeuristicFunction(std::abs(b.x - a.x), std::abs(b.y - a.y));
    }

private:
    struct NodeRecord
    {
        TNode* pNode = nullptr;
        TConnection* pConnection = nullptr; ///< how pNode was reached; null for the start record
        float costSoFar = 0.f;
        float estimatedTotalCost = 0.f;

        bool operator==(const NodeRecord& other) const
        {
            return pNode == other.pNode && pConnection == other.pConnection && costSoFar == other.costSoFar &&
                   estimatedTotalCost == other.estimatedTotalCost;
        }
        bool operator<(const NodeRecord& other) const
        {
            return estimatedTotalCost < other.estimatedTotalCost;
        }
    };

    static typename std::vector<NodeRecord>::iterator FindRecordOf(std::vector<NodeRecord>& records,
                                                                   const TNode* pNode)
    {
        return std::find_if(records.begin(), records.end(),
                            [pNode](const NodeRecord& record) { return record.pNode == pNode; });
    }

    const IGraph<TNode, TConnection>* m_pGraph;
    Heuristic m_HeuristicFunction;
};
} // namespace TestSupport
