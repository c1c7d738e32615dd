// The traffic statistics on hand-arranged situations: why a car stands, trips, gridlock and circular
// waits, contacts between cars, integrity, and the state hash.
#include "app/TrafficMonitor.h"

#include "app/Car.h"
#include "framework/Physics/RigidBody.h"
#include "headless/HeadlessSimulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

using namespace Vemox;

namespace
{
Vector2D CellCentre(int node)
{
    return {static_cast<float>(node % 20) * 15.f + 7.5f, static_cast<float>(node / 20) * 15.f + 7.5f};
}

class TrafficMonitorTest : public ::testing::Test
{
protected:
    TrafficMonitorTest()
    {
        srand(11);
        m_pSimulation = std::make_unique<HeadlessSimulation>(HeadlessSimulation::Options{4, false});
    }
    App_TrafficSimulation& App() { return m_pSimulation->GetApp(); }
    Car& CarAt(size_t i) { return *App().GetCars()[i]; }
    /// Parks car i at `position`, at rest, with its decisions off, so that it stays as arranged.
    void Park(size_t i, const Vector2D& position, float maxSpeed, float angle = 0.f)
    {
        Car& car = CarAt(i);
        car.SetDecisionMaking(nullptr);
        car.GetRigidBody()->SetTransform(position, angle);
        car.SetLinearVelocity({0.f, 0.f});
        car.SetMaxLinearSpeed(maxSpeed);
    }

    std::unique_ptr<HeadlessSimulation> m_pSimulation;
};
} // namespace

TEST_F(TrafficMonitorTest, ClassifiesWhyACarStands)
{
    App().UpdateTrafficLights(0.1f); // light 1 red: 83 -> 84 closed
    TrafficMonitor monitor(App());
    Car& car = CarAt(0);
    Park(0, CellCentre(83), 0.f);
    car.SetPath({CellCentre(84)});
    EXPECT_EQ(monitor.Classify(car), StopReason::RedLight);
    car.SetPath({CellCentre(103)}); // limit 0 without a closed connection ahead: the vision rule
    EXPECT_EQ(monitor.Classify(car), StopReason::AnotherCar);
    car.SetMaxLinearSpeed(12.5f);
    EXPECT_EQ(monitor.Classify(car), StopReason::Other);
    car.SetLinearVelocity({0.f, 1.f});
    EXPECT_EQ(monitor.Classify(car), StopReason::Moving);
}

TEST_F(TrafficMonitorTest, CountsTripsEndedOnArrivalFromTheSecondPlanOn)
{
    TrafficMonitor monitor(App());
    Car& car = CarAt(0);
    car.SetDecisionMaking(nullptr);
    monitor.Observe(1.f);
    car.SetDestination(CellCentre(0)); // first plan: starts a trip
    monitor.Observe(1.f);
    EXPECT_EQ(monitor.GetTripsCompleted(), 0);
    monitor.Observe(1.f);
    monitor.Observe(1.f);
    car.SetDestination(CellCentre(19)); // a new plan on the way: the trip is given up, not completed
    monitor.Observe(1.f);
    EXPECT_EQ(monitor.GetTripsCompleted(), 0);
    monitor.Observe(1.f);
    monitor.Observe(1.f);
    car.GetRigidBody()->SetTransform(CellCentre(19), 0.f);
    car.SetDestination(CellCentre(0)); // arrived and planned again: one trip of 3 s
    monitor.Observe(1.f);
    EXPECT_EQ(monitor.GetTripsCompleted(), 1);
    EXPECT_DOUBLE_EQ(monitor.GetMeanTripTime(), 3.0);
}

TEST_F(TrafficMonitorTest, StandStillTimesAndGridlock)
{
    TrafficMonitor monitor(App());
    for (size_t i = 0; i < 4; ++i)
        Park(i, CellCentre(static_cast<int>(i) * 4), 0.f);
    CarAt(1).SetLinearVelocity({5.f, 0.f});
    for (int second = 0; second < 61; ++second)
        monitor.Observe(1.f);
    EXPECT_DOUBLE_EQ(monitor.GetLongestStandStill(), 61.0);
    EXPECT_EQ(monitor.GetGridlockedCars(), (std::vector<int>{0, 2, 3}));
    EXPECT_DOUBLE_EQ(monitor.GetMeanSpeed(), 5.0 / 4.0);
}

