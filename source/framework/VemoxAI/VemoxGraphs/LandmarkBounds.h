// Lower bounds on the cost of getting from one node of a graph to another, from the cheapest costs to and
// from a few landmark nodes and the triangle inequality: an A* estimate that knows the roads, not only the
// distance, so that a search on a large graph opens the nodes along its way rather than a disc around
// its start.
#pragma once

#include "framework/VemoxAI/VemoxGraphs/ConnectionIndex.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <queue>
#include <utility>
#include <vector>

namespace Vemox
{
/// Cheapest costs between every node and NrOfLandmarks landmarks at the lowest cost each connection can
/// have. For nodes v and t and a landmark L, cost(v, t) >= cost(v, L) - cost(t, L) and
/// cost(v, t) >= cost(L, t) - cost(L, v); the largest of these over the landmarks is the estimate, which
/// never overestimates while no search charges a connection less than its lowest cost.
class LandmarkBounds
{
public:
    static constexpr int NrOfLandmarks = 8;

    /// The estimate of the remaining cost to one goal, for AStar::FindPathEstimated. Valid while its
    /// bounds are neither computed again nor destroyed.
    class Estimate
    {
    public:
        float operator()(int node) const
        {
            const float* pRow = m_pTable + static_cast<std::size_t>(node) * RowSize;
            float bound = 0.f;
            for (int k = 0; k < NrOfLandmarks; ++k)
            {
                bound = std::max(bound, pRow[k] - m_Goal[k]);
                bound = std::max(bound, m_Goal[NrOfLandmarks + k] - pRow[NrOfLandmarks + k]);
            }
            // The bounds and the searches add the same costs in different orders: the estimate stays
            // below the rounding of either.
            return bound * Slack;
        }

    private:
        friend class LandmarkBounds;
        const float* m_pTable = nullptr;
        std::array<float, 2 * NrOfLandmarks> m_Goal{};
    };

    /// Computes the bounds over index's connections, the connection at place e (ConnectionIndex::IndexOf)
    /// costing at least lowestCosts[e] >= 0 in every search. The landmarks lie far apart: the first is the
    /// node farthest from firstNode, each further one the node farthest from the ones chosen (on ties the
    /// lowest index).
    template <class TNode, class TConnection>
    void Compute(const ConnectionIndex<TNode, TConnection>& index, const std::vector<float>& lowestCosts,
                 int firstNode)
    {
        const int nrOfNodes = index.GetNrOfNodes();
        Adjacency forward;
        Adjacency backward;
        BuildAdjacency(index, lowestCosts, forward, backward);
        m_Table.assign(static_cast<std::size_t>(nrOfNodes) * RowSize, Unreached);
        m_Landmarks.clear();

        // How far every node is from the landmarks chosen so far, both ways: the next one is the farthest.
        std::vector<double> nearest(static_cast<std::size_t>(nrOfNodes), Unreached);
        const std::vector<double> fromFirst = CheapestCosts(forward, firstNode);
        for (int k = 0; k < NrOfLandmarks; ++k)
        {
            const std::vector<double>& farness = k == 0 ? fromFirst : nearest;
            int landmark = firstNode;
            for (int node = 0; node < nrOfNodes; ++node)
                if (fromFirst[static_cast<std::size_t>(node)] < Unreached &&
                    farness[static_cast<std::size_t>(node)] > farness[static_cast<std::size_t>(landmark)])
                    landmark = node;
            m_Landmarks.push_back(landmark);

            const std::vector<double> from = CheapestCosts(forward, landmark);
            const std::vector<double> to = CheapestCosts(backward, landmark);
            for (int node = 0; node < nrOfNodes; ++node)
            {
                const std::size_t n = static_cast<std::size_t>(node);
                m_Table[n * RowSize + static_cast<std::size_t>(k)] = static_cast<float>(to[n]);
                m_Table[n * RowSize + NrOfLandmarks + static_cast<std::size_t>(k)] =
                    static_cast<float>(from[n]);
                nearest[n] = k == 0 ? from[n] + to[n] : std::min(nearest[n], from[n] + to[n]);
            }
        }
    }

