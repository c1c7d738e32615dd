// Behaviour tree: execution rules of the composites and leaves, recorded states, and teardown order.
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using namespace Vemox;

namespace
{
using DeletionLog = std::vector<std::string>;

// Test double: returns a settable result, counts its executions and logs its deletion.
class StubBehavior final : public IBehavior
{
public:
    StubBehavior(std::string name, BehaviorState result, DeletionLog* pLog = nullptr)
        : m_Name(std::move(name)), m_Result(result), m_pLog(pLog)
    {
    }
    ~StubBehavior() override
    {
        if (m_pLog != nullptr)
        {
            m_pLog->push_back(m_Name);
        }
    }
    BehaviorState Execute(Blackboard* pBlackboard) override
    {
        ++m_NrOfCalls;
        m_pLastBlackboard = pBlackboard;
        m_CurrentState = m_Result;
        return m_Result;
    }

    std::string m_Name;
    BehaviorState m_Result;
    DeletionLog* m_pLog;
    int m_NrOfCalls = 0;
    Blackboard* m_pLastBlackboard = nullptr;
};

// Composites that log their own deletion, to check the order against their children.
template <typename Composite> class LoggingComposite final : public Composite
{
public:
    LoggingComposite(std::string name, std::vector<IBehavior*> children, DeletionLog* pLog)
        : Composite(std::move(children)), m_Name(std::move(name)), m_pLog(pLog)
    {
    }
    ~LoggingComposite() override { m_pLog->push_back(m_Name); }

private:
    std::string m_Name;
    DeletionLog* m_pLog;
};

constexpr BehaviorState Failure = BehaviorState::Failure;
constexpr BehaviorState Success = BehaviorState::Success;
constexpr BehaviorState Running = BehaviorState::Running;
} // namespace

TEST(BehaviorState, HasTheDocumentedValuesIn32Bits)
{
    EXPECT_EQ(static_cast<int>(Failure), 0);
    EXPECT_EQ(static_cast<int>(Success), 1);
    EXPECT_EQ(static_cast<int>(Running), 2);
    EXPECT_EQ(sizeof(BehaviorState), 4u);
}

TEST(BehaviorSelector, StopsAtTheFirstChildThatDoesNotFail)
{
    for (const BehaviorState stopper : {Success, Running})
    {
        auto* const pFirst = new StubBehavior("first", Failure);
        auto* const pSecond = new StubBehavior("second", stopper);
        auto* const pThird = new StubBehavior("third", Success);
        BehaviorSelector selector({pFirst, pSecond, pThird});

        EXPECT_EQ(selector.Execute(nullptr), stopper);
        EXPECT_EQ(selector.GetCurrentState(), stopper);
        EXPECT_EQ(pFirst->m_NrOfCalls, 1);
        EXPECT_EQ(pSecond->m_NrOfCalls, 1);
        EXPECT_EQ(pThird->m_NrOfCalls, 0);
        EXPECT_EQ(pFirst->GetCurrentState(), Failure);
        EXPECT_EQ(pSecond->GetCurrentState(), stopper);
    }
}

TEST(BehaviorSelector, FailsWhenEveryChildFailsOrThereAreNone)
{
    auto* const pFirst = new StubBehavior("first", Failure);
    auto* const pSecond = new StubBehavior("second", Failure);
    BehaviorSelector selector({pFirst, pSecond});
    EXPECT_EQ(selector.Execute(nullptr), Failure);
    EXPECT_EQ(pFirst->m_NrOfCalls, 1);
    EXPECT_EQ(pSecond->m_NrOfCalls, 1);

    BehaviorSelector empty({});
    EXPECT_EQ(empty.Execute(nullptr), Failure);
    EXPECT_EQ(empty.GetCurrentState(), Failure);
}

TEST(BehaviorSequence, StopsAtTheFirstChildThatDoesNotSucceed)
{
    for (const BehaviorState stopper : {Failure, Running})
    {
        auto* const pFirst = new StubBehavior("first", Success);
        auto* const pSecond = new StubBehavior("second", stopper);
        auto* const pThird = new StubBehavior("third", Success);
        BehaviorSequence sequence({pFirst, pSecond, pThird});

        EXPECT_EQ(sequence.Execute(nullptr), stopper);
        EXPECT_EQ(sequence.GetCurrentState(), stopper);
        EXPECT_EQ(pFirst->m_NrOfCalls, 1);
        EXPECT_EQ(pSecond->m_NrOfCalls, 1);
        EXPECT_EQ(pThird->m_NrOfCalls, 0);
    }
}

