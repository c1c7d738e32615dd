// The generic graph model: heap nodes addressed by dense indices and directed, weighted connections
// kept in one list of outgoing connections per node. The grid graph, the A* pathfinder and the graph
// renderer all work through IGraph.
#pragma once

#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxCore/VemoxMath.h"

#include <cstdint>
#include <list>
#include <type_traits>
#include <vector>

namespace Vemox
{
/// Index of no node; also the index a removed node carries.
constexpr int invalid_node_index = -1;

class GraphNode
{
public:
    explicit GraphNode(int index = invalid_node_index) : m_Index(index) {}
    virtual ~GraphNode() = default;

    int GetIndex() const { return m_Index; }

protected:
    // Only the graph re-indexes a node, when it removes it from its slot.
    template <class TNode, class TConnection> friend class IGraph;

    int m_Index;
};

/// A one-way edge from one node index to another; the cost is what the pathfinder sums.
class GraphConnection
{
public:
    explicit GraphConnection(int from = invalid_node_index, int to = invalid_node_index, float cost = 1.f)
        : m_From(from), m_To(to), m_Cost(cost)
    {
    }
    virtual ~GraphConnection() = default;

    int GetFrom() const { return m_From; }
    int GetTo() const { return m_To; }
    float GetCost() const { return m_Cost; }
    /// Takes effect on the next search and the next drawn frame.
    void SetCost(float cost) { m_Cost = cost; }

protected:
    int m_From;
    int m_To;
    float m_Cost;
};

/// A connection with a colour; always created with the default dark grey.
class GraphConnection2D : public GraphConnection
{
public:
    explicit GraphConnection2D(int from = invalid_node_index, int to = invalid_node_index, float cost = 1.f)
        : GraphConnection(from, to, cost)
    {
    }

