// IGraph: node slots, connection storage and lookup, ownership, the modification hook and the
// precondition assertions with their documented texts.
#include "framework/VemoxAI/VemoxGraphs/ConnectionIndex.h"
#include "framework/VemoxAI/VemoxGraphs/VIGraph.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

using namespace Vemox;

namespace
{
int g_LiveNodes = 0;
int g_LiveConnections = 0;

// Counts live objects so that the tests can see what the graph deletes.
class CountedNode : public GraphNode
{
public:
    explicit CountedNode(int index) : GraphNode(index) { ++g_LiveNodes; }
    ~CountedNode() override { --g_LiveNodes; }
};

class CountedConnection : public GraphConnection
{
public:
    CountedConnection(int from, int to, float cost = 1.f) : GraphConnection(from, to, cost)
    {
        ++g_LiveConnections;
    }
    ~CountedConnection() override { --g_LiveConnections; }
};

// A line of nodes: node i sits at graph position (i, 0) and covers world x in [i, i + 1).
class LineGraph : public IGraph<GraphNode, GraphConnection>
{
public:
    explicit LineGraph(bool isDirected, int nrOfNodes = 0) : IGraph(isDirected)
    {
        for (int i = 0; i < nrOfNodes; ++i)
        {
            AddNode(new GraphNode(i));
        }
        m_Modifications.clear();
    }

    Vector2D GetNodePos(GraphNode* pNode) const override
    {
        return {static_cast<float>(pNode->GetIndex()), 0.f};
    }
    int GetNodeIdxAtWorldPos(const Vector2D& pos) const override
    {
        return pos.x < 0.f ? -1 : static_cast<int>(pos.x); // may exceed the node count on purpose
    }

    std::vector<std::pair<bool, bool>> m_Modifications;

protected:
    void OnGraphModified(bool nrOfNodesChanged, bool nrOfConnectionsChanged) override
    {
        m_Modifications.emplace_back(nrOfNodesChanged, nrOfConnectionsChanged);
    }
};

using Modification = std::pair<bool, bool>;
const Modification NodesChanged{true, false};
const Modification ConnectionsChanged{false, true};
} // namespace

TEST(GraphNodes, AppendingReturnsConsecutiveIndicesAndGrowsTheConnectionLists)
{
    LineGraph graph(true);
    for (int i = 0; i < 5; ++i)
    {
        EXPECT_EQ(graph.AddNode(new GraphNode(i)), i);
        EXPECT_EQ(graph.GetNrOfNodes(), i + 1);
        EXPECT_TRUE(graph.GetNodeConnections(i).empty());
    }
    EXPECT_EQ(graph.m_Modifications, std::vector<Modification>(5, NodesChanged));
    EXPECT_EQ(graph.GetNode(3)->GetIndex(), 3);
}

TEST(GraphNodes, RemovedSlotIsRefilledWithoutMovingTheNextIndex)
{
    LineGraph graph(true, 4);
    graph.AddConnection(new GraphConnection(0, 2));
    graph.AddConnection(new GraphConnection(2, 3));
    graph.AddConnection(new GraphConnection(1, 3));

    graph.RemoveNode(2);
    EXPECT_EQ(graph.GetNode(2)->GetIndex(), invalid_node_index);
    EXPECT_EQ(graph.GetNrOfNodes(), 4);
    // Connections from and to the removed node are gone; others stay.
    EXPECT_TRUE(graph.GetNodeConnections(0).empty());
    EXPECT_TRUE(graph.GetNodeConnections(2).empty());
    EXPECT_NE(graph.GetConnection(1, 3), nullptr);
    const std::vector<GraphNode*> active = graph.GetAllActiveNodes();
    ASSERT_EQ(active.size(), 3u);
    EXPECT_EQ(active[0]->GetIndex(), 0);
    EXPECT_EQ(active[1]->GetIndex(), 1);
    EXPECT_EQ(active[2]->GetIndex(), 3);

    GraphNode* pRefill = new GraphNode(2);
    EXPECT_EQ(graph.AddNode(pRefill), 4); // the next appended node must still carry 4
    EXPECT_EQ(graph.GetNode(2), pRefill);
    EXPECT_EQ(graph.GetNrOfNodes(), 4);
    EXPECT_EQ(graph.GetAllActiveNodes().size(), 4u);
    EXPECT_EQ(graph.AddNode(new GraphNode(4)), 4);
    EXPECT_EQ(graph.GetNrOfNodes(), 5);
}

