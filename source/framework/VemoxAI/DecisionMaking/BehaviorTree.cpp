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

BehaviorState BehaviorComposite::ExecuteChild(IBehavior* pChild, Blackboard* pBlackboard) const
{
    if (pChild == nullptr)
        return BehaviorState::Failure;
    // A composite runs with a non-zero visit tick only inside a recorded update: the tree stamps the
    // root, and every composite hands the stamp on to the children it runs. Otherwise this is the
    // plain call, with one test of a value already in the cache.
    if (m_VisitTick == 0)
        return pChild->Execute(pBlackboard);
    pChild->m_VisitTick = m_VisitTick;
    const BehaviorState state = pChild->Execute(pBlackboard);
    pChild->m_VisitState = state;
    return state;
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
    if (m_pRootBehavior == nullptr)
    {
        m_CurrentState = BehaviorState::Failure;
        return;
    }
    if (!m_IsRecording)
    {
        m_CurrentState = m_pRootBehavior->Execute(m_pBlackboard);
        return;
    }
    // Tick 0 means "not recorded", so the count skips it when it wraps.
    if (++m_Tick == 0)
        m_Tick = 1;
    m_pRootBehavior->m_VisitTick = m_Tick;
    m_CurrentState = m_pRootBehavior->Execute(m_pBlackboard);
    m_pRootBehavior->m_VisitState = m_CurrentState;
}

void BehaviorTree::AddFootprint(MemoryFootprint& footprint) const
{
    footprint.Add(this, sizeof(*this));
    if (m_pBlackboard != nullptr)
        m_pBlackboard->AddFootprint(footprint);
    VisitNodes(
        [&footprint](const IBehavior& node, int, const NodeRecord&)
        {
            if (const auto* pComposite = dynamic_cast<const BehaviorComposite*>(&node))
            {
                footprint.Add(pComposite, sizeof(BehaviorSelector));
                const std::vector<IBehavior*>& children = pComposite->GetChildBehaviors();
                footprint.Add(children.data(), children.size() * sizeof(IBehavior*));
            }
            else
            {
                footprint.Add(&node, std::max(sizeof(BehaviorAction), sizeof(BehaviorConditional)));
            }
        });
}

void BehaviorTree::SetRecording(bool isRecording)
{
    // Stamps left in the nodes would have the composites go on recording their children.
    if (m_IsRecording && !isRecording && m_pRootBehavior != nullptr)
        ClearVisits(*m_pRootBehavior);
    m_IsRecording = isRecording;
}

void BehaviorTree::ClearVisits(IBehavior& node)
{
    node.m_VisitTick = 0;
    if (auto* pComposite = dynamic_cast<BehaviorComposite*>(&node))
    {
        for (IBehavior* pChild : pComposite->GetChildBehaviors())
        {
            if (pChild != nullptr)
                ClearVisits(*pChild);
        }
    }
}

BehaviorTree::NodeRecord BehaviorTree::GetLastTickRecord(const IBehavior& node) const
{
    if (!m_IsRecording || m_Tick == 0 || node.m_VisitTick != m_Tick)
        return NodeRecord{};
    return NodeRecord{true, node.m_VisitState};
}

const char* GetBehaviorKindName(const IBehavior& behavior)
{
    if (dynamic_cast<const BehaviorSelector*>(&behavior) != nullptr)
        return "Selector";
    if (dynamic_cast<const BehaviorSequence*>(&behavior) != nullptr)
        return "Sequence";
    if (dynamic_cast<const BehaviorConditional*>(&behavior) != nullptr)
        return "Condition";
    if (dynamic_cast<const BehaviorAction*>(&behavior) != nullptr)
        return "Action";
    return "Node";
}
} // namespace Vemox