TEST(BehaviorSequence, SucceedsWhenEveryChildSucceedsOrThereAreNone)
{
    auto* const pFirst = new StubBehavior("first", Success);
    auto* const pSecond = new StubBehavior("second", Success);
    BehaviorSequence sequence({pFirst, pSecond});
    EXPECT_EQ(sequence.Execute(nullptr), Success);
    EXPECT_EQ(pSecond->m_NrOfCalls, 1);

    BehaviorSequence empty({});
    EXPECT_EQ(empty.Execute(nullptr), Success);
    EXPECT_EQ(empty.GetCurrentState(), Success);
}

TEST(BehaviorComposite, NullChildrenExecuteAsFailures)
{
    auto* const pAfterNull = new StubBehavior("after", Success);
    BehaviorSelector selector({nullptr, pAfterNull});
    EXPECT_EQ(selector.Execute(nullptr), Success);
    EXPECT_EQ(pAfterNull->m_NrOfCalls, 1);

    auto* const pBehindNull = new StubBehavior("behind", Success);
    BehaviorSequence sequence({nullptr, pBehindNull});
    EXPECT_EQ(sequence.Execute(nullptr), Failure);
    EXPECT_EQ(pBehindNull->m_NrOfCalls, 0);
}

TEST(BehaviorCompositeDeathTest, RefusesAChildListedTwice)
{
    EXPECT_DEATH(
        {
            auto* const pChild = new StubBehavior("twice", Success);
            BehaviorSequence sequence({pChild, nullptr, pChild});
        },
        "the same child appears more than once");
}

TEST(BehaviorLeaves, ConditionMapsTrueAndFalseToSuccessAndFailure)
{
    bool answer = true;
    int nrOfCalls = 0;
    Blackboard* pSeen = nullptr;
    BehaviorConditional condition(
        [&](Blackboard* pBlackboard)
        {
            ++nrOfCalls;
            pSeen = pBlackboard;
            return answer;
        });
    Blackboard blackboard;
    EXPECT_EQ(condition.Execute(&blackboard), Success);
    EXPECT_EQ(condition.GetCurrentState(), Success);
    EXPECT_EQ(pSeen, &blackboard);
    answer = false;
    EXPECT_EQ(condition.Execute(&blackboard), Failure);
    EXPECT_EQ(condition.GetCurrentState(), Failure);
    EXPECT_EQ(nrOfCalls, 2);
}

TEST(BehaviorLeaves, ActionReturnsAndRecordsWhatItsCallableReturns)
{
    BehaviorState next = Running;
    BehaviorAction action([&](Blackboard*) { return next; });
    for (const BehaviorState state : {Running, Success, Failure, Running})
    {
        next = state;
        EXPECT_EQ(action.Execute(nullptr), state);
        EXPECT_EQ(action.GetCurrentState(), state);
    }
}

TEST(BehaviorLeaves, PlainFunctionsCanBeWrapped)
{
    struct Functions
    {
        static bool Always(Blackboard*) { return true; }
        static BehaviorState Busy(Blackboard*) { return BehaviorState::Running; }
    };
    BehaviorSequence sequence(
        {new BehaviorConditional(Functions::Always), new BehaviorAction(Functions::Busy)});
    EXPECT_EQ(sequence.Execute(nullptr), Running);
}

TEST(BehaviorLeaves, EmptyLeavesFailAndKeepTheirPreviousState)
{
    BehaviorConditional emptyCondition(nullptr);
    BehaviorAction emptyAction(nullptr);
    EXPECT_EQ(emptyCondition.Execute(nullptr), Failure);
    EXPECT_EQ(emptyAction.Execute(nullptr), Failure);
    EXPECT_EQ(emptyCondition.GetCurrentState(), Failure);
    EXPECT_EQ(emptyAction.GetCurrentState(), Failure);

    // An empty leaf is an ordinary failing child: the selector moves on to the next one.
    auto* const pEmpty = new BehaviorAction(std::function<BehaviorState(Blackboard*)>{});
    auto* const pRunning = new StubBehavior("running", Running);
    BehaviorSelector selector({pEmpty, pRunning});
    EXPECT_EQ(selector.Execute(nullptr), Running);
    EXPECT_EQ(pEmpty->GetCurrentState(), Failure);
    EXPECT_EQ(pRunning->m_NrOfCalls, 1);
}

