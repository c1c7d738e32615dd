// The safe driver on hand-arranged situations: braking arithmetic, cars at rest facing each other, a
// standing car ahead, a light about to turn red, a full cell beyond a junction, a merge onto the ring, a
// full turn-off from it, a queue that forms on a car's way, a cycle of waiting cars, what its plans
// charge for the ring, and reproducible runs.
#include "app/Car.h"
#include "app/RoutePlanner.h"
#include "app/SafeDriving.h"
#include "app/TrafficMonitor.h"
#include "framework/Physics/RigidBody.h"
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <random>

using namespace Vemox;

namespace
{
constexpr float FrameTime = 1.f / 60.f;

Vector2D CellCentre(int node)
{
    return {static_cast<float>(node % 20) * 15.f + 7.5f, static_cast<float>(node / 20) * 15.f + 7.5f};
}

/// The blend of the car's steering from v towards 0, one frame: what braking is.
float BrakeOneFrame(float speed)
{
    return speed - speed * FrameTime;
}

/// A simulation of `nrOfCars` cars of one driver model, the cars to be arranged by hand.
class Scene
{
public:
    Scene(int nrOfCars, DriverModel driver, unsigned int seed = 5)
    {
        srand(seed);
        m_pSimulation = std::make_unique<HeadlessSimulation>(
            HeadlessSimulation::Options{nrOfCars, false, false, driver, RoadNetwork::LightPhase});
    }
    App_TrafficSimulation& App() { return m_pSimulation->GetApp(); }
    Car& CarAt(size_t i) { return *App().GetCars()[i]; }

    /// Puts car i at `position` with body angle `angle`, velocity `velocity` and a path through the
    /// centres of `nodes` (its destination the last one).
    void Place(size_t i, const Vector2D& position, float angle, const Vector2D& velocity,
               std::initializer_list<int> nodes)
    {
        Car& car = CarAt(i);
        car.GetRigidBody()->SetTransform(position, angle);
        car.SetLinearVelocity(velocity);
        car.SetMaxLinearSpeed(velocity.Magnitude());
        Car::Path path;
        for (const int node : nodes)
            path.push_back(CellCentre(node));
        car.SetPath(path);
        car.SetDestination(path.back());
    }
    /// Takes car i out of the traffic's decisions: it stands where it is put.
    void Park(size_t i, const Vector2D& position, float angle)
    {
        Car& car = CarAt(i);
        car.SetDecisionMaking(nullptr);
        car.GetRigidBody()->SetTransform(position, angle);
        car.SetLinearVelocity({0.f, 0.f});
    }
    void Run(float seconds, TrafficMonitor* pMonitor = nullptr)
    {
        for (int frame = 0; frame < static_cast<int>(std::lround(seconds / FrameTime)); ++frame)
        {
            m_pSimulation->Step(FrameTime);
            if (pMonitor != nullptr)
                pMonitor->Observe(FrameTime);
        }
    }

private:
    std::unique_ptr<HeadlessSimulation> m_pSimulation;
};

/// What `look` reads of the other cars while car `looking` updates.
template <class Look> auto LookDuringUpdateOf(SafeDriving::SafeTraffic& traffic, int looking, Look look)
{
    traffic.BeginUpdateOf(looking);
    const auto seen = look();
    traffic.EndUpdateOf(looking);
    return seen;
}
} // namespace

TEST(SafeDrivingArithmetic, ArrivalTimeCoversTheDistance)
{
    // x(t) = V t + (v0 - V)(1 - e^-t): what the blend covers in t seconds.
    const auto covered = [](float t, float v0, float top)
    { return top * t + (v0 - top) * (1.f - std::exp(-t)); };
    for (const float top : {5.f, 7.5f, 12.5f})
        for (const float v0 : {0.f, 2.f, 7.5f, 12.5f})
            for (const float distance : {0.5f, 3.5f, 15.f, 45.f})
            {
                const float t = SafeDriving::ArrivalTime(distance, v0, top);
                EXPECT_NEAR(covered(t, v0, top), distance, 1e-3f) << top << " " << v0 << " " << distance;
            }
    EXPECT_EQ(SafeDriving::ArrivalTime(0.f, 3.f, 12.5f), 0.f);
    // Braking from 5 covers 5 at most: 3 is reached (after ln 2.5 seconds), 6 never.
    EXPECT_NEAR(SafeDriving::ArrivalTime(3.f, 5.f, 0.f), std::log(2.5f), 1e-4f);
    EXPECT_EQ(SafeDriving::ArrivalTime(6.f, 5.f, 0.f), FloatMax);
}

