// Behaviour tree: selector and sequence composites over condition and action leaves, run once per
// update from the root against one blackboard. Ownership runs strictly downward.
#pragma once

#include "framework/VemoxAI/DecisionMaking/Blackboard.h"
#include "framework/VemoxAI/DecisionMaking/IDecisionMaking.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace Vemox
{
enum class BehaviorState : std::int32_t
{
    Failure = 0,
    Success = 1,
    Running = 2
};

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

protected:
    BehaviorState m_CurrentState = BehaviorState::Failure;
};

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
    /// Executes pChild, or yields Failure for a null child.
    static BehaviorState ExecuteChild(IBehavior* pChild, Blackboard* pBlackboard);

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

    /// Result of the latest update; Failure before the first.
    BehaviorState GetCurrentState() const { return m_CurrentState; }
    /// Non-owning.
    Blackboard* GetBlackboard() const { return m_pBlackboard; }
    /// Non-owning.
    IBehavior* GetRootBehavior() const { return m_pRootBehavior; }

private:
    BehaviorState m_CurrentState = BehaviorState::Failure;
    Blackboard* m_pBlackboard = nullptr;
    IBehavior* m_pRootBehavior = nullptr;
};
} // namespace Vemox