TEST(GraphConnections, DirectedGraphStoresExactlyTheGivenConnection)
{
    LineGraph graph(true, 8);
    auto* pConnection = new GraphConnection(3, 7, 2.5f);
    graph.AddConnection(pConnection);

    EXPECT_EQ(graph.m_Modifications, std::vector<Modification>{ConnectionsChanged});
    ASSERT_EQ(graph.GetNodeConnections(3).size(), 1u);
    EXPECT_EQ(graph.GetNodeConnections(3).front(), pConnection);
    EXPECT_TRUE(graph.GetNodeConnections(7).empty());
    EXPECT_EQ(graph.GetConnection(3, 7), pConnection);
    EXPECT_EQ(graph.GetConnection(7, 3), nullptr);
    EXPECT_FALSE(graph.IsUniqueConnection(3, 7));
    EXPECT_TRUE(graph.IsUniqueConnection(7, 3));
}

TEST(GraphConnections, UndirectedGraphAddsAPlainReverseWithTheSameCost)
{
    LineGraph graph(false, 8);
    graph.AddConnection(new GraphConnection2D(3, 7, 2.5f));

    EXPECT_FALSE(graph.IsUniqueConnection(7, 3));
    GraphConnection* pReverse = graph.GetConnection(7, 3);
    ASSERT_NE(pReverse, nullptr);
    EXPECT_EQ(pReverse->GetFrom(), 7);
    EXPECT_EQ(pReverse->GetTo(), 3);
    EXPECT_EQ(pReverse->GetCost(), 2.5f);
    EXPECT_EQ(dynamic_cast<GraphConnection2D*>(pReverse), nullptr);
    EXPECT_NE(dynamic_cast<GraphConnection2D*>(graph.GetConnection(3, 7)), nullptr);
    EXPECT_EQ(graph.GetNodeConnections(7).size(), 1u);
}

TEST(GraphConnections, UndirectedGraphKeepsAnExistingReverse)
{
    LineGraph graph(false, 8);
    auto* pExisting = new GraphConnection(7, 3, 9.f);
    graph.GetNodeConnections(7).push_back(pExisting); // stored behind the graph's back; still owned by it

    graph.AddConnection(new GraphConnection(3, 7, 2.5f));
    ASSERT_EQ(graph.GetNodeConnections(7).size(), 1u);
    EXPECT_EQ(graph.GetConnection(7, 3), pExisting);
    EXPECT_EQ(pExisting->GetCost(), 9.f);
}

TEST(GraphConnections, LookupReturnsTheFirstMatchInInsertionOrder)
{
    LineGraph graph(true, 5);
    auto* pTo1 = new GraphConnection(0, 1);
    auto* pTo2 = new GraphConnection(0, 2);
    auto* pTo3 = new GraphConnection(0, 3);
    graph.AddConnection(pTo3);
    graph.AddConnection(pTo1);
    graph.AddConnection(pTo2);
    // Lists edited directly may hold null entries and duplicates; the walk skips the former and stops
    // at the earlier of the latter.
    graph.GetNodeConnections(0).push_front(nullptr);
    graph.GetNodeConnections(0).push_back(new GraphConnection(0, 2, 7.f));

    EXPECT_EQ(graph.GetConnection(0, 1), pTo1);
    EXPECT_EQ(graph.GetConnection(0, 2), pTo2);
    EXPECT_EQ(graph.GetConnection(0, 3), pTo3);
    EXPECT_EQ(graph.GetConnection(0, 4), nullptr);
    EXPECT_EQ(graph.GetConnection(2, 0), nullptr);
    const std::vector<GraphConnection*> order(graph.GetNodeConnections(0).begin(),
                                              graph.GetNodeConnections(0).end());
    EXPECT_EQ(order[1], pTo3);
    EXPECT_EQ(order[2], pTo1);
    EXPECT_EQ(order[3], pTo2);
}

