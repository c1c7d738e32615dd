// Watches a running traffic simulation frame by frame and keeps its statistics: how the cars move and
// why they stand, completed trips, gridlock, car-car contacts and the integrity of every position.
#pragma once

#include "App_TrafficSimulation.h"

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

class b2Body;

/// Why a car stands still in a frame.
enum class StopReason
{
    Moving,
    RedLight,   ///< in front of a closed junction approach
    AnotherCar, ///< held by its vision rule
    Other,      ///< slowing down or between decisions
};

class TrafficMonitor
{
public:
    /// Speed (world units per second) below which a car counts as standing still.
    static constexpr float StandStillSpeed = 0.5f;
    /// Standing still longer than this (simulated seconds) counts as gridlock.
    static constexpr float GridlockSeconds = 60.f;

    /// The application is observed, not owned; it must have been started.
    explicit TrafficMonitor(const App_TrafficSimulation& app);

    /// Observes the state after one frame of deltaTime seconds.
    void Observe(float deltaTime);

    /// Classifies one car of the application as it stands now.
    StopReason Classify(const Car& car) const;

    struct Snapshot
    {
        int moving = 0;
        int stoppedAtRedLight = 0;
        int stoppedForAnotherCar = 0;
        float meanSpeed = 0.f; ///< world units per second, over all cars
    };
    /// The cars as they were at the last Observe.
    const Snapshot& GetLastSnapshot() const { return m_LastSnapshot; }

    double GetSimulatedTime() const { return m_SimulatedTime; }
    /// Plans made on arrival at the destination of the previous plan (the first plan starts the count).
    int GetTripsCompleted() const { return m_TripsCompleted; }
    /// Seconds per completed trip, 0 when none was completed.
    double GetMeanTripTime() const;
    /// Trips completed by one car (an index into the application's cars), and its seconds per trip
    /// (0 when it completed none).
    int GetTripsCompletedBy(int carIndex) const;
    double GetMeanTripTimeOf(int carIndex) const;
    /// World units per second over all cars and frames.
    double GetMeanSpeed() const;
    double GetRedLightShare() const;
    double GetAnotherCarShare() const;
    /// Longest uninterrupted time any car stood still, in simulated seconds.
    double GetLongestStandStill() const { return m_LongestStandStill; }
    /// Indices (into the application's cars) of those standing still longer than GridlockSeconds now.
    std::vector<int> GetGridlockedCars() const;
    /// Those of them that passed GridlockSeconds in the last observed frame, in the cars' order.
    const std::vector<int>& GetNewlyGridlockedCars() const { return m_NewlyGridlocked; }
    /// How long car carIndex has stood still without a break, in simulated seconds (0 when it moves).
    double GetStandingFor(int carIndex) const;
    /// Index of pCar in the application's cars, -1 for none.
    int IndexOf(const Car* pCar) const;
    /// Whether, at the last Observe, standing cars waited on each other in a cycle. A car waits on the
    /// car its decision making stopped it for (Car::GetWaitingFor); a car at a red light waits on nobody.
    bool HasCircularWait() const { return m_HasCircularWait; }
    /// How long the longest-lasting cycle of waits held together, in simulated seconds (0 when there was
    /// none): a few frames for a passing cycle, the gridlock's age for a gridlock.
    double GetLongestCircularWait() const { return m_LongestCircularWait; }
    /// Car-car contacts that began during the observed frames.
    std::int64_t GetCarContactsBegun() const { return m_CarContactsBegun; }
    /// Distinct cars ever seen outside the world, and with a non-finite position.
    int GetCarsOutsideWorld() const { return static_cast<int>(m_CarsOutside.size()); }
    int GetCarsWithNonFinitePosition() const { return static_cast<int>(m_CarsNonFinite.size()); }
    bool IsIntegrityClean() const { return m_CarsOutside.empty() && m_CarsNonFinite.empty(); }

    /// Completed trips per hour of car-time (one car driving for one simulated hour).
    double GetTripsPerCarHour() const;
    /// Car-car contacts begun per 100 minutes of car-time.
    double GetContactsPer100CarMinutes() const;
    /// Cars that crossed into a junction over a connection whose light was red at that moment.
    std::int64_t GetJunctionEntriesOnRed() const { return m_JunctionEntriesOnRed; }
    /// Waiting cycles that the driver model resolved as a last resort (only the safe driver does).
    int GetDeadlocksResolved() const { return m_App.GetDeadlocksResolved(); }

private:
    void CountNewContacts();
    /// Records the car that car i waits on after this frame (-1: nobody) and how long it has.
    void ObserveWait(size_t i, int waitsOn, float deltaTime);
    void FindCircularWaits();
    void CountJunctionEntriesOnRed();

    const App_TrafficSimulation& m_App;
    double m_SimulatedTime = 0.0;
    Snapshot m_LastSnapshot;

    std::vector<Vemox::Vector2D> m_Destinations;
    std::vector<double> m_TripStart; ///< negative until the car's first plan
    std::vector<double> m_StandingFor;
    std::vector<int> m_NewlyGridlocked;
    std::vector<int> m_TripsOfCar;
    std::vector<double> m_TripTimeOfCar;
    int m_TripsCompleted = 0;
    double m_TotalTripTime = 0.0;
    double m_SpeedSum = 0.0;
    double m_CarTime = 0.0;
    double m_RedLightTime = 0.0;
    double m_AnotherCarTime = 0.0;
    double m_LongestStandStill = 0.0;

    using BodyPair = std::pair<const b2Body*, const b2Body*>;
    std::vector<BodyPair> m_TouchingPairs;  ///< sorted; the car pairs touching after the last frame
    std::vector<BodyPair> m_TouchingNow;    ///< sorted; reused every frame
    std::vector<const b2Body*> m_CarBodies; ///< sorted
    std::int64_t m_CarContactsBegun = 0;
    std::vector<std::pair<const Car*, int>> m_CarIndices; ///< sorted by car
    std::vector<int> m_WaitsOn;             ///< per car: the index of the car it waits on, -1 for none
    std::vector<double> m_WaitTime;         ///< per car: seconds it has waited on that same car
    std::vector<unsigned char> m_WalkState; ///< reused by FindCircularWaits
    std::vector<int> m_Walk;                ///< reused by FindCircularWaits
    bool m_HasCircularWait = false;
    double m_LongestCircularWait = 0.0;
    std::set<int> m_CarsOutside;
    std::set<int> m_CarsNonFinite;

    std::vector<int> m_PreviousCells; ///< every car's node after the last frame
    std::vector<bool> m_LightWasRed;  ///< every light's state after the last frame, in the lights' order
    std::int64_t m_JunctionEntriesOnRed = 0;
};

/// A 64-bit FNV-1a hash of every car's position, velocity, angle and path, in car order.
std::uint64_t HashSimulationState(const App_TrafficSimulation& app);