    bool IsComputed() const { return !m_Landmarks.empty(); }
    const std::vector<int>& GetLandmarks() const { return m_Landmarks; }

    Estimate To(int goal) const
    {
        Estimate estimate;
        estimate.m_pTable = m_Table.data();
        std::copy_n(m_Table.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(goal) * RowSize),
                    RowSize, estimate.m_Goal.begin());
        return estimate;
    }

private:
    static constexpr std::size_t RowSize = 2 * NrOfLandmarks;
    /// The cost to or from a node that cannot be reached: finite, so that two of them subtract to 0. A
    /// difference with one of them is a valid bound as well: when v cannot reach L but t can, v cannot
    /// reach t.
    static constexpr float Unreached = 1e30f;
    static constexpr float Slack = 1.f - 1e-4f;

    struct Adjacency
    {
        std::vector<int> first; ///< node i's arcs are [first[i], first[i + 1])
        std::vector<std::pair<int, float>> arcs;
    };

    /// The connections at their lowest costs, forwards and reversed.
    template <class TNode, class TConnection>
    static void BuildAdjacency(const ConnectionIndex<TNode, TConnection>& index,
                               const std::vector<float>& lowestCosts, Adjacency& forward, Adjacency& backward)
    {
        const int nrOfNodes = index.GetNrOfNodes();
        forward.first.assign(static_cast<std::size_t>(nrOfNodes) + 1, 0);
        backward.first.assign(static_cast<std::size_t>(nrOfNodes) + 1, 0);
        forward.arcs.clear();
        for (int node = 0; node < nrOfNodes; ++node)
        {
            forward.first[static_cast<std::size_t>(node)] = static_cast<int>(forward.arcs.size());
            for (auto pEdge = index.BeginOf(node); pEdge != index.EndOf(node); ++pEdge)
            {
                forward.arcs.emplace_back(pEdge->to, lowestCosts[index.IndexOf(pEdge)]);
                ++backward.first[static_cast<std::size_t>(pEdge->to) + 1];
            }
        }
        forward.first[static_cast<std::size_t>(nrOfNodes)] = static_cast<int>(forward.arcs.size());
        for (std::size_t node = 0; node < static_cast<std::size_t>(nrOfNodes); ++node)
            backward.first[node + 1] += backward.first[node];
        backward.arcs.assign(forward.arcs.size(), {});
        std::vector<int> next(backward.first.begin(), backward.first.end() - 1);
        for (int node = 0; node < nrOfNodes; ++node)
            for (int arc = forward.first[static_cast<std::size_t>(node)];
                 arc < forward.first[static_cast<std::size_t>(node) + 1]; ++arc)
            {
                const auto [to, cost] = forward.arcs[static_cast<std::size_t>(arc)];
                backward.arcs[static_cast<std::size_t>(next[static_cast<std::size_t>(to)]++)] = {node, cost};
            }
    }

    /// Dijkstra from source over the arcs, in double; Unreached where none leads.
    static std::vector<double> CheapestCosts(const Adjacency& adjacency, int source)
    {
        std::vector<double> cost(adjacency.first.size() - 1, Unreached);
        using Entry = std::pair<double, int>;
        std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> open;
        cost[static_cast<std::size_t>(source)] = 0.0;
        open.push({0.0, source});
        while (!open.empty())
        {
            const auto [sofar, node] = open.top();
            open.pop();
            if (sofar > cost[static_cast<std::size_t>(node)])
                continue;
            for (int arc = adjacency.first[static_cast<std::size_t>(node)];
                 arc < adjacency.first[static_cast<std::size_t>(node) + 1]; ++arc)
            {
                const auto [to, step] = adjacency.arcs[static_cast<std::size_t>(arc)];
                const double candidate = sofar + static_cast<double>(step);
                if (candidate < cost[static_cast<std::size_t>(to)])
                {
                    cost[static_cast<std::size_t>(to)] = candidate;
                    open.push({candidate, to});
                }
            }
        }
        return cost;
    }

    std::vector<float> m_Table; ///< per node: the costs to the landmarks, then the costs from them
    std::vector<int> m_Landmarks;
};
} // namespace Vemox