TEST(BehaviorTree, RecordsTheStateOfEveryNodeAfterARun)
{
    // Selector( Sequence(cond=false, a), Sequence(cond=true, b=Running), c )
    auto* const pFalse = new StubBehavior("false", Failure);
    auto* const pA = new StubBehavior("a", Success);
    auto* const pFirstBranch = new BehaviorSequence({pFalse, pA});
    auto* const pTrue = new StubBehavior("true", Success);
    auto* const pB = new StubBehavior("b", Running);
    auto* const pSecondBranch = new BehaviorSequence({pTrue, pB});
    auto* const pC = new StubBehavior("c", Success);
    auto* const pRoot = new BehaviorSelector({pFirstBranch, pSecondBranch, pC});
    auto* const pBlackboard = new Blackboard;
    BehaviorTree tree(pBlackboard, pRoot);
    EXPECT_EQ(tree.GetCurrentState(), Failure);

    tree.Update(0.016f);

    EXPECT_EQ(tree.GetCurrentState(), Running);
    EXPECT_EQ(pRoot->GetCurrentState(), Running);
    EXPECT_EQ(pFirstBranch->GetCurrentState(), Failure);
    EXPECT_EQ(pSecondBranch->GetCurrentState(), Running);
    EXPECT_EQ(pFalse->m_NrOfCalls, 1);
    EXPECT_EQ(pA->m_NrOfCalls, 0);
    EXPECT_EQ(pTrue->m_NrOfCalls, 1);
    EXPECT_EQ(pB->m_NrOfCalls, 1);
    EXPECT_EQ(pC->m_NrOfCalls, 0);
    // Every executed node received the tree's blackboard.
    EXPECT_EQ(pFalse->m_pLastBlackboard, pBlackboard);
    EXPECT_EQ(pB->m_pLastBlackboard, pBlackboard);

    // When the running branch's condition turns false, the fallback runs; the action that is no
    // longer executed keeps the state of its last execution.
    pTrue->m_Result = Failure;
    tree.Update(0.016f);
    EXPECT_EQ(tree.GetCurrentState(), Success);
    EXPECT_EQ(pSecondBranch->GetCurrentState(), Failure);
    EXPECT_EQ(pB->m_NrOfCalls, 1);
    EXPECT_EQ(pB->GetCurrentState(), Running);
    EXPECT_EQ(pC->m_NrOfCalls, 1);
}

TEST(BehaviorTree, ReevaluatesConditionsInFrontOfARunningActionOnEveryUpdate)
{
    std::vector<std::string> calls;
    auto* const pCondition = new BehaviorConditional(
        [&](Blackboard*)
        {
            calls.push_back("condition");
            return true;
        });
    auto* const pAction = new BehaviorAction(
        [&](Blackboard*)
        {
            calls.push_back("action");
            return BehaviorState::Running;
        });
    BehaviorTree tree(new Blackboard, new BehaviorSequence({pCondition, pAction}));
    for (int update = 0; update < 3; ++update)
    {
        tree.Update(0.f);
        EXPECT_EQ(tree.GetCurrentState(), Running);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"condition", "action", "condition", "action", "condition",
                                               "action"}));
}

TEST(BehaviorTree, WithoutARootRecordsFailureOnEveryUpdate)
{
    BehaviorTree tree(new Blackboard, nullptr);
    for (int update = 0; update < 2; ++update)
    {
        tree.Update(0.f);
        EXPECT_EQ(tree.GetCurrentState(), Failure);
    }

    // The state is overwritten by each update, not sticky.
    auto* const pLeaf = new StubBehavior("leaf", Success);
    BehaviorTree rooted(nullptr, pLeaf);
    rooted.Update(0.f);
    EXPECT_EQ(rooted.GetCurrentState(), Success);
    pLeaf->m_Result = Failure;
    rooted.Update(0.f);
    EXPECT_EQ(rooted.GetCurrentState(), Failure);
}