TEST(SafeDrivingArithmetic, ArrivesAfterDecidesAsTheArrivalTimeDoesEvenAtTheDeadline)
{
    std::mt19937 random(20261209);
    std::uniform_real_distribution<float> distances(0.f, 60.f);
    std::uniform_real_distribution<float> speeds(0.f, 15.f);
    std::uniform_real_distribution<float> offsets(-10.f, 10.f);
    const float nearOffsets[] = {0.f, 1e-7f, -1e-7f, 1e-6f, -1e-6f, 1e-4f, -1e-4f, 1e-3f, -1e-3f};
    int decided = 0;
    for (int i = 0; i < 20000; ++i)
    {
        const float distance = i % 97 == 0 ? 0.f : distances(random);
        const float v0 = i % 13 == 0 ? 0.f : speeds(random);
        const float top = i % 11 == 0 ? 0.f : speeds(random);
        const float margin = i % 2 == 0 ? 0.3f : 0.f;
        const float arrival = SafeDriving::ArrivalTime(distance, v0, top);
        // Deadlines anywhere, and right at the arrival, where only the last bit of the sum decides.
        const float near = nearOffsets[static_cast<size_t>(i) % std::size(nearOffsets)];
        for (const float deadline : {arrival + margin + offsets(random), (arrival + margin) * (1.f + near),
                                     std::nextafter(arrival + margin, 0.f), arrival + margin})
        {
            const bool expected = arrival + margin > deadline;
            ASSERT_EQ(SafeDriving::ArrivesAfter(distance, v0, top, margin, deadline), expected)
                << distance << " " << v0 << " " << top << " " << margin << " " << deadline;
            decided += expected ? 1 : 0;
        }
    }
    EXPECT_GT(decided, 10000); // both answers come up often
    EXPECT_LT(decided, 70000);
}

TEST(SafeDrivingArithmetic, BrakingFromTheSafeSpeedStopsWithinTheRoom)
{
    // A car at SafeSpeed(room, u) brakes at the blend's rate behind a lead that moves away at u and
    // brakes at the same rate: the gap never closes by more than the room.
    for (const float room : {0.f, 1.f, 5.f, 12.f, 30.f})
        for (const float lead : {0.f, 3.f, 7.5f, 12.5f})
        {
            float speed = SafeDriving::SafeSpeed(room, lead);
            float leadSpeed = lead;
            float closed = 0.f;
            for (int frame = 0; frame < 60 * 30; ++frame)
            {
                closed += (speed - leadSpeed) * FrameTime;
                speed = BrakeOneFrame(speed);
                leadSpeed = BrakeOneFrame(leadSpeed);
                EXPECT_LE(closed, room + 1e-3f) << room << " " << lead << " frame " << frame;
            }
        }
}

TEST(SafeDriving, TwoCarsAtRestFacingEachOtherDoNotStayStopped)
{
    // The documented vision rule reads two cars at rest as driving the same way and stops both for
    // ever; the safe driver judges from routes: the one behind follows the other.
    for (const DriverModel driver : {DriverModel::Classic, DriverModel::Safe})
    {
        Scene scene(2, driver);
        scene.Place(0, CellCentre(186), 0.f, {0.f, 0.f}, {187, 188, 189});
        scene.Place(1, CellCentre(187), Pi, {0.f, 0.f}, {188, 189, 190});
        const Vector2D start0 = scene.CarAt(0).GetPosition();
        const Vector2D start1 = scene.CarAt(1).GetPosition();
        scene.Run(driver == DriverModel::Classic ? 30.f : 3.f);
        const float moved0 = (scene.CarAt(0).GetPosition() - start0).Magnitude();
        const float moved1 = (scene.CarAt(1).GetPosition() - start1).Magnitude();
        if (driver == DriverModel::Classic)
        {
            EXPECT_EQ(moved0, 0.f);
            EXPECT_EQ(moved1, 0.f);
        }
        else
        {
            EXPECT_GT(moved0, 2.f);
            EXPECT_GT(moved1, 5.f);
        }
    }
}

