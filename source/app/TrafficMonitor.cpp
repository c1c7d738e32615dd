// Traffic statistics gathered from the application's own state after every frame.
#include "TrafficMonitor.h"

#include "Car.h"
#include "RoadNetwork.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/Physics/RigidBody.h"
#include "framework/VemoxCore/Fnv1a.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace Vemox;

namespace
{
std::pair<const b2Body*, const b2Body*> OrderedPair(const b2Body* pA, const b2Body* pB)
{
    return pA < pB ? std::make_pair(pA, pB) : std::make_pair(pB, pA);
}

// FNV-1a over each value's bytes, in the order they are added.
class StateHash
{
public:
    void Add(const void* pData, size_t size) { m_Hash = Fnv1a(pData, size, m_Hash); }
    void Add(float value) { Add(&value, sizeof(value)); }
    void Add(const Vector2D& value)
    {
        Add(value.x);
        Add(value.y);
    }
    std::uint64_t Get() const { return m_Hash; }

private:
    std::uint64_t m_Hash = FnvOffsetBasis;
};
} // namespace

TrafficMonitor::TrafficMonitor(const App_TrafficSimulation& app) : m_App(app)
{
    const size_t nrOfCars = app.GetCars().size();
    m_TripStart.assign(nrOfCars, -1.0);
    m_StandingFor.assign(nrOfCars, 0.0);
    m_WaitsOn.assign(nrOfCars, -1);
    m_WaitTime.assign(nrOfCars, 0.0);
    m_TripsOfCar.assign(nrOfCars, 0);
    m_TripTimeOfCar.assign(nrOfCars, 0.0);
    for (const Car* pCar : app.GetCars())
    {
        m_Destinations.push_back(pCar->GetDestination());
        m_CarBodies.push_back(pCar->GetRigidBody()->GetBody());
        m_CarIndices.emplace_back(pCar, static_cast<int>(m_CarIndices.size()));
    }
    std::sort(m_CarBodies.begin(), m_CarBodies.end());
    std::sort(m_CarIndices.begin(), m_CarIndices.end());
    for (const Car* pCar : app.GetCars())
        m_PreviousCells.push_back(app.GetGraph()->GetNodeIdxAtWorldPos(pCar->GetPosition()));
    for (const TrafficLight& light : app.GetTrafficLights())
        m_LightWasRed.push_back(light.isRed);
}

int TrafficMonitor::IndexOf(const Car* pCar) const
{
    const auto found = std::lower_bound(m_CarIndices.begin(), m_CarIndices.end(), std::make_pair(pCar, -1));
    return found != m_CarIndices.end() && found->first == pCar ? found->second : -1;
}

StopReason TrafficMonitor::Classify(const Car& car) const
{
    if (car.GetLinearVelocity().Magnitude() >= StandStillSpeed)
        return StopReason::Moving;
    if (car.GetMaxLinearSpeed() != 0.f)
        return StopReason::Other;

    // A speed limit of 0 comes from a closed connection ahead (a red light) or from the vision rule.
    const GraphConnection* pConnection = RoadNetwork::GetConnectionAhead(*m_App.GetGraph(), car);
    if (pConnection != nullptr && pConnection->GetCost() == RoadNetwork::RedCost)
        return StopReason::RedLight;
    return StopReason::AnotherCar;
}