TEST(GraphConnections, AnIndexFindsWhatTheGraphFindsAcrossChangesAndGraphs)
{
    LineGraph graph(true, 5);
    auto* pFirst = new GraphConnection(0, 2);
    graph.AddConnection(new GraphConnection(0, 3));
    graph.AddConnection(pFirst);
    graph.AddConnection(new GraphConnection(2, 4));
    graph.GetNodeConnections(0).push_back(new GraphConnection(0, 2, 7.f)); // a later duplicate
    graph.AddConnection(new GraphConnection(4, 1)); // the revision moves after the direct edit
    ConnectionIndex<GraphNode, GraphConnection> index;
    const auto expectSameAsGraph = [&](const LineGraph& from)
    {
        const std::uint64_t copies = index.GetCopies();
        EXPECT_TRUE(index.Update(from));
        EXPECT_FALSE(index.Update(from));
        EXPECT_EQ(index.GetCopies(), copies + 1);
        for (int a = -1; a <= from.GetNrOfNodes(); ++a)
            for (int b = -1; b <= from.GetNrOfNodes(); ++b)
            {
                const bool active = a >= 0 && b >= 0 && a < from.GetNrOfNodes() && b < from.GetNrOfNodes() &&
                                    from.GetNode(a)->GetIndex() >= 0 && from.GetNode(b)->GetIndex() >= 0;
                EXPECT_EQ(index.Find(a, b), active ? from.GetConnection(a, b) : nullptr) << a << " -> " << b;
            }
    };
    expectSameAsGraph(graph);
    EXPECT_EQ(index.Find(0, 2), pFirst);
    graph.RemoveNode(2); // takes 0 -> 2 and 2 -> 4 with it
    expectSameAsGraph(graph);
    EXPECT_EQ(index.Find(0, 2), nullptr);
    graph.AddNode(new GraphNode(2));
    graph.AddConnection(new GraphConnection(2, 0));
    expectSameAsGraph(graph);
    LineGraph other(true, 2);
    other.AddConnection(new GraphConnection(1, 0));
    expectSameAsGraph(other);
}

TEST(GraphConnections, SetCostIsSeenByTheNextLookup)
{
    LineGraph graph(true, 3);
    graph.AddConnection(new GraphConnection2D(0, 1, 50.f));
    EXPECT_EQ(graph.GetConnection(0, 1)->GetCost(), 50.f);
    graph.GetConnection(0, 1)->SetCost(0.f);
    EXPECT_EQ(graph.GetConnection(0, 1)->GetCost(), 0.f);
    graph.GetConnection(0, 1)->SetCost(250.f);
    EXPECT_EQ(graph.GetConnection(0, 1)->GetCost(), 250.f);
}

TEST(GraphConnections, ConnectionToARemovedNodeIsDeletedAndStillReported)
{
    g_LiveConnections = 0;
    LineGraph graph(false, 3);
    graph.RemoveNode(1);
    graph.m_Modifications.clear();

    graph.AddConnection(new CountedConnection(0, 1));
    graph.AddConnection(new CountedConnection(1, 2));
    EXPECT_EQ(g_LiveConnections, 0);
    EXPECT_TRUE(graph.GetNodeConnections(0).empty());
    EXPECT_TRUE(graph.GetNodeConnections(1).empty());
    EXPECT_TRUE(graph.GetNodeConnections(2).empty());
    EXPECT_EQ(graph.m_Modifications, std::vector<Modification>(2, ConnectionsChanged));
}

TEST(GraphOwnership, ClearAndDestructorDeleteEverything)
{
    g_LiveNodes = 0;
    g_LiveConnections = 0;
    {
        LineGraph graph(true);
        for (int i = 0; i < 4; ++i)
        {
            graph.AddNode(new CountedNode(i));
        }
        graph.AddConnection(new CountedConnection(0, 1));
        graph.AddConnection(new CountedConnection(1, 2));
        graph.RemoveNode(3);
        graph.AddNode(new CountedNode(3)); // refilling deletes the removed node
        EXPECT_EQ(g_LiveNodes, 4);
        EXPECT_EQ(g_LiveConnections, 2);

        graph.Clear();
        EXPECT_EQ(g_LiveNodes, 0);
        EXPECT_EQ(g_LiveConnections, 0);
        EXPECT_EQ(graph.GetNrOfNodes(), 0);
        EXPECT_EQ(graph.AddNode(new CountedNode(0)), 0); // numbering starts again
        graph.AddNode(new CountedNode(1));
        graph.AddConnection(new CountedConnection(1, 0));
    }
    EXPECT_EQ(g_LiveNodes, 0);
    EXPECT_EQ(g_LiveConnections, 0);
}

