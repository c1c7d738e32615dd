// Behaviour tree: selector and sequence composites over condition and action leaves, run once per
// update from the root against one blackboard. Ownership runs strictly downward. A tree can record
// which nodes ran in its latest update and what they returned, for an observer such as an inspector.
#pragma once

#include "framework/VemoxAI/DecisionMaking/Blackboard.h"
#include "framework/VemoxAI/DecisionMaking/IDecisionMaking.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Vemox
{
enum class BehaviorState : std::int32_t
{
    Failure = 0,
    Success = 1,
    Running = 2
};

class BehaviorTree;

/// A node. Every execution records its result in the node's current state.
class IBehavior
{
public:
    IBehavior() = default;
    virtual ~IBehavior() = default;
    IBehavior(const IBehavior&) = delete;
    IBehavior& operator=(const IBehavior&) = delete;

    /// Runs the node once against pBlackboard (not owned, passed on unchanged to children).
    virtual BehaviorState Execute(Blackboard* pBlackboard) = 0;

    /// Result of the latest execution; Failure before the first.
    BehaviorState GetCurrentState() const { return m_CurrentState; }

    /// A readable name for observers; empty unless set. Names play no part in execution.
    const std::string& GetName() const { return m_Name; }
    void SetName(std::string name) { m_Name = std::move(name); }

protected:
    BehaviorState m_CurrentState = BehaviorState::Failure;

private:
    friend class BehaviorComposite;
    friend class BehaviorTree;

    std::string m_Name;
    /// The recorded update of the owning tree in which this node last ran (0: none), and what it
    /// returned then. Written only while the tree records.
    std::uint32_t m_VisitTick = 0;
    BehaviorState m_VisitState = BehaviorState::Failure;
};

/// Gives pBehavior the name and returns it, for naming nodes where a tree is assembled.
template <typename Behavior> Behavior* Named(Behavior* pBehavior, std::string name)
{
    pBehavior->SetName(std::move(name));
    return pBehavior;
}

/// A node with ordered children, which it owns and deletes (null children are skipped).
/// A null child executes as a failing child. The same node must not appear twice among the children.
class BehaviorComposite : public IBehavior
{
public:
    explicit BehaviorComposite(std::vector<IBehavior*> childBehaviors);
    ~BehaviorComposite() override;

    /// Non-owning view of the children, in execution order.
    const std::vector<IBehavior*>& GetChildBehaviors() const { return m_ChildBehaviors; }

protected:
    /// Executes pChild, or yields Failure for a null child. While the tree records, also records the
    /// child's visit; composites run their children only through here.
    BehaviorState ExecuteChild(IBehavior* pChild, Blackboard* pBlackboard) const;

    std::vector<IBehavior*> m_ChildBehaviors;
};

/// Runs children in order from the first on every execution:
/// - stops at the first child that returns Success or Running and returns that;
/// - returns Failure when every child failed or there are no children.
class BehaviorSelector : public BehaviorComposite
{
public:
    explicit BehaviorSelector(std::vector<IBehavior*> childBehaviors);
    BehaviorState Execute(Blackboard* pBlackboard) override;
};

/// Runs children in order from the first on every execution:
/// - stops at the first child that returns Failure or Running and returns that;
/// - returns Success when every child succeeded or there are no children.
class BehaviorSequence : public BehaviorComposite
{
public:
    explicit BehaviorSequence(std::vector<IBehavior*> childBehaviors);
    BehaviorState Execute(Blackboard* pBlackboard) override;
};

/// Leaf: Success when the condition holds, else Failure. Without a condition it returns Failure
/// and keeps its previous state.
class BehaviorConditional : public IBehavior
{
public:
    explicit BehaviorConditional(std::function<bool(Blackboard*)> condition);
    BehaviorState Execute(Blackboard* pBlackboard) override;

private:
    std::function<bool(Blackboard*)> m_Condition;
};

/// Leaf: returns what the action returns. Without an action it returns Failure and keeps its
/// previous state.
class BehaviorAction : public IBehavior
{
public:
    explicit BehaviorAction(std::function<BehaviorState(Blackboard*)> action);
    BehaviorState Execute(Blackboard* pBlackboard) override;

private:
    std::function<BehaviorState(Blackboard*)> m_Action;
};

/// Decision making by a behaviour tree. Owns the blackboard and the root node; deletes the root
/// (with the whole hierarchy) first, then the blackboard.
class BehaviorTree : public IDecisionMaking
{
public:
    /// Takes ownership of both; either may be null (a tree without a root records Failure).
    BehaviorTree(Blackboard* pBlackboard, IBehavior* pRootBehavior);
    ~BehaviorTree() override;
    BehaviorTree(const BehaviorTree&) = delete;
    BehaviorTree& operator=(const BehaviorTree&) = delete;

    /// Executes the root once; deltaTime (seconds) is not used.
    void Update(float deltaTime) override;
    /// This tree, its blackboard and every node with its list of children.
    void AddFootprint(MemoryFootprint& footprint) const override;

    /// Whether each update records which nodes ran and what they returned. Off by default; recording
    /// never changes what the tree does.
    void SetRecording(bool isRecording);
    bool IsRecording() const { return m_IsRecording; }

    /// How one node of this tree fared in the latest recorded update.
    struct NodeRecord
    {
        bool wasVisited = false; ///< false: the node did not run in that update (or nothing is recorded)
        BehaviorState state = BehaviorState::Failure; ///< what it returned, when it ran
    };
    /// The record of node (which must belong to this tree) in the latest update, when that update was
    /// recorded; otherwise a record of a node that did not run.
    NodeRecord GetLastTickRecord(const IBehavior& node) const;

    /// Visits every node depth first, parents before children, in execution order, without running
    /// any: visit(const IBehavior& node, int depth, const NodeRecord& record), depth 0 for the root.
    /// Null children are skipped.
    template <typename Visitor> void VisitNodes(Visitor&& visit) const;

    /// Result of the latest update; Failure before the first.
    BehaviorState GetCurrentState() const { return m_CurrentState; }
    /// Non-owning.
    Blackboard* GetBlackboard() const { return m_pBlackboard; }
    /// Non-owning.
    IBehavior* GetRootBehavior() const { return m_pRootBehavior; }

private:
    static void ClearVisits(IBehavior& node);
    template <typename Visitor> void VisitNode(const IBehavior& node, int depth, Visitor& visit) const;

    BehaviorState m_CurrentState = BehaviorState::Failure;
    Blackboard* m_pBlackboard = nullptr;
    IBehavior* m_pRootBehavior = nullptr;
    bool m_IsRecording = false;
    std::uint32_t m_Tick = 0; ///< recorded updates so far; node visits carry it
};

/// "Selector", "Sequence", "Condition", "Action" or "Node": the class of a node, for observers.
const char* GetBehaviorKindName(const IBehavior& behavior);

template <typename Visitor> void BehaviorTree::VisitNodes(Visitor&& visit) const
{
    if (m_pRootBehavior != nullptr)
        VisitNode(*m_pRootBehavior, 0, visit);
}

template <typename Visitor>
void BehaviorTree::VisitNode(const IBehavior& node, int depth, Visitor& visit) const
{
    visit(node, depth, GetLastTickRecord(node));
    if (const auto* pComposite = dynamic_cast<const BehaviorComposite*>(&node))
    {
        for (const IBehavior* pChild : pComposite->GetChildBehaviors())
        {
            if (pChild != nullptr)
                VisitNode(*pChild, depth + 1, visit);
        }
    }
}
} // namespace Vemox
