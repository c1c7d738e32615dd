// The inspector's snapshot of a car as plain data, without any window or GL: the live behaviour tree,
// the blackboard, the car's place on the road network and why it stands.
#include "app/Car.h"
#include "app/RoadNetwork.h"
#include "app/TrafficMonitor.h"
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "headless/HeadlessSimulation.h"
#include "workbench/CarInspection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace Vemox;

namespace
{
struct Watched
{
    explicit Watched(int nrOfCars) : simulation(Seeded({nrOfCars, false, false}))
    {
        for (Car* pCar : App().GetCars())
            dynamic_cast<BehaviorTree&>(*pCar->GetDecisionMaking()).SetRecording(true);
    }
    static HeadlessSimulation::Options Seeded(const HeadlessSimulation::Options& options)
    {
        std::srand(8);
        return options;
    }
    void Step()
    {
        simulation.Step(1.f / 60.f);
        monitor.Observe(1.f / 60.f);
    }
    const CarInspection& Inspect(int carIndex)
    {
        inspector.Inspect(App(), monitor, carIndex, inspection);
        return inspection;
    }
    const App_TrafficSimulation& App() const { return simulation.GetApp(); }

    HeadlessSimulation simulation;
    TrafficMonitor monitor{simulation.GetApp()};
    CarInspector inspector;
    CarInspection inspection;
};
} // namespace

TEST(CarInspection, TheFirstTickShowsThePlanningBranchAndTheBlackboardReadably)
{
    Watched watched(20);
    EXPECT_FALSE(watched.Inspect(7).hasTreeRecord);
    watched.Step();
    const CarInspection& car = watched.Inspect(7);
    // Every car stands on its destination at first: the first branch plans, nothing after it runs.
    std::string shape;
    for (const CarInspection::TreeNode& node : car.tree)
        shape +=
            std::to_string(node.depth) + (node.wasVisited ? "FSR"[static_cast<int>(node.state)] : '-') + ' ';
    EXPECT_EQ(shape, "0S 1S 2S 2S 2S 1- 2- 2- 1- 2- 2- 1- ");
    EXPECT_EQ(car.tree[3].name, "PlanPathToRandomDestination");
    std::vector<std::string> entries;
    for (const CarInspection::BlackboardEntry& entry : car.blackboard)
        entries.push_back(entry.name + " | " + entry.type + " | " + entry.value.data());
    EXPECT_EQ(entries,
              (std::vector<std::string>{
                  "Car | Car* | car #7", "CarGrid | CarGrid const* | vision grid of the cars",
                  "CarsVector | std::vector<Car*, std::allocator<Car*> >* | 20 cars",
                  "GridGraph | Vemox::GridGraph<Vemox::GridTerrainNode, Vemox::GraphConnection>* | road "
                  "grid, 200 nodes",
                  "Heuristic | float (*)(float, float) | Chebyshev",
                  "RoutePlanner | RoutePlanner* | shared, 14 connections raised"}));
}

TEST(CarInspection, TheSnapshotAgreesWithTheCarsAndSaysWhatHoldsThem)
{
    Watched watched(128);
    bool sawHeld = false;
    bool sawRed = false;
    for (int step = 0; step < 1200; ++step)
    {
        watched.Step();
        if (step % 60 != 59)
            continue;
        for (int i = 0; i < 128; ++i)
        {
            SCOPED_TRACE(testing::Message() << "car " << i << ", step " << step);
            const Car& car = *watched.App().GetCars()[static_cast<size_t>(i)];
            const CarInspection& seen = watched.Inspect(i);
            EXPECT_EQ(seen.cell, watched.App().GetGraph()->GetNodeIdxAtWorldPos(car.GetPosition()));
            ASSERT_EQ(seen.pathCells.size(), car.GetPath().size());
            if (!seen.pathCells.empty())
            {
                // The path runs to the destination and cannot be shorter than the straight line.
                EXPECT_EQ(seen.pathCells.back(), seen.destinationCell);
                EXPECT_GE(seen.pathLength + 1e-3f, (car.GetDestination() - car.GetPosition()).Magnitude());
            }
            const Car* pNamed = seen.waitingForCar >= 0
                                    ? watched.App().GetCars()[static_cast<size_t>(seen.waitingForCar)]
                                    : nullptr;
            EXPECT_EQ(pNamed, car.GetWaitingFor());
            if (seen.activity == CarActivity::StoppedForCar && pNamed != nullptr)
            {
                sawHeld = true;
                EXPECT_EQ(seen.tree[9].name, "IsCarInSight"); // the branch that stopped it ran and held
                EXPECT_EQ(seen.tree[9].state, BehaviorState::Success);
            }
            if (seen.activity == CarActivity::StoppedAtRedLight)
            {
                sawRed = true;
                EXPECT_EQ(seen.connectionCost, RoadNetwork::RedCost);
            }
        }
    }
    EXPECT_TRUE(sawHeld);
    EXPECT_TRUE(sawRed);
    int trips = 0;
    for (int i = 0; i < 128; ++i)
        trips += watched.Inspect(i).tripsDone;
    EXPECT_EQ(trips, watched.monitor.GetTripsCompleted());
}