TEST_F(TrafficMonitorTest, CircularWaitFollowsTheRecordedWaitsAndHowLongTheyHold)
{
    for (size_t i = 0; i < 4; ++i)
    {
        Park(i, CellCentre(static_cast<int>(i) * 4), 0.f);
        CarAt(i).SetPath({}); // no road ahead, so no red light either
    }
    TrafficMonitor monitor(App());
    const auto waitInARing = [this]
    {
        for (size_t i = 0; i < 4; ++i)
            CarAt(i).SetWaitingFor(&CarAt((i + 1) % 4));
    };
    waitInARing();
    CarAt(3).SetWaitingFor(nullptr);
    monitor.Observe(1.f);
    EXPECT_FALSE(monitor.HasCircularWait()); // a chain that does not close

    waitInARing();
    for (int second = 0; second < 3; ++second)
        monitor.Observe(1.f);
    EXPECT_TRUE(monitor.HasCircularWait());
    CarAt(2).SetLinearVelocity({0.f, 3.f}); // one car of the ring drives off
    monitor.Observe(1.f);
    EXPECT_FALSE(monitor.HasCircularWait());
    // The cycle held from the wait that closed it: three of the four seconds the others waited.
    EXPECT_DOUBLE_EQ(monitor.GetLongestCircularWait(), 3.0);
}

TEST_F(TrafficMonitorTest, ACarAtARedLightWaitsOnNobody)
{
    App().UpdateTrafficLights(0.1f); // light 1 red: 83 -> 84 closed
    Park(0, CellCentre(83), 0.f);
    CarAt(0).SetPath({CellCentre(84)});
    Park(1, CellCentre(85), 0.f, Pi);
    CarAt(1).SetPath({});
    // Two cars facing each other across the junction, as the vision rule may see them.
    CarAt(0).SetWaitingFor(&CarAt(1));
    CarAt(1).SetWaitingFor(&CarAt(0));
    TrafficMonitor monitor(App());
    monitor.Observe(1.f);
    EXPECT_FALSE(monitor.HasCircularWait());
    EXPECT_EQ(monitor.GetLongestCircularWait(), 0.0);
}

TEST_F(TrafficMonitorTest, CountsCarContactsWhenTheyBegin)
{
    TrafficMonitor monitor(App());
    Park(0, {100.f, 100.f}, 0.f);
    Park(1, {105.f, 100.f}, 0.f); // radii 3 + 3 > 5: overlapping
    Park(2, {200.f, 50.f}, 0.f);
    Park(3, {250.f, 50.f}, 0.f);
    m_pSimulation->Step(1.f / 60.f);
    monitor.Observe(1.f / 60.f);
    EXPECT_EQ(monitor.GetCarContactsBegun(), 1);
    m_pSimulation->Step(1.f / 60.f);
    monitor.Observe(1.f / 60.f); // still touching or pushed apart: nothing new begins
    EXPECT_EQ(monitor.GetCarContactsBegun(), 1);
}

TEST_F(TrafficMonitorTest, CountsJunctionEntriesOverARedConnectionOnly)
{
    // At the start the horizontal approaches are red (83 -> 84) and the vertical ones green (124 -> 104).
    Park(0, {59.f, 67.5f}, 0.f);
    Park(1, {67.5f, 91.f}, 0.f);
    Park(2, {200.f, 50.f}, 0.f);
    Park(3, {250.f, 50.f}, 0.f);
    TrafficMonitor monitor(App());
    CarAt(0).SetPosition({61.f, 67.5f}); // 83 -> 84 on red
    CarAt(1).SetPosition({67.5f, 89.f}); // 124 -> 104 on green
    monitor.Observe(0.1f);
    EXPECT_EQ(monitor.GetJunctionEntriesOnRed(), 1);
    CarAt(0).SetPosition({76.f, 67.5f}); // 84 -> 85 inside the junction: no light
    monitor.Observe(0.1f);
    EXPECT_EQ(monitor.GetJunctionEntriesOnRed(), 1);
}

TEST_F(TrafficMonitorTest, FlagsCarsOutsideTheWorldAndNonFinitePositions)
{
    TrafficMonitor monitor(App());
    monitor.Observe(0.1f);
    EXPECT_TRUE(monitor.IsIntegrityClean());
    CarAt(0).SetPosition({-5.f, 20.f});
    CarAt(1).SetPosition({std::numeric_limits<float>::quiet_NaN(), 20.f});
    monitor.Observe(0.1f);
    EXPECT_EQ(monitor.GetCarsOutsideWorld(), 1);
    EXPECT_EQ(monitor.GetCarsWithNonFinitePosition(), 1);
    EXPECT_FALSE(monitor.IsIntegrityClean());
}

TEST(StateHash, FollowsEveryPartOfTheCarState)
{
    srand(3);
    HeadlessSimulation simulation({3, false});
    App_TrafficSimulation& app = simulation.GetApp();
    const std::uint64_t initial = HashSimulationState(app);
    EXPECT_EQ(HashSimulationState(app), initial);

    Car& car = *app.GetCars()[2];
    car.SetLinearVelocity({0.f, 1e-3f});
    const std::uint64_t moved = HashSimulationState(app);
    EXPECT_NE(moved, initial);
    car.GetPath().push_back({1.f, 2.f});
    EXPECT_NE(HashSimulationState(app), moved);
}
