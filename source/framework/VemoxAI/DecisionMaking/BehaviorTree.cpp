// Execution rules and teardown of the behaviour-tree nodes.
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"

#include "framework/VemoxCore/VemoxAssert.h"

#include <algorithm>
#include <utility>

namespace Vemox
{
namespace
{
bool HasDuplicateChild(std::vector<IBehavior*> children)
{
    children.erase(std::remove(children.begin(), children.end(), nullptr), children.end());
    std::sort(children.begin(), children.end());
    return std::adjacent_find(children.begin(), children.end()) != children.end();
}
} // namespace

BehaviorComposite::BehaviorComposite(std::vector<IBehavior*> childBehaviors)
    : m_ChildBehaviors(std::move(childBehaviors))
{
    // A child listed twice would be deleted twice; stop at construction instead of corrupting the heap.
    VEMOX_ASSERT(!HasDuplicateChild(m_ChildBehaviors) &&
                 "<BehaviorComposite::BehaviorComposite>: the same child appears more than once");
}

BehaviorComposite::~BehaviorComposite()
{
    for (IBehavior*& pChild : m_ChildBehaviors)
    {
        delete pChild;
        pChild = nullptr;
    }
    m_ChildBehaviors.clear();
}

BehaviorState BehaviorComposite::ExecuteChild(IBehavior* pChild, Blackboard* pBlackboard)
{
    return pChild != nullptr ? pChild->Execute(pBlackboard) : BehaviorState::Failure;
}

BehaviorSelector::BehaviorSelector(std::vector<IBehavior*> childBehaviors)
    : BehaviorComposite(std::move(childBehaviors))
{
}

BehaviorState BehaviorSelector::Execute(Blackboard* pBlackboard)
{
    for (IBehavior* pChild : m_ChildBehaviors)
    {
        m_CurrentState = ExecuteChild(pChild, pBlackboard);
        if (m_CurrentState != BehaviorState::Failure)
        {
            return m_CurrentState;
        }
    }
    m_CurrentState = BehaviorState::Failure;
    return m_CurrentState;
}

BehaviorSequence::BehaviorSequence(std::vector<IBehavior*> childBehaviors)
    : BehaviorComposite(std::move(childBehaviors))
{
}

BehaviorState BehaviorSequence::Execute(Blackboard* pBlackboard)
{
    for (IBehavior* pChild : m_ChildBehaviors)
    {
        m_CurrentState = ExecuteChild(pChild, pBlackboard);
        if (m_CurrentState != BehaviorState::Success)
        {
            return m_CurrentState;
        }
    }
    m_CurrentState = BehaviorState::Success;
    return m_CurrentState;
}

BehaviorConditional::BehaviorConditional(std::function<bool(Blackboard*)> condition)
    : m_Condition(std::move(condition))
{
}

BehaviorState BehaviorConditional::Execute(Blackboard* pBlackboard)
{
    if (!m_Condition)
    {
        return BehaviorState::Failure;
    }
    m_CurrentState = m_Condition(pBlackboard) ? BehaviorState::Success : BehaviorState::Failure;
    return m_CurrentState;
}

BehaviorAction::BehaviorAction(std::function<BehaviorState(Blackboard*)> action) : m_Action(std::move(action))
{
}

BehaviorState BehaviorAction::Execute(Blackboard* pBlackboard)
{
    if (!m_Action)
    {
        return BehaviorState::Failure;
    }
    m_CurrentState = m_Action(pBlackboard);
    return m_CurrentState;
}

BehaviorTree::BehaviorTree(Blackboard* pBlackboard, IBehavior* pRootBehavior)
    : m_pBlackboard(pBlackboard), m_pRootBehavior(pRootBehavior)
{
}

BehaviorTree::~BehaviorTree()
{
    // Nodes may still hold pointers read from the blackboard; the blackboard goes last.
    delete m_pRootBehavior;
    m_pRootBehavior = nullptr;
    delete m_pBlackboard;
    m_pBlackboard = nullptr;
}

void BehaviorTree::Update(float /*deltaTime*/)
{
    m_CurrentState =
        m_pRootBehavior != nullptr ? m_pRootBehavior->Execute(m_pBlackboard) : BehaviorState::Failure;
}
} // namespace Vemox