TEST(SafeDriving, StopsBehindAStandingCarWithoutContact)
{
    Scene scene(2, DriverModel::Safe);
    scene.Park(1, CellCentre(189), 0.f);
    scene.Place(0, CellCentre(184), 0.f, {7.5f, 0.f}, {185, 186, 187, 188, 189, 190});
    TrafficMonitor monitor(scene.App());
    scene.Run(15.f, &monitor);
    const float gap =
        (scene.CarAt(1).GetPosition() - scene.CarAt(0).GetPosition()).Magnitude() - 2.f * Car::Radius;
    EXPECT_EQ(monitor.GetCarContactsBegun(), 0);
    EXPECT_GT(gap, 1.f);
    EXPECT_LT(gap, 4.f); // it closes up rather than stopping far off
    EXPECT_LT(scene.CarAt(0).GetLinearVelocity().Magnitude(), 0.1f);
    EXPECT_EQ(scene.CarAt(0).GetWaitingFor(), &scene.CarAt(1));
}

TEST(SafeDriving, StopsForALightThatWillBeRedOnArrival)
{
    // Light 1 (83 -> 84) turns green after 8 s and red again after 16 s. A car 22.5 units before the
    // line at 12.5 units per second with 1.4 s of green left would cross on red: the documented driver
    // does, the safe one stops in front of the line.
    for (const DriverModel driver : {DriverModel::Classic, DriverModel::Safe})
    {
        Scene scene(1, driver);
        scene.Run(14.6f);
        ASSERT_FALSE(scene.App().GetTrafficLights()[0].isRed);
        scene.Place(0, CellCentre(82), 0.f, {12.5f, 0.f}, {83, 84, 85, 86});
        TrafficMonitor monitor(scene.App());
        scene.Run(4.f, &monitor);
        if (driver == DriverModel::Classic)
        {
            EXPECT_EQ(monitor.GetJunctionEntriesOnRed(), 1);
        }
        else
        {
            EXPECT_EQ(monitor.GetJunctionEntriesOnRed(), 0);
            EXPECT_LT(scene.CarAt(0).GetPosition().x, 60.f - Car::Radius);
            EXPECT_GT(scene.CarAt(0).GetPosition().x, 50.f);
        }
    }
}

TEST(SafeDriving, WaitsBeforeAJunctionUntilTheCellBeyondHasRoom)
{
    // Column 4 southwards has green for the first 8 s. Car 1 stands just beyond the junction in 64, so
    // car 0 may not cross 104 and 84 to 64: it waits in front of the line, then goes once 64 is free.
    Scene scene(2, DriverModel::Safe);
    scene.Park(1, {67.5f, 56.f}, -Pi / 2.f);
    scene.Place(0, CellCentre(124), -Pi / 2.f, {0.f, 0.f}, {104, 84, 64, 44});
    float lowest = FloatMax;
    for (int step = 0; step < 5 * 60; ++step)
    {
        scene.Run(FrameTime);
        lowest = std::min(lowest, scene.CarAt(0).GetPosition().y);
    }
    EXPECT_GT(lowest, 90.f + Car::Radius); // its front stayed out of the junction
    EXPECT_LT(scene.CarAt(0).GetLinearVelocity().Magnitude(), 0.1f);
    EXPECT_EQ(scene.CarAt(0).GetWaitingFor(), &scene.CarAt(1));

    scene.Park(1, CellCentre(199), 0.f);
    scene.Run(2.5f);
    EXPECT_LT(scene.CarAt(0).GetPosition().y, 75.f); // through the first junction cell
}

TEST(SafeDriving, MergingCarLetsRingTrafficPassFirstWithoutContact)
{
    // Car 1 waits on column 5 to merge onto the ring at 185; car 0 comes along the ring at ring speed.
    Scene scene(2, DriverModel::Safe);
    scene.Place(0, CellCentre(183), 0.f, {7.5f, 0.f}, {184, 185, 186, 187, 188});
    scene.Place(1, {82.5f, 127.f}, Pi / 2.f, {0.f, 0.f}, {185, 186, 187, 188});
    TrafficMonitor monitor(scene.App());
    bool merged = false;
    for (int step = 0; step < 10 * 60 && !merged; ++step)
    {
        scene.Run(FrameTime, &monitor);
        merged = scene.CarAt(1).GetPosition().y >= 135.f;
        if (merged) // by then the ring car is past the merge cell's centre
        {
            EXPECT_GT(scene.CarAt(0).GetPosition().x, 82.5f + 2.f * Car::Radius);
        }
    }
    EXPECT_TRUE(merged);
    scene.Run(2.f, &monitor);
    EXPECT_EQ(monitor.GetCarContactsBegun(), 0);
}

