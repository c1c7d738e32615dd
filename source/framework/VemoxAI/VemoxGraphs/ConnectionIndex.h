// The outgoing connections of every node of a graph in flat arrays: walks and look-ups that would
// otherwise follow the graph's list of each node, one allocation per entry, read two arrays instead.
#pragma once

#include "framework/VemoxAI/VemoxGraphs/VIGraph.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Vemox
{
/// Each node's outgoing connections in list order, copied from a graph's structure and copied again
/// when the graph reports a structural change (IGraph::GetStructureRevision) or another graph is read.
/// The connections are the graph's own (borrowed), so their current costs are read through them. A
/// change made to a node's list directly (IGraph::GetNodeConnections) is not seen before the revision
/// changes.
template <class TNode, class TConnection> class ConnectionIndex
{
public:
    /// One outgoing connection: the connection and its target.
    struct Edge
    {
        TConnection* pConnection;
        int to;
    };

    /// Copies the structure of graph unless it is the graph copied last, unchanged since; true when
    /// it copied.
    bool Update(const IGraph<TNode, TConnection>& graph)
    {
        if (m_pGraph == &graph && m_Revision == graph.GetStructureRevision())
        {
            return false;
        }
        const int nrOfNodes = graph.GetNrOfNodes();
        m_FirstEdge.assign(static_cast<size_t>(nrOfNodes) + 1, 0);
        m_Edges.clear();
        for (int node = 0; node < nrOfNodes; ++node)
        {
            m_FirstEdge[static_cast<size_t>(node)] = static_cast<int>(m_Edges.size());
            const TNode* pNode = graph.GetNode(node);
            if (pNode == nullptr || pNode->GetIndex() == invalid_node_index)
            {
                continue; // a removed node keeps no connection
            }
            for (TConnection* pConnection : graph.GetNodeConnections(node))
            {
                if (pConnection != nullptr)
                {
                    m_Edges.push_back({pConnection, pConnection->GetTo()});
                }
            }
        }
        m_FirstEdge[static_cast<size_t>(nrOfNodes)] = static_cast<int>(m_Edges.size());
        m_pGraph = &graph;
        m_Revision = graph.GetStructureRevision();
        ++m_Copies;
        return true;
    }

    /// How many times Update copied: a connection found stays valid while this stays the same.
    std::uint64_t GetCopies() const { return m_Copies; }

    /// Node slots at the last copy, removed slots included.
    int GetNrOfNodes() const { return static_cast<int>(m_FirstEdge.size()) - 1; }

    /// All connections, node by node in index order and each node's in list order: an edge's place in
    /// this order (IndexOf) is the same in every index copied from a graph of the same structure.
    std::size_t GetNrOfEdges() const { return m_Edges.size(); }
    std::size_t IndexOf(const Edge* pEdge) const { return static_cast<std::size_t>(pEdge - m_Edges.data()); }

    /// node's connections are [BeginOf(node), EndOf(node)); node in [0, GetNrOfNodes()).
    const Edge* BeginOf(int node) const { return m_Edges.data() + m_FirstEdge[static_cast<size_t>(node)]; }
    const Edge* EndOf(int node) const { return m_Edges.data() + m_FirstEdge[static_cast<size_t>(node) + 1]; }

    /// The first connection from -> to in list order, as IGraph::GetConnection finds it; null when there
    /// is none, also when either index lies outside the graph or names a removed node.
    TConnection* Find(int from, int to) const
    {
        if (from < 0 || from >= GetNrOfNodes())
        {
            return nullptr;
        }
        for (const Edge* pEdge = BeginOf(from); pEdge != EndOf(from); ++pEdge)
        {
            if (pEdge->to == to)
            {
                return pEdge->pConnection;
            }
        }
        return nullptr;
    }

private:
    const IGraph<TNode, TConnection>* m_pGraph = nullptr;
    std::uint64_t m_Revision = 0;
    std::uint64_t m_Copies = 0;
    std::vector<int> m_FirstEdge{0}; ///< node i's connections are m_Edges[m_FirstEdge[i] .. m_FirstEdge[i+1])
    std::vector<Edge> m_Edges;
};
} // namespace Vemox