void TrafficMonitor::Observe(float deltaTime)
{
    m_SimulatedTime += deltaTime;
    const auto& cars = m_App.GetCars();
    Snapshot snapshot;
    m_NewlyGridlocked.clear();
    float speedSum = 0.f;
    const float worldWidth = m_App.GetCity().GetWorldWidth();
    const float worldHeight = m_App.GetCity().GetWorldHeight();

    for (size_t i = 0; i < cars.size(); ++i)
    {
        const Car& car = *cars[i];
        const Vector2D position = car.GetPosition();
        if (!std::isfinite(position.x) || !std::isfinite(position.y))
            m_CarsNonFinite.insert(static_cast<int>(i));
        else if (position.x < 0.f || position.x > worldWidth || position.y < 0.f || position.y > worldHeight)
            m_CarsOutside.insert(static_cast<int>(i));

        // A new destination means a new plan; a plan made on arrival ends a trip (one made on the way,
        // to go around a jam, gives the trip up).
        if (car.GetDestination() != m_Destinations[i])
        {
            const TrafficGraph& graph = *m_App.GetGraph();
            const bool hasArrived =
                graph.GetNodeIdxAtWorldPos(position) == graph.GetNodeIdxAtWorldPos(m_Destinations[i]);
            m_Destinations[i] = car.GetDestination();
            if (m_TripStart[i] >= 0.0 && hasArrived)
            {
                const double tripTime = m_SimulatedTime - m_TripStart[i];
                ++m_TripsCompleted;
                m_TotalTripTime += tripTime;
                ++m_TripsOfCar[i];
                m_TripTimeOfCar[i] += tripTime;
            }
            m_TripStart[i] = m_SimulatedTime;
        }

        const float speed = car.GetLinearVelocity().Magnitude();
        speedSum += speed;
        m_SpeedSum += static_cast<double>(speed) * deltaTime;
        m_CarTime += deltaTime;

        const StopReason reason = Classify(car);
        switch (reason)
        {
        case StopReason::Moving:
            ++snapshot.moving;
            break;
        case StopReason::RedLight:
            ++snapshot.stoppedAtRedLight;
            m_RedLightTime += deltaTime;
            break;
        case StopReason::AnotherCar:
            ++snapshot.stoppedForAnotherCar;
            m_AnotherCarTime += deltaTime;
            break;
        case StopReason::Other:
            break;
        }

        if (speed < StandStillSpeed)
        {
            const bool wasGridlocked = m_StandingFor[i] > GridlockSeconds;
            m_StandingFor[i] += deltaTime;
            if (!wasGridlocked && m_StandingFor[i] > GridlockSeconds)
                m_NewlyGridlocked.push_back(static_cast<int>(i));
            m_LongestStandStill = std::max(m_LongestStandStill, m_StandingFor[i]);
        }
        else
        {
            m_StandingFor[i] = 0.0;
        }

        // A car waits on another only while it stands because of that car, never at a red light.
        const bool waits = speed < StandStillSpeed && reason != StopReason::RedLight;
        ObserveWait(i, waits ? IndexOf(car.GetWaitingFor()) : -1, deltaTime);
    }
    snapshot.meanSpeed = cars.empty() ? 0.f : speedSum / static_cast<float>(cars.size());
    m_LastSnapshot = snapshot;
    FindCircularWaits();
    CountNewContacts();
    CountJunctionEntriesOnRed();
}

void TrafficMonitor::CountJunctionEntriesOnRed()
{
    // The cars moved in this frame's physics step, before this frame's light update: the lights then
    // stood as they were after the last frame.
    const TrafficGraph& graph = *m_App.GetGraph();
    const auto& cars = m_App.GetCars();
    const auto& lights = m_App.GetTrafficLights();
    for (size_t i = 0; i < cars.size(); ++i)
    {
        const int cell = graph.GetNodeIdxAtWorldPos(cars[i]->GetPosition());
        const int previous = m_PreviousCells[i];
        m_PreviousCells[i] = cell;
        if (cell == previous || cell == invalid_node_index || previous == invalid_node_index)
            continue;
        for (size_t k = 0; k < lights.size() && k < m_LightWasRed.size(); ++k)
        {
            if (lights[k].fromNode == previous && lights[k].toNode == cell && m_LightWasRed[k])
                ++m_JunctionEntriesOnRed;
        }
    }
    m_LightWasRed.resize(lights.size());
    for (size_t k = 0; k < lights.size(); ++k)
        m_LightWasRed[k] = lights[k].isRed;
}

void TrafficMonitor::ObserveWait(size_t i, int waitsOn, float deltaTime)
{
    if (waitsOn < 0)
        m_WaitTime[i] = 0.0;
    else if (waitsOn == m_WaitsOn[i])
        m_WaitTime[i] += deltaTime;
    else
        m_WaitTime[i] = deltaTime;
    m_WaitsOn[i] = waitsOn;
}

void TrafficMonitor::FindCircularWaits()
{
    enum : unsigned char
    {
        Unvisited,
        OnWalk,
        Done
    };
    // Every car waits on at most one other, so a walk along the waits from any car ends at a car that
    // waits on nobody, joins an earlier walk, or runs into itself: a cycle. Each car is walked once.
    m_WalkState.assign(m_WaitsOn.size(), Unvisited);
    m_HasCircularWait = false;
    for (size_t start = 0; start < m_WaitsOn.size(); ++start)
    {
        m_Walk.clear();
        int car = static_cast<int>(start);
        while (car >= 0 && m_WalkState[static_cast<size_t>(car)] == Unvisited)
        {
            m_WalkState[static_cast<size_t>(car)] = OnWalk;
            m_Walk.push_back(car);
            car = m_WaitsOn[static_cast<size_t>(car)];
        }
        if (car >= 0 && m_WalkState[static_cast<size_t>(car)] == OnWalk)
        {
            // The cycle, from `car` to the end of the walk, has held as long as its most recent wait.
            double age = std::numeric_limits<double>::max();
            for (auto it = std::find(m_Walk.begin(), m_Walk.end(), car); it != m_Walk.end(); ++it)
                age = std::min(age, m_WaitTime[static_cast<size_t>(*it)]);
            m_HasCircularWait = true;
            m_LongestCircularWait = std::max(m_LongestCircularWait, age);
        }
        for (const int walked : m_Walk)
            m_WalkState[static_cast<size_t>(walked)] = Done;
    }
}