TEST(SafeDriving, AMergingCarLetInStaysLetInWhileItMovesUpToTheLine)
{
    // The ring full, a car in every cell, all driving round; car 0 waits on column 4 to merge at 4. Once
    // it has waited long enough, ring cars stop to let it in; it must stay let in as it starts to move,
    // or they drive on into the gap they opened and it stands again, time after time.
    std::vector<int> ring;
    for (int column = 19; column >= 0; --column)
        ring.push_back(column);
    for (int row = 1; row <= 9; ++row)
        ring.push_back(row * 20);
    for (int column = 1; column <= 19; ++column)
        ring.push_back(180 + column);
    for (int row = 8; row >= 1; --row)
        ring.push_back(row * 20 + 19);
    Scene scene(1 + static_cast<int>(ring.size()), DriverModel::Safe);
    for (size_t k = 0; k < ring.size(); ++k)
    {
        Car& car = scene.CarAt(k + 1);
        const Vector2D lane = CellCentre(ring[(k + 1) % ring.size()]) - CellCentre(ring[k]);
        const float angle = std::atan2(lane.y, lane.x);
        car.GetRigidBody()->SetTransform(CellCentre(ring[k]), angle);
        car.SetLinearVelocity(FromPolar(4.5f, angle));
        Car::Path path;
        for (size_t j = 1; j < 3 * ring.size(); ++j)
            path.push_back(CellCentre(ring[(k + j) % ring.size()]));
        car.SetPath(path);
        car.SetDestination(path.back());
    }
    scene.Place(0, CellCentre(24) + Vector2D{0.f, 3.f}, -Pi / 2.f, {0.f, 0.f}, {24, 4, 3, 2, 1, 0, 20});
    const SafeDriving::SafeTraffic& traffic = *scene.App().GetSafeTraffic();
    const TrafficGraph& graph = *scene.App().GetGraph();
    constexpr float StandingSpeed = 0.5f; // below it a car counts as standing
    bool isLetIn = false;
    bool movesIn = false;
    for (int step = 0; step < 20 * 60 && graph.GetNodeIdxAtWorldPos(scene.CarAt(0).GetPosition()) == 24;
         ++step)
    {
        scene.Run(FrameTime);
        const double since = traffic.GetMemory(0).waitsToMergeSince;
        isLetIn = isLetIn || (since >= 0.0 && traffic.GetTime() - since >= SafeDriving::MergePatience);
        const float speed = scene.CarAt(0).GetLinearVelocity().Magnitude();
        if (isLetIn && speed >= StandingSpeed)
            movesIn = true;
        else if (movesIn)
            FAIL() << "let in, it moved and stood again at " << traffic.GetTime() << " s";
    }
    EXPECT_TRUE(movesIn);
    EXPECT_EQ(graph.GetNodeIdxAtWorldPos(scene.CarAt(0).GetPosition()), 4) << "not in after 20 s";
}

TEST(SafeDriving, ACarStandingWhereItWouldTurnOffTheRingIntoAFullCellDrivesOnAfterAWhile)
{
    // Car 0 comes along the ring's top row to turn down column 4 at 184; car 1 stands at the top of 164.
    Scene scene(2, DriverModel::Safe);
    scene.Park(1, {67.5f, 131.f}, -Pi / 2.f);
    scene.Place(0, CellCentre(182), 0.f, {0.f, 0.f}, {183, 184, 164, 144});
    const SafeDriving::SafeTraffic& traffic = *scene.App().GetSafeTraffic();
    const TrafficGraph& graph = *scene.App().GetGraph();
    const auto turnsDown = [&]
    {
        const Car::Path& path = scene.CarAt(0).GetPath();
        return std::any_of(path.begin(), path.end(),
                           [&](const Vector2D& point) { return graph.GetNodeIdxAtWorldPos(point) == 164; });
    };
    scene.Run(12.f); // it has stood on the ring for a while, less than the reroute's wait
    EXPECT_EQ(graph.GetNodeIdxAtWorldPos(scene.CarAt(0).GetPosition()), 184);
    EXPECT_LT(scene.CarAt(0).GetLinearVelocity().Magnitude(), 0.5f);
    EXPECT_TRUE(turnsDown());
    EXPECT_EQ(traffic.GetReroutes(), 0);

    scene.Run(18.f);
    EXPECT_EQ(traffic.GetReroutes(), 1);
    EXPECT_FALSE(turnsDown());
    EXPECT_GT(scene.CarAt(0).GetPosition().x, 90.f); // on along the ring
}