TEST(BehaviorTree, DeletesEveryNodeOnceInOrderAndThenTheBlackboard)
{
    DeletionLog log;
    {
        // The blackboard's deletion shows up through the last reference to a logged object.
        struct BlackboardMarker
        {
            DeletionLog* m_pLog;
            ~BlackboardMarker() { m_pLog->push_back("blackboard"); }
        };
        auto* const pBlackboard = new Blackboard;
        pBlackboard->AddData("Marker", std::make_shared<BlackboardMarker>(BlackboardMarker{&log}));
        log.clear(); // the temporary marker above was destroyed once already

        auto* const pInner = new LoggingComposite<BehaviorSequence>(
            "inner",
            {new StubBehavior("inner.a", Success, &log), nullptr, new StubBehavior("inner.b", Success, &log)},
            &log);
        auto* const pRoot =
            new LoggingComposite<BehaviorSelector>("root",
                                                   {new StubBehavior("leaf.first", Failure, &log), pInner,
                                                    new StubBehavior("leaf.last", Success, &log)},
                                                   &log);
        BehaviorTree tree(pBlackboard, pRoot);
        tree.Update(0.f);
        EXPECT_TRUE(log.empty());
    }
    // A composite's own destructor body runs before its base deletes the children, in vector order.
    EXPECT_EQ(log,
              (DeletionLog{"root", "leaf.first", "inner", "inner.a", "inner.b", "leaf.last", "blackboard"}));
}

namespace
{
// Selector( Sequence(first, second), Sequence(third, fourth), last ) of stubs: the shape of a car's tree.
struct ScriptedTree
{
    StubBehavior* pFirst = new StubBehavior("first", Failure);
    StubBehavior* pSecond = new StubBehavior("second", Success);
    StubBehavior* pFourth = new StubBehavior("fourth", Running);
    StubBehavior* pLast = new StubBehavior("last", Success);
    BehaviorSelector* pRoot = Named(
        new BehaviorSelector({Named(new BehaviorSequence({pFirst, pSecond}), "left"),
                              new BehaviorSequence({new StubBehavior("third", Success), pFourth}), pLast}),
        "root");
    BehaviorTree tree{new Blackboard, pRoot};

    // One line per node, depth first: "depth kind name status", status "-" for a node that did not run.
    std::vector<std::string> Record() const
    {
        std::vector<std::string> lines;
        tree.VisitNodes(
            [&lines](const IBehavior& node, int depth, const BehaviorTree::NodeRecord& record)
            {
                const auto* pStub = dynamic_cast<const StubBehavior*>(&node);
                lines.push_back(std::to_string(depth) + " " + GetBehaviorKindName(node) + " " +
                                (pStub != nullptr ? pStub->m_Name : node.GetName()) + " " +
                                (record.wasVisited ? std::to_string(static_cast<int>(record.state)) : "-"));
            });
        return lines;
    }
};
} // namespace

TEST(BehaviorTreeRecord, CompositesThatStopEarlyLeaveLaterChildrenUnvisited)
{
    ScriptedTree scripted;
    scripted.tree.Update(0.f); // not recording: nothing is recorded
    EXPECT_EQ(scripted.Record()[0], "0 Selector root -");

    scripted.tree.SetRecording(true);
    scripted.tree.Update(0.f);
    EXPECT_EQ(scripted.Record(),
              (std::vector<std::string>{"0 Selector root 2", "1 Sequence left 0", "2 Node first 0",
                                        "2 Node second -", "1 Sequence  2", "2 Node third 1",
                                        "2 Node fourth 2", "1 Node last -"}));

    // The next tick replaces the record: the left branch succeeds, nothing right of it runs.
    scripted.pFirst->m_Result = Success;
    scripted.tree.Update(0.f);
    EXPECT_EQ(scripted.Record(),
              (std::vector<std::string>{"0 Selector root 1", "1 Sequence left 1", "2 Node first 1",
                                        "2 Node second 1", "1 Sequence  -", "2 Node third -",
                                        "2 Node fourth -", "1 Node last -"}));
    // Recording changed no execution: each node's own state holds its latest run.
    EXPECT_EQ(scripted.pFourth->GetCurrentState(), Running);
    EXPECT_EQ(scripted.pFourth->m_NrOfCalls, 2); // the unrecorded and the first recorded tick
}

TEST(BehaviorTreeRecord, StoppingForgetsTheRecordAndARestartShowsOnlyNewTicks)
{
    ScriptedTree scripted;
    scripted.tree.SetRecording(true);
    scripted.tree.Update(0.f);
    scripted.tree.SetRecording(false);
    EXPECT_FALSE(scripted.tree.GetLastTickRecord(*scripted.pFourth).wasVisited);
    scripted.tree.Update(0.f);

    // A node that last ran in the earlier recorded tick does not count as visited in a new one.
    scripted.tree.SetRecording(true);
    scripted.pFirst->m_Result = Success;
    scripted.tree.Update(0.f);
    EXPECT_TRUE(scripted.tree.GetLastTickRecord(*scripted.pSecond).wasVisited);
    EXPECT_FALSE(scripted.tree.GetLastTickRecord(*scripted.pFourth).wasVisited);
}
