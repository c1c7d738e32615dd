// Traffic statistics gathered from the application's own state after every frame.
#include "TrafficMonitor.h"

#include "Car.h"
#include "CarBehavior.h"
#include "RoadNetwork.h"
#include "framework/Physics/PhysicsWorld.h"
#include "framework/Physics/RigidBody.h"

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

using namespace Vemox;

namespace
{
std::pair<const b2Body*, const b2Body*> OrderedPair(const b2Body* pA, const b2Body* pB)
{
    return pA < pB ? std::make_pair(pA, pB) : std::make_pair(pB, pA);
}

class Fnv1a
{
public:
    void Add(const void* pData, size_t size)
    {
        const auto* pBytes = static_cast<const unsigned char*>(pData);
        for (size_t i = 0; i < size; ++i)
        {
            m_Hash ^= pBytes[i];
            m_Hash *= 1099511628211ull;
        }
    }
    void Add(float value) { Add(&value, sizeof(value)); }
    void Add(const Vector2D& value)
    {
        Add(value.x);
        Add(value.y);
    }
    std::uint64_t Get() const { return m_Hash; }

private:
    std::uint64_t m_Hash = 14695981039346656037ull;
};
} // namespace

TrafficMonitor::TrafficMonitor(const App_TrafficSimulation& app) : m_App(app)
{
    const size_t nrOfCars = app.GetCars().size();
    m_TripStart.assign(nrOfCars, -1.0);
    m_StandingFor.assign(nrOfCars, 0.0);
    for (const Car* pCar : app.GetCars())
    {
        m_Destinations.push_back(pCar->GetDestination());
        m_CarBodies.push_back(pCar->GetRigidBody()->GetBody());
    }
    std::sort(m_CarBodies.begin(), m_CarBodies.end());
    for (const Car* pCar : app.GetCars())
        m_PreviousCells.push_back(app.GetGraph()->GetNodeIdxAtWorldPos(pCar->GetPosition()));
    for (const TrafficLight& light : app.GetTrafficLights())
        m_LightWasRed.push_back(light.isRed);
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
    float speedSum = 0.f;

    for (size_t i = 0; i < cars.size(); ++i)
    {
        const Car& car = *cars[i];
        const Vector2D position = car.GetPosition();
        if (!std::isfinite(position.x) || !std::isfinite(position.y))
            m_CarsNonFinite.insert(static_cast<int>(i));
        else if (position.x < 0.f || position.x > RoadNetwork::WorldWidth || position.y < 0.f ||
                 position.y > RoadNetwork::WorldHeight)
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
                ++m_TripsCompleted;
                m_TotalTripTime += m_SimulatedTime - m_TripStart[i];
            }
            m_TripStart[i] = m_SimulatedTime;
        }

        const float speed = car.GetLinearVelocity().Magnitude();
        speedSum += speed;
        m_SpeedSum += static_cast<double>(speed) * deltaTime;
        m_CarTime += deltaTime;

        switch (Classify(car))
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
            m_StandingFor[i] += deltaTime;
            m_LongestStandStill = std::max(m_LongestStandStill, m_StandingFor[i]);
        }
        else
        {
            m_StandingFor[i] = 0.0;
        }
    }
    snapshot.meanSpeed = cars.empty() ? 0.f : speedSum / static_cast<float>(cars.size());
    m_LastSnapshot = snapshot;
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

std::vector<int> TrafficMonitor::GetGridlockedCars() const
{
    std::vector<int> ids;
    for (size_t i = 0; i < m_StandingFor.size(); ++i)
        if (m_StandingFor[i] > GridlockSeconds)
            ids.push_back(static_cast<int>(i));
    return ids;
}

bool TrafficMonitor::HasCircularWait() const
{
    const auto& cars = m_App.GetCars();
    const size_t nrOfCars = cars.size();
    // Each standing car points at the nearest car in its vision cone, when that one stands too.
    std::vector<int> waitsOn(nrOfCars, -1);
    for (size_t i = 0; i < nrOfCars; ++i)
    {
        if (cars[i]->GetLinearVelocity().Magnitude() >= StandStillSpeed)
            continue;
        const Car* pSeen = CarBehavior::FindCarInSight(cars[i], cars);
        if (pSeen == nullptr || pSeen->GetLinearVelocity().Magnitude() >= StandStillSpeed)
            continue;
        for (size_t j = 0; j < nrOfCars; ++j)
            if (cars[j] == pSeen)
                waitsOn[i] = static_cast<int>(j);
    }
    // Every car has at most one successor, so a walk of nrOfCars steps from any car ends in a cycle
    // exactly when the chain never breaks.
    for (size_t start = 0; start < nrOfCars; ++start)
    {
        int current = static_cast<int>(start);
        size_t steps = 0;
        while (current >= 0 && steps <= nrOfCars)
        {
            current = waitsOn[static_cast<size_t>(current)];
            ++steps;
        }
        if (current >= 0)
            return true;
    }
    return false;
}

std::uint64_t HashSimulationState(const App_TrafficSimulation& app)
{
    Fnv1a hash;
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