TEST(SafeDriving, OnItsWayACarPlansAgainAroundAQueueThatFormedAfterItsPlan)
{
    // Car 0 drives up the ring's left column and along its top row to (19, 3); its plan was made
    // before the ring's top-right corner filled with standing cars (parked, two to a cell).
    Scene scene(11, DriverModel::Safe);
    scene.Place(0, CellCentre(100), Pi / 2.f, {0.f, 0.f},
                {100, 120, 140, 160, 180, 181, 182, 183, 184, 185, 186, 187, 188, 189, 190,
                 191, 192, 193, 194, 195, 196, 197, 198, 199, 179, 159, 139, 119, 99,  79});
    size_t parked = 1;
    for (const int cell : {196, 197, 198, 199, 179})
        for (const float offset : {-4.f, 4.f})
        {
            const bool isAcross = cell / 20 == 9 && cell != 199;
            const Vector2D position =
                CellCentre(cell) + (isAcross ? Vector2D{offset, 0.f} : Vector2D{0.f, offset});
            scene.Park(parked++, position, isAcross ? 0.f : -Pi / 2.f);
        }
    const TrafficGraph& graph = *scene.App().GetGraph();
    const auto passes = [&](int cell)
    {
        const Car::Path& path = scene.CarAt(0).GetPath();
        return std::any_of(path.begin(), path.end(),
                           [&](const Vector2D& point) { return graph.GetNodeIdxAtWorldPos(point) == cell; });
    };
    scene.Run(12.f); // on the top row now, still with its first plan
    EXPECT_EQ(graph.GetNodeIdxAtWorldPos(scene.CarAt(0).GetPosition()) / 20, 9);
    EXPECT_TRUE(passes(197));

    scene.Run(8.f); // after its next plan: another way, down before the queue
    EXPECT_FALSE(passes(197));
    EXPECT_EQ(scene.CarAt(0).GetDestination(), CellCentre(79));
    EXPECT_EQ(scene.App().GetSafeTraffic()->GetReroutes(), 0);
}

TEST(SafeDriving, AWaitingCycleIsResolvedAfterTheBoundAndCounted)
{
    // Four cars in the four cells of the first junction, each about to drive into the next one's cell:
    // each waits for the next, a cycle that no rule breaks. After CycleBound seconds one car (the first
    // in the cars' order) plans a way around the car it waits for, and the count says so.
    Scene scene(4, DriverModel::Safe);
    scene.Place(0, {73.f, 67.5f}, 0.f, {0.f, 0.f}, {85, 86});
    scene.Place(1, {82.5f, 73.f}, Pi / 2.f, {0.f, 0.f}, {105, 125});
    scene.Place(2, {77.f, 82.5f}, Pi, {0.f, 0.f}, {104, 103});
    scene.Place(3, {67.5f, 77.f}, -Pi / 2.f, {0.f, 0.f}, {84, 64});
    const SafeDriving::SafeTraffic& traffic = *scene.App().GetSafeTraffic();

    scene.Run(1.f);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(scene.CarAt(i).GetWaitingFor(), &scene.CarAt((i + 1) % 4)) << i;
    scene.Run(static_cast<float>(SafeDriving::CycleBound) - 1.5f);
    EXPECT_EQ(traffic.GetCyclesResolved(), 0); // not before the bound
    scene.Run(2.f);
    EXPECT_EQ(traffic.GetCyclesResolved(), 1);

    scene.Run(15.f);
    const int startCells[] = {84, 85, 105, 104};
    for (size_t i = 0; i < 4; ++i)
        EXPECT_NE(scene.App().GetGraph()->GetNodeIdxAtWorldPos(scene.CarAt(i).GetPosition()), startCells[i])
            << i;
    EXPECT_EQ(traffic.GetCyclesResolved(), 1);
}