    const Color& GetColor() const { return m_Color; }

private:
    Color m_Color{0.2f, 0.2f, 0.2f, 1.f};
};

/// Owns every node handed to AddNode and every connection handed to AddConnection (plus the reverse
/// connections it creates); everyone else borrows raw pointers for the graph's lifetime.
/// Connection costs are expected to be non-negative (the pathfinder relies on it).
template <class TNode, class TConnection> class IGraph
{
public:
    using ConnectionList = std::list<TConnection*>;

    /// isDirectedGraph false: AddConnection also stores the reverse connection.
    explicit IGraph(bool isDirectedGraph) : m_IsDirectedGraph(isDirectedGraph) {}
    virtual ~IGraph() { Clear(); }

    IGraph(const IGraph&) = delete;
    IGraph& operator=(const IGraph&) = delete;

    /// Position of a node in the graph's own coordinates (the grid graph: column and row).
    virtual Vector2D GetNodePos(TNode* pNode) const = 0;
    /// World position of node idx; by default its graph position.
    virtual Vector2D GetNodeWorldPos(int idx) const { return GetNodePos(GetNode(idx)); }
    /// Index of the node at a world position, or -1 when there is none.
    virtual int GetNodeIdxAtWorldPos(const Vector2D& pos) const = 0;

    /// idx in [0, GetNrOfNodes()); the node is borrowed (it may be a removed node).
    TNode* GetNode(int idx) const
    {
        VEMOX_ASSERT((idx < (int)m_Nodes.size()) && (idx >= 0) && "<Graph::GetNode>: invalid index");
        return m_Nodes[idx];
    }

    /// Number of node slots, removed slots included.
    int GetNrOfNodes() const { return static_cast<int>(m_Nodes.size()); }

    /// Outgoing connections of node idx in insertion order; idx in [0, GetNrOfNodes()).
    ConnectionList& GetNodeConnections(int idx)
    {
        VEMOX_ASSERT((idx < (int)m_Nodes.size()) && (idx >= 0) && "<Graph::GetNode>: invalid index");
        return m_Connections[idx];
    }
    const ConnectionList& GetNodeConnections(int idx) const
    {
        VEMOX_ASSERT((idx < (int)m_Nodes.size()) && (idx >= 0) && "<Graph::GetNode>: invalid index");
        return m_Connections[idx];
    }

    /// The nodes that are not removed, in index order.
    std::vector<TNode*> GetAllActiveNodes() const
    {
        std::vector<TNode*> activeNodes;
        activeNodes.reserve(m_Nodes.size());
        for (TNode* pNode : m_Nodes)
        {
            if (pNode != nullptr && pNode->GetIndex() != invalid_node_index)
            {
                activeNodes.push_back(pNode);
            }
        }
        return activeNodes;
    }

    /// Takes ownership of pNode. Its index must be the next free index (appending) or the index of a
    /// removed slot (refilling, which deletes the removed node). Returns the index the next appended
    /// node must carry.
    int AddNode(TNode* pNode)
    {
        VEMOX_ASSERT((pNode != nullptr) && "<Graph::AddNode>: null node");
        const int idx = pNode->GetIndex();
        // A negative index takes the appending branch, whose assertion rejects it.
        if (idx >= 0 && idx < (int)m_Nodes.size())
        {
            VEMOX_ASSERT(m_Nodes[pNode->GetIndex()]->GetIndex() == invalid_node_index &&
                         "<Graph::AddNode>: Attempting to add a node with a duplicate ID");
            delete m_Nodes[idx];
            m_Nodes[idx] = pNode;
            ++m_StructureRevision;
            OnGraphModified(true, false);
            return m_NextNodeIndex;
        }

        VEMOX_ASSERT(pNode->GetIndex() == m_NextNodeIndex && "<Graph::AddNode>:invalid index");
        m_Nodes.push_back(pNode);
        m_Connections.emplace_back();
        ++m_StructureRevision;
        OnGraphModified(true, false);
        return m_NextNodeIndex++;
    }

    /// Takes ownership of pConnection, also when it is not stored because an endpoint is a removed node
    /// (it is then deleted). On an undirected graph a plain reverse connection with the same cost is
    /// added unless one already exists.
    void AddConnection(TConnection* pConnection)
    {
        VEMOX_ASSERT((pConnection != nullptr) && "<Graph::AddConnection>: null connection");
        const int from = pConnection->GetFrom();
        const int to = pConnection->GetTo();
        VEMOX_ASSERT((pConnection->GetFrom() >= 0) && (pConnection->GetFrom() < m_NextNodeIndex) &&
                     (pConnection->GetTo() >= 0) && (pConnection->GetTo() < m_NextNodeIndex) &&
                     (pConnection->GetTo() != pConnection->GetFrom()) &&
                     "<Graph::AddConnection>: invalid node index");

        if (m_Nodes[to]->GetIndex() == invalid_node_index || m_Nodes[from]->GetIndex() == invalid_node_index)
        {
            delete pConnection;
            OnGraphModified(false, true);
            return;
        }

        VEMOX_ASSERT(IsUniqueConnection(pConnection->GetFrom(), pConnection->GetTo()) &&
                     "Connection already exists on this graph");
        m_Connections[from].push_back(pConnection);
        ++m_StructureRevision;

        if (!m_IsDirectedGraph && IsUniqueConnection(to, from))
        {
            // The reverse is a plain connection whenever the list can hold one.
            if constexpr (std::is_convertible_v<GraphConnection*, TConnection*>)
            {
                m_Connections[to].push_back(new GraphConnection(to, from, pConnection->GetCost()));
            }
            else
            {
                m_Connections[to].push_back(new TConnection(to, from, pConnection->GetCost()));
            }
        }
        OnGraphModified(false, true);
    }

    /// True when node from has no connection to node to; from in [0, GetNrOfNodes()).
    bool IsUniqueConnection(int from, int to) const
    {
        VEMOX_ASSERT((from < (int)m_Connections.size()) && (from >= 0) &&
                     "<Graph::IsUniqueConnection>: invalid 'from' index");
        for (const TConnection* pConnection : m_Connections[from])
        {
            if (pConnection != nullptr && pConnection->GetTo() == to)
            {
                return false;
            }
        }
        return true;
    }

    /// The first connection from -> to in insertion order (borrowed), or null. Both nodes must exist.
    TConnection* GetConnection(int from, int to) const
    {
        VEMOX_ASSERT((from >= 0) && (from < (int)m_Nodes.size()) &&
                     (m_Nodes[from]->GetIndex() != invalid_node_index) &&
                     "<Graph::GetConnection>: invalid 'from' index");
        VEMOX_ASSERT((to >= 0) && (to < (int)m_Nodes.size()) &&
                     (m_Nodes[to]->GetIndex() != invalid_node_index) &&
                     "<Graph::GetConnection>: invalid 'to' index");
        for (TConnection* pConnection : m_Connections[from])
        {
            if (pConnection != nullptr && pConnection->GetTo() == to)
            {
                return pConnection;
            }
        }
        return nullptr;
    }

    /// The active node at a world position (borrowed), or null off the graph.
    TNode* GetNodeAtWorldPos(const Vector2D& pos) const
    {
        const int idx = GetNodeIdxAtWorldPos(pos);
        if (idx < 0 || idx >= (int)m_Nodes.size())
        {
            return nullptr;
        }
        TNode* pNode = GetNode(idx);
        return pNode->GetIndex() == invalid_node_index ? nullptr : pNode;
    }

    /// Marks node idx as removed (its object stays in the slot until refilled or cleared) and deletes every
    /// connection from or to it. idx must be an active node.
    void RemoveNode(int idx)
    {
        VEMOX_ASSERT((idx >= 0) && (idx < (int)m_Nodes.size()) &&
                     (m_Nodes[idx]->GetIndex() != invalid_node_index) &&
                     "<Graph::RemoveNode>: invalid index");
        static_cast<GraphNode*>(m_Nodes[idx])->m_Index = invalid_node_index;
        for (TConnection* pConnection : m_Connections[idx])
        {
            delete pConnection;
        }
        m_Connections[idx].clear();
        for (ConnectionList& connections : m_Connections)
        {
            for (auto it = connections.begin(); it != connections.end();)
            {
                if (*it != nullptr && (*it)->GetTo() == idx)
                {
                    delete *it;
                    it = connections.erase(it);
                }
                else
                {
                    ++it;
                }
            }
        }
        ++m_StructureRevision;
        OnGraphModified(true, true);
    }

    /// Deletes every node and connection; the graph is empty again and the next node index is 0.
    void Clear()
    {
        for (TNode*& pNode : m_Nodes)
        {
            delete pNode;
            pNode = nullptr;
        }
        m_Nodes.clear();
        for (ConnectionList& connections : m_Connections)
        {
            for (TConnection*& pConnection : connections)
            {
                delete pConnection;
                pConnection = nullptr;
            }
            connections.clear();
        }
        m_Connections.clear();
        m_NextNodeIndex = 0;
        ++m_StructureRevision;
    }

    bool IsDirected() const { return m_IsDirectedGraph; }

    /// Changes whenever a node or a connection is added or removed (never with a cost), so that a user
    /// may keep tables derived from the graph's structure and know when to rebuild them.
    std::uint64_t GetStructureRevision() const { return m_StructureRevision; }

protected:
    /// Runs after every AddNode (true, false), AddConnection (false, true) and RemoveNode (true, true).
    virtual void OnGraphModified(bool nrOfNodesChanged, bool nrOfConnectionsChanged)
    {
        (void)nrOfNodesChanged;
        (void)nrOfConnectionsChanged;
    }

    std::vector<ConnectionList> m_Connections;
    std::vector<TNode*> m_Nodes;
    bool m_IsDirectedGraph;
    int m_NextNodeIndex = 0;
    std::uint64_t m_StructureRevision = 0;
};
} // namespace Vemox