TEST(GraphWorldLookup, NodeAtWorldPosIsNullOffTheGraph)
{
    LineGraph graph(true, 3);
    EXPECT_EQ(graph.GetNodeAtWorldPos({1.5f, 0.f}), graph.GetNode(1));
    EXPECT_EQ(graph.GetNodeAtWorldPos({-0.5f, 0.f}), nullptr); // index -1
    EXPECT_EQ(graph.GetNodeAtWorldPos({3.f, 0.f}), nullptr);   // index 3 past the last node
    graph.RemoveNode(1);
    EXPECT_EQ(graph.GetNodeAtWorldPos({1.5f, 0.f}), nullptr);
    EXPECT_EQ(graph.GetNodeWorldPos(2), Vector2D(2.f, 0.f)); // default: the graph position
}

TEST(GraphDeathTest, NodeIndexOutOfRangeReportsTheConditionAndMessage)
{
    LineGraph graph(true, 3);
    const char* expected =
        "Assertion failed: \\(idx < \\(int\\)m_Nodes\\.size\\(\\)\\) && \\(idx >= 0\\) && "
        "\"<Graph::GetNode>: invalid index\", file .*framework/VemoxAI/VemoxGraphs/VIGraph\\.h, "
        "line [0-9]+";
    EXPECT_DEATH(graph.GetNode(3), expected);
    EXPECT_DEATH(graph.GetNode(-1), expected);
    EXPECT_DEATH(graph.GetNodeConnections(3), expected);
    EXPECT_DEATH(graph.GetNodeConnections(-1), expected);
}

TEST(GraphDeathTest, AddNodeRejectsDuplicatesAndGaps)
{
    LineGraph graph(true, 3);
    EXPECT_DEATH(graph.AddNode(new GraphNode(1)),
                 "m_Nodes\\[pNode->GetIndex\\(\\)\\]->GetIndex\\(\\) == invalid_node_index && "
                 "\"<Graph::AddNode>: Attempting to add a node with a duplicate ID\"");
    EXPECT_DEATH(graph.AddNode(new GraphNode(5)), "pNode->GetIndex\\(\\) == m_NextNodeIndex && "
                                                  "\"<Graph::AddNode>:invalid index\"");
    EXPECT_DEATH(graph.AddNode(new GraphNode(invalid_node_index)), "\"<Graph::AddNode>:invalid index\"");
}

TEST(GraphDeathTest, AddConnectionRejectsBadEndpointsAndDuplicates)
{
    LineGraph graph(true, 3);
    graph.AddConnection(new GraphConnection(0, 1));
    const char* invalid = "\"<Graph::AddConnection>: invalid node index\"";
    EXPECT_DEATH(graph.AddConnection(new GraphConnection(0, 3)), invalid);
    EXPECT_DEATH(graph.AddConnection(new GraphConnection(3, 0)), invalid);
    EXPECT_DEATH(graph.AddConnection(new GraphConnection(2, 2)), invalid);
    EXPECT_DEATH(graph.AddConnection(new GraphConnection(-1, 2)), invalid);
    EXPECT_DEATH(graph.AddConnection(new GraphConnection()), invalid);
    EXPECT_DEATH(graph.AddConnection(new GraphConnection(0, 1, 5.f)),
                 "IsUniqueConnection\\(pConnection->GetFrom\\(\\), pConnection->GetTo\\(\\)\\) && "
                 "\"Connection already exists on this graph\"");
}

TEST(GraphDeathTest, GetConnectionRejectsInvalidOrRemovedEndpoints)
{
    LineGraph graph(true, 3);
    graph.RemoveNode(2);
    EXPECT_DEATH(graph.GetConnection(3, 0), "\"<Graph::GetConnection>: invalid 'from' index\"");
    EXPECT_DEATH(graph.GetConnection(-1, 0), "\"<Graph::GetConnection>: invalid 'from' index\"");
    EXPECT_DEATH(graph.GetConnection(2, 0), "\"<Graph::GetConnection>: invalid 'from' index\"");
    EXPECT_DEATH(graph.GetConnection(0, 3), "\"<Graph::GetConnection>: invalid 'to' index\"");
    EXPECT_DEATH(graph.GetConnection(0, 2), "\"<Graph::GetConnection>: invalid 'to' index\"");
}