void TrafficMonitor::CountNewContacts()
{
    const b2World* pWorld = PhysicsWorld::GetInstance()->GetWorld();
    if (pWorld == nullptr)
        return;
    const auto isCar = [this](const b2Body* pBody)
    { return std::binary_search(m_CarBodies.begin(), m_CarBodies.end(), pBody); };
    m_TouchingNow.clear();
    for (const b2Contact* pContact = pWorld->GetContactList(); pContact != nullptr;
         pContact = pContact->GetNext())
    {
        const b2Body* pA = pContact->GetFixtureA()->GetBody();
        const b2Body* pB = pContact->GetFixtureB()->GetBody();
        if (pContact->IsTouching() && isCar(pA) && isCar(pB))
            m_TouchingNow.push_back(OrderedPair(pA, pB));
    }
    std::sort(m_TouchingNow.begin(), m_TouchingNow.end());
    for (const BodyPair& pair : m_TouchingNow)
    {
        if (!std::binary_search(m_TouchingPairs.begin(), m_TouchingPairs.end(), pair))
            ++m_CarContactsBegun;
    }
    m_TouchingPairs.swap(m_TouchingNow);
}

double TrafficMonitor::GetMeanTripTime() const
{
    return m_TripsCompleted > 0 ? m_TotalTripTime / m_TripsCompleted : 0.0;
}

int TrafficMonitor::GetTripsCompletedBy(int carIndex) const
{
    VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_TripsOfCar.size() &&
                 "<TrafficMonitor::GetTripsCompletedBy>: invalid car index");
    return m_TripsOfCar[static_cast<size_t>(carIndex)];
}

double TrafficMonitor::GetMeanTripTimeOf(int carIndex) const
{
    const int trips = GetTripsCompletedBy(carIndex);
    return trips > 0 ? m_TripTimeOfCar[static_cast<size_t>(carIndex)] / trips : 0.0;
}

double TrafficMonitor::GetMeanSpeed() const
{
    return m_CarTime > 0.0 ? m_SpeedSum / m_CarTime : 0.0;
}
double TrafficMonitor::GetRedLightShare() const
{
    return m_CarTime > 0.0 ? m_RedLightTime / m_CarTime : 0.0;
}
double TrafficMonitor::GetAnotherCarShare() const
{
    return m_CarTime > 0.0 ? m_AnotherCarTime / m_CarTime : 0.0;
}

double TrafficMonitor::GetTripsPerCarHour() const
{
    return m_CarTime > 0.0 ? m_TripsCompleted / (m_CarTime / 3600.0) : 0.0;
}

double TrafficMonitor::GetContactsPer100CarMinutes() const
{
    return m_CarTime > 0.0 ? static_cast<double>(m_CarContactsBegun) / (m_CarTime / 60.0) * 100.0 : 0.0;
}

double TrafficMonitor::GetStandingFor(int carIndex) const
{
    return carIndex >= 0 && static_cast<size_t>(carIndex) < m_StandingFor.size()
               ? m_StandingFor[static_cast<size_t>(carIndex)]
               : 0.0;
}

std::vector<int> TrafficMonitor::GetGridlockedCars() const
{
    std::vector<int> ids;
    for (size_t i = 0; i < m_StandingFor.size(); ++i)
        if (m_StandingFor[i] > GridlockSeconds)
            ids.push_back(static_cast<int>(i));
    return ids;
}

std::uint64_t HashSimulationState(const App_TrafficSimulation& app)
{
    StateHash hash;
    for (const Car* pCar : app.GetCars())
    {
        hash.Add(pCar->GetPosition());
        hash.Add(pCar->GetLinearVelocity());
        hash.Add(pCar->GetRotation());
        const auto& path = pCar->GetPath();
        const std::uint64_t length = path.size();
        hash.Add(&length, sizeof(length));
        for (const Vector2D& point : path)
            hash.Add(point);
    }
    return hash.Get();
}
