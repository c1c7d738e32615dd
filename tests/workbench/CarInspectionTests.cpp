// The inspector's snapshot of a car as plain data, without any window or GL: the live behaviour tree,
// the blackboard, the car's place on the road network and the reason it stands.
#include "app/Car.h"
#include "app/RoadNetwork.h"
#include "app/TrafficMonitor.h"
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "headless/HeadlessSimulation.h"
#include "workbench/CarInspection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace Vemox;

namespace
{
class CarInspectionTest : public ::testing::Test
{
protected:
    static constexpr float Frame = 1.f / 60.f;

    void Start(int nrOfCars, unsigned int seed)
    {
        std::srand(seed);
        HeadlessSimulation::Options options;
        options.nrOfCars = nrOfCars;
        options.drawEachFrame = false;
        options.buildDebugPanel = false;
        m_pSimulation = std::make_unique<HeadlessSimulation>(options);
        m_pMonitor = std::make_unique<TrafficMonitor>(App());
        for (Car* pCar : App().GetCars())
            dynamic_cast<BehaviorTree&>(*pCar->GetDecisionMaking()).SetRecording(true);
    }

    // Steps until done() holds after a step (at most maxSteps); says whether it did.
    bool StepUntil(const std::function<bool()>& done, int maxSteps)
    {
        for (int i = 0; i < maxSteps; ++i)
        {
            m_pSimulation->Step(Frame);
            m_pMonitor->Observe(Frame);
            if (done())
                return true;
        }
        return false;
    }
    void Steps(int count)
    {
        StepUntil([] { return false; }, count);
    }

    const CarInspection& Inspect(int carIndex)
    {
        m_Inspector.Inspect(App(), *m_pMonitor, carIndex, m_Inspection);
        return m_Inspection;
    }

    const App_TrafficSimulation& App() const { return m_pSimulation->GetApp(); }

    std::unique_ptr<HeadlessSimulation> m_pSimulation;
    std::unique_ptr<TrafficMonitor> m_pMonitor;
    CarInspector m_Inspector;
    CarInspection m_Inspection;
};
} // namespace

TEST_F(CarInspectionTest, TheTreeShowsWhichBranchRanInTheLastTick)
{
    Start(20, 4);
    const CarInspection& before = Inspect(0);
    ASSERT_EQ(before.tree.size(), 12u);
    EXPECT_FALSE(before.hasTreeRecord);

    // Every car stands on its destination at first: the first branch plans, nothing after it runs.
    Steps(1);
    const CarInspection& first = Inspect(0);
    EXPECT_TRUE(first.hasTreeRecord);
    std::string shape;
    for (const CarInspection::TreeNode& node : first.tree)
        shape += std::to_string(node.depth) + (node.wasVisited ? "+" : "-");
    EXPECT_EQ(shape, "0+1+2+2+2+1-2-2-1-2-2-1-");
    EXPECT_EQ(first.tree[0].name, "Drive");
    EXPECT_STREQ(first.tree[0].pKind, "Selector");
    EXPECT_EQ(first.tree[3].name, "PlanPathToRandomDestination");
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(first.tree[i].state, BehaviorState::Success) << first.tree[i].name;

    // Next tick it stands on the start point of its new path: the second branch drops it.
    Steps(1);
    const CarInspection& second = Inspect(0);
    EXPECT_EQ(second.tree[1].state, BehaviorState::Failure); // not at the destination any more
    EXPECT_FALSE(second.tree[3].wasVisited);
    EXPECT_TRUE(second.tree[6].wasVisited);
    EXPECT_EQ(second.tree[5].state, BehaviorState::Success);
    EXPECT_FALSE(second.tree[8].wasVisited);
}

TEST_F(CarInspectionTest, TheSnapshotAgreesWithTheCarOnTheRoadNetwork)
{
    Start(20, 4);
    Steps(300);
    const TrafficGraph& graph = *App().GetGraph();
    for (int i = 0; i < 20; ++i)
    {
        SCOPED_TRACE(i);
        const Car& car = *App().GetCars()[static_cast<size_t>(i)];
        const CarInspection& inspection = Inspect(i);
        EXPECT_EQ(inspection.carIndex, i);
        EXPECT_EQ(inspection.color, car.GetBodyColor());
        EXPECT_EQ(inspection.cell, graph.GetNodeIdxAtWorldPos(car.GetPosition()));
        EXPECT_NEAR(inspection.speed, car.GetLinearVelocity().Magnitude(), 1e-4f);
        EXPECT_GE(inspection.headingDegrees, -180.f);
        EXPECT_LT(inspection.headingDegrees, 180.f);
        ASSERT_EQ(inspection.pathCells.size(), car.GetPath().size());
        if (!car.GetPath().empty())
        {
            // The path runs to the destination, and it cannot be shorter than the straight line.
            EXPECT_EQ(inspection.pathCells.back(), inspection.destinationCell);
            EXPECT_GE(inspection.pathLength + 1e-3f, (car.GetDestination() - car.GetPosition()).Magnitude());
            EXPECT_EQ(inspection.pathCells.front(), graph.GetNodeIdxAtWorldPos(car.GetPath().front()));
        }
        if (inspection.connectionFrom >= 0)
        {
            EXPECT_EQ(inspection.connectionFrom, inspection.cell);
            EXPECT_EQ(inspection.connectionTo, inspection.pathCells.front());
        }
    }
}