TEST(SafeDriving, PlansAroundStandingCarsAndPutsEveryCostBack)
{
    Scene scene(10, DriverModel::Safe);
    TrafficGraph& graph = *scene.App().GetGraph();
    std::vector<float> costs;
    for (int node = 0; node < graph.GetNrOfNodes(); ++node)
        for (const GraphConnection* pConnection : graph.GetNodeConnections(node))
            costs.push_back(pConnection->GetCost());
    Blackboard* pBlackboard = static_cast<BehaviorTree*>(scene.CarAt(0).GetDecisionMaking())->GetBlackboard();
    const auto plan = [&](unsigned int seed)
    {
        scene.Place(0, CellCentre(183), 0.f, {0.f, 0.f}, {184});
        srand(seed);
        EXPECT_EQ(SafeDriving::PlanPathAroundJams(pBlackboard), BehaviorState::Success);
        std::vector<int> cells;
        for (const Vector2D& point : scene.CarAt(0).GetPath())
            cells.push_back(graph.GetNodeIdxAtWorldPos(point));
        return cells;
    };

    int avoided = 0;
    for (unsigned int seed = 1; seed <= 20; ++seed)
    {
        for (size_t i = 1; i < 10; ++i)
            scene.Park(i, CellCentre(static_cast<int>(i) - 1), 0.f);
        const std::vector<int> free = plan(seed);
        ASSERT_GE(free.size(), 2u);
        EXPECT_EQ(free.front(), 183);
        if (free.size() < 6)
            continue;
        // A queue of three cars in each of the next three cells of that path: the same draw goes to the
        // same destination, around the queue where a way round costs less.
        for (size_t i = 1; i < 10; ++i)
            scene.Park(
                i, CellCentre(free[2 + (i - 1) / 3]) + Vector2D{static_cast<float>((i - 1) % 3) - 1.f, 0.f},
                0.f);
        const std::vector<int> jam = plan(seed);
        EXPECT_EQ(jam.back(), free.back()) << seed;
        if (std::find(jam.begin(), jam.end(), free[2]) == jam.end())
            ++avoided;
    }
    EXPECT_GT(avoided, 0);

    size_t k = 0;
    for (int node = 0; node < graph.GetNrOfNodes(); ++node)
        for (const GraphConnection* pConnection : graph.GetNodeConnections(node))
            EXPECT_EQ(pConnection->GetCost(), costs[k++]) << node;
}

TEST(SafeDriving, TheSmallerTheRingsShareOfTheRoadsTheMorePlansChargeForIt)
{
    // The documented city's ring (56 of its 128 road cells) keeps its cost; a 40x20 city's comes close to
    // the time it takes to drive.
    EXPECT_EQ(SafeDriving::RingPlanningCost(56.f / 128.f), RoadNetwork::RingCost);
    EXPECT_NEAR(SafeDriving::RingPlanningCost(596.f / 12800.f), 77.7f, 0.05f);
    EXPECT_EQ(SafeDriving::RingPlanningCost(1.f), RoadNetwork::RingCost);
    {
        Scene documented(1, DriverModel::Safe);
        EXPECT_EQ(documented.App().GetSafeTraffic()->GetRingConnections().size(), 56u);
        EXPECT_EQ(documented.App().GetSafeTraffic()->GetRingCost(), RoadNetwork::RingCost);
    }

    // The ring costs the least per cell though it is the slowest road. On a 16x8 city without traffic,
    // the safe car's ways between the same cells run on it less than the documented planner's, even with
    // the junction raise doubled, which on its own would send them round by the ring.
    HeadlessSimulation simulation(HeadlessSimulation::Options{1, false, false, DriverModel::Safe,
                                                              RoadNetwork::LightPhase, CityLayout{16, 8}});
    App_TrafficSimulation& app = simulation.GetApp();
    TrafficGraph& graph = *app.GetGraph();
    Car& car = *app.GetCars()[0];
    Blackboard* pBlackboard = static_cast<BehaviorTree*>(car.GetDecisionMaking())->GetBlackboard();
    const int columns = graph.GetNrOfColumns();
    const int rows = graph.GetNrOfRows();
    const auto ringCells = [&](const std::vector<int>& cells)
    {
        return std::count_if(cells.begin(), cells.end(),
                             [&](int node)
                             {
                                 return node % columns == 0 || node % columns == columns - 1 ||
                                        node / columns == 0 || node / columns == rows - 1;
                             });
    };
    const auto drawRoadCell = [&]
    {
        int node = 0;
        do
            node = rand() % graph.GetNrOfNodes();
        while (graph.GetNode(node)->GetTerrainType() != TerrainType::Default);
        return node;
    };

    srand(3);
    long documentedRing = 0;
    long safeRing = 0;
    for (int trip = 0; trip < 100; ++trip)
    {
        const int start = drawRoadCell();
        const int goal = drawRoadCell();
        if (start == goal)
            continue;
        std::vector<int> documented;
        for (const GridTerrainNode* pNode : app.GetRoutePlanner()->FindRoute(start, goal, Chebyshev))
            documented.push_back(pNode->GetIndex());
        car.GetRigidBody()->SetTransform(graph.GetNodeWorldPos(start), 0.f);
        car.SetDestination(graph.GetNodeWorldPos(goal));
        // A block cell: nothing to avoid on the way.
        ASSERT_TRUE(SafeDriving::PlanPathAvoiding(pBlackboard, app.GetCity().GetBlockCells().front(), false));
        std::vector<int> safe;
        for (const Vector2D& point : car.GetPath())
            safe.push_back(graph.GetNodeIdxAtWorldPos(point));
        ASSERT_EQ(safe.back(), goal);
        documentedRing += ringCells(documented);
        safeRing += ringCells(safe);
    }
    EXPECT_GT(documentedRing, 0);
    EXPECT_LT(safeRing, documentedRing);
}

TEST(SafeDriving, TheSameSeedGivesTheSameRun)
{
    const auto hashAfterRun = [](DriverModel driver)
    {
        Scene scene(40, driver, 77);
        scene.Run(30.f);
        return HashSimulationState(scene.App());
    };
    const std::uint64_t safe = hashAfterRun(DriverModel::Safe);
    EXPECT_EQ(hashAfterRun(DriverModel::Safe), safe);
    EXPECT_NE(hashAfterRun(DriverModel::Classic), safe);
}

TEST(SafeDriving, NearbySearchesAndKeptViewsDriveAsSearchingEveryCar)
{
    // A city of several junctions and merges, busy enough for queues, reroutes and cycles: the grid's
    // searches must find every car that a rule needs, and nothing kept of a car (its view, velocity or
    // the car it waits for) may ever be out of date.
    const auto run = [](bool searchesEveryCar)
    {
        srand(11);
        HeadlessSimulation::Options options{150, false, false, DriverModel::Safe, RoadNetwork::LightPhase};
        options.city = CityLayout{7, 3};
        HeadlessSimulation simulation(options);
        simulation.GetApp().GetSafeTraffic()->SetSearchesEveryCar(searchesEveryCar);
        std::vector<std::uint64_t> hashes;
        for (int second = 0; second < 25; ++second)
        {
            for (int frame = 0; frame < 60; ++frame)
                simulation.Step(FrameTime);
            hashes.push_back(HashSimulationState(simulation.GetApp()));
        }
        return hashes;
    };
    const std::vector<std::uint64_t> everyCar = run(true);
    const std::vector<std::uint64_t> nearby = run(false);
    for (size_t second = 0; second < everyCar.size(); ++second)
        ASSERT_EQ(nearby[second], everyCar[second]) << "first difference after " << second + 1 << " s";
}

TEST(SafeDriving, KeptReadsFollowEveryChangeOfThePathAndTheWait)
{
    // A car's path and the car it waits for change in its own update, and a program may change them
    // between steps: the other cars' next looks must see the new ones, not those kept from before.
    Scene scene(3, DriverModel::Safe);
    scene.Run(1.f);
    SafeDriving::SafeTraffic& traffic = *scene.App().GetSafeTraffic();
    const TrafficGraph& graph = *scene.App().GetGraph();
    Car& car = scene.CarAt(1);
    const auto route = [](const SafeDriving::Route& route)
    { return std::vector<int>(route.cells.begin(), route.cells.begin() + route.size); };
    const auto lookFrom = [&](int looking)
    { return route(LookDuringUpdateOf(traffic, looking, [&] { return traffic.GetView(graph, 1).route; })); };
    traffic.Advance(FrameTime);
    const std::vector<int> before = lookFrom(0);
    ASSERT_EQ(before, route(SafeDriving::GetRoute(graph, car)));

    // In its own update, after car 0 looked at it in the same step.
    const int cell = graph.GetNodeIdxAtWorldPos(car.GetPosition());
    traffic.BeginUpdateOf(1);
    car.SetPath({CellCentre(cell == 0 ? 1 : 0)});
    traffic.EndUpdateOf(1);
    const std::vector<int> replaced = lookFrom(2);
    EXPECT_NE(replaced, before);
    EXPECT_EQ(replaced, route(SafeDriving::GetRoute(graph, car)));

    // Between steps, through the modifiable path.
    car.GetPath().push_back(CellCentre(cell == 0 ? 21 : 20));
    traffic.Advance(FrameTime);
    const std::vector<int> extended = lookFrom(0);
    EXPECT_EQ(extended.size(), replaced.size() + 1);
    EXPECT_EQ(extended, route(SafeDriving::GetRoute(graph, car)));

    // The car it waits for, the same two ways.
    const auto waitingSeenFrom = [&](int looking)
    { return LookDuringUpdateOf(traffic, looking, [&] { return traffic.GetWaitingForIndex(graph, 1); }); };
    car.SetWaitingFor(nullptr);
    traffic.Advance(FrameTime);
    EXPECT_EQ(waitingSeenFrom(0), -1);
    traffic.BeginUpdateOf(1);
    car.SetWaitingFor(&scene.CarAt(2));
    traffic.EndUpdateOf(1);
    EXPECT_EQ(waitingSeenFrom(2), 2);
    car.SetWaitingFor(&scene.CarAt(0));
    traffic.Advance(FrameTime);
    EXPECT_EQ(waitingSeenFrom(2), 0);
}