TEST_F(CarInspectionTest, AStandingCarSaysWhichCarOrLightItWaitsFor)
{
    Start(128, 8);
    int waiting = -1;
    int atRed = -1;
    ASSERT_TRUE(StepUntil(
        [&]
        {
            for (int i = 0; i < 128; ++i)
            {
                const Car& car = *App().GetCars()[static_cast<size_t>(i)];
                const StopReason reason = m_pMonitor->Classify(car);
                if (reason == StopReason::AnotherCar && car.GetWaitingFor() != nullptr)
                    waiting = i;
                if (reason == StopReason::RedLight)
                    atRed = i;
            }
            return waiting >= 0 && atRed >= 0;
        },
        1200));

    const CarInspection& held = Inspect(waiting);
    EXPECT_EQ(held.activity, CarActivity::StoppedForCar);
    ASSERT_GE(held.waitingForCar, 0);
    EXPECT_EQ(App().GetCars()[static_cast<size_t>(held.waitingForCar)],
              App().GetCars()[static_cast<size_t>(waiting)]->GetWaitingFor());
    char text[64];
    EXPECT_EQ(std::string(DescribeActivity(held.activity, held.waitingForCar, text, sizeof(text))),
              "stopped for car #" + std::to_string(held.waitingForCar));
    // The branch that stopped it is the one the tree shows.
    EXPECT_TRUE(held.tree[9].wasVisited);
    EXPECT_EQ(held.tree[9].name, "IsCarInSight");
    EXPECT_EQ(held.tree[9].state, BehaviorState::Success);

    const CarInspection& red = Inspect(atRed);
    EXPECT_EQ(red.activity, CarActivity::StoppedAtRedLight);
    EXPECT_EQ(red.connectionCost, RoadNetwork::RedCost);
    EXPECT_EQ(red.maxSpeed, 0.f);
    // A car in sight may hold it as well; the inspector names it then.
    const Car* pSeen = App().GetCars()[static_cast<size_t>(atRed)]->GetWaitingFor();
    EXPECT_EQ(red.waitingForCar >= 0 ? App().GetCars()[static_cast<size_t>(red.waitingForCar)] : nullptr,
              pSeen);
}

TEST_F(CarInspectionTest, TheBlackboardShowsTheCarsFourEntriesReadably)
{
    Start(20, 4);
    Steps(1);
    const CarInspection& inspection = Inspect(7);
    ASSERT_EQ(inspection.blackboard.size(), 4u);
    std::vector<std::string> lines;
    for (const CarInspection::BlackboardEntry& entry : inspection.blackboard)
        lines.push_back(entry.name + " | " + entry.type + " | " + entry.value.data());
    EXPECT_EQ(
        lines,
        (std::vector<std::string>{
            "Car | Car* | car #7",
            "CarsVector | std::vector<Car*, std::allocator<Car*> >* | 20 cars",
            "GridGraph | Vemox::GridGraph<Vemox::GridTerrainNode, Vemox::GraphConnection>* | road grid, "
            "200 nodes",
            "Heuristic | float (*)(float, float) | Chebyshev",
        }));
}

TEST_F(CarInspectionTest, RefreshingTheSameCarReusesItsStorage)
{
    Start(20, 4);
    Steps(120);
    const CarInspection& first = Inspect(3);
    const void* pTree = first.tree.data();
    const void* pName = first.tree[2].name.data();
    const void* pEntries = first.blackboard.data();
    const void* pType = first.blackboard[1].type.data();
    const void* pCells = first.pathCells.data();
    Steps(600); // new trips, new paths
    const CarInspection& later = Inspect(3);
    EXPECT_EQ(later.tree.data(), pTree);
    EXPECT_EQ(later.tree[2].name.data(), pName);
    EXPECT_EQ(later.blackboard.data(), pEntries);
    EXPECT_EQ(later.blackboard[1].type.data(), pType);
    EXPECT_EQ(later.pathCells.data(), pCells);

    // Another car: the same lists, filled for it.
    EXPECT_EQ(std::string(Inspect(5).blackboard[0].value.data()), "car #5");
}

TEST_F(CarInspectionTest, TripsPerCarAddUpToTheMonitorsTotal)
{
    Start(20, 4);
    Steps(3600);
    int sum = 0;
    for (int i = 0; i < 20; ++i)
    {
        EXPECT_EQ(Inspect(i).tripsDone, m_pMonitor->GetTripsCompletedBy(i));
        sum += m_pMonitor->GetTripsCompletedBy(i);
        if (m_pMonitor->GetTripsCompletedBy(i) > 0)
        {
            EXPECT_GT(Inspect(i).meanTripTime, 0.0);
        }
    }
    EXPECT_GT(sum, 0);
    EXPECT_EQ(sum, m_pMonitor->GetTripsCompleted());
}