TEST(SafeDriving, PlansCountTheStandingCarsAsTheyAreAfterEachUpdate)
{
    // A plan charges for every other car that stands in a cell. In a step, the cars updated before the
    // planning car count with their new velocities, the others with those of the step's start; the
    // planning car never counts itself.
    Scene scene(4, DriverModel::Safe);
    scene.Place(0, CellCentre(21), 0.f, {0.f, 0.f}, {22, 23});
    scene.Place(1, CellCentre(21) + Vector2D{4.f, 0.f}, 0.f, {3.f, 0.f}, {22, 23});
    scene.Place(2, CellCentre(25), 0.f, {0.f, 0.f}, {26, 27});
    scene.Place(3, CellCentre(41), 0.f, {0.f, 0.f}, {42, 43});
    SafeDriving::SafeTraffic& traffic = *scene.App().GetSafeTraffic();
    const TrafficGraph& graph = *scene.App().GetGraph();
    const std::vector<Car*>& cars = scene.App().GetCars();
    const auto countsSeenBy = [&](int planner)
    {
        return LookDuringUpdateOf(traffic, planner,
                                  [&]
                                  {
                                      const SafeDriving::SafeTraffic::StandingCars standing =
                                          traffic.CountStandingCars(graph, cars, cars[planner]);
                                      return std::vector<int>{standing.In(21), standing.In(25), standing.In(41)};
                                  });
    };
    traffic.Advance(FrameTime);
    EXPECT_EQ(countsSeenBy(0), (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(countsSeenBy(2), (std::vector<int>{1, 0, 1}));

    // Car 1 stops in its update, then car 0 drives off in its own: later planners see each change.
    traffic.BeginUpdateOf(1);
    scene.CarAt(1).SetLinearVelocity({0.f, 0.f});
    traffic.EndUpdateOf(1);
    EXPECT_EQ(countsSeenBy(3), (std::vector<int>{2, 1, 0}));
    EXPECT_EQ(countsSeenBy(1), (std::vector<int>{1, 1, 1}));
    traffic.BeginUpdateOf(0);
    scene.CarAt(0).SetLinearVelocity({2.f, 0.f});
    traffic.EndUpdateOf(0);
    EXPECT_EQ(countsSeenBy(3), (std::vector<int>{1, 1, 0}));

    // Outside the cars' updates, and when every search looks at every car, they are read afresh.
    const SafeDriving::SafeTraffic::StandingCars fresh = traffic.CountStandingCars(graph, cars, cars[2]);
    EXPECT_EQ(fresh.In(21), 1);
    EXPECT_EQ(fresh.In(25), 0);
    traffic.SetSearchesEveryCar(true);
    scene.CarAt(1).SetLinearVelocity({3.f, 0.f});
    EXPECT_EQ(countsSeenBy(2), (std::vector<int>{0, 0, 1}));
}

TEST(SafeDriving, OnlyTheSafeScenarioSharesSafeTraffic)
{
    {
        Scene classic(3, DriverModel::Classic);
        EXPECT_EQ(classic.App().GetSafeTraffic(), nullptr);
        EXPECT_EQ(classic.App().GetDeadlocksResolved(), 0);
    }
    Scene safe(3, DriverModel::Safe);
    ASSERT_NE(safe.App().GetSafeTraffic(), nullptr);
    EXPECT_EQ(&safe.App().GetSafeTraffic()->GetCars(), &safe.App().GetCars());
    EXPECT_EQ(&safe.App().GetSafeTraffic()->GetTrafficLights(), &safe.App().GetTrafficLights());
}
