// The safe driver: a second behaviour tree for the car that keeps dense traffic flowing. It follows at
// a distance that always lets it stop, anticipates lights, keeps junctions clear, yields before
// merging, and resolves (and counts) a cycle of cars waiting on each other as a last resort.
#pragma once

#include "RoadNetwork.h"
#include "TrafficLight.h"
#include "TrafficTypes.h"
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "framework/VemoxAI/DecisionMaking/Blackboard.h"
#include "framework/VemoxAI/VemoxGraphs/ConnectionIndex.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxCore/VemoxMath.h"

#include <array>
#include <cstdint>
#include <vector>

class Car;

namespace SafeDriving
{
/// Why a safe car holds back in its latest update; recorded together with the car it waits for.
enum class WaitReason : std::uint8_t
{
    None,
    Following, ///< a car ahead on its route or in its way
    Light,     ///< a red light, or one that will be red when it gets there
    Junction,  ///< no room beyond the junction, or a car with priority inside or at it
    Merge,     ///< ring traffic that has priority at the merge ahead
};

/// The cells a car is about to drive through: its own cell, then the cells of its path points (repeats
/// dropped), at most MaxRouteCells.
struct Route
{
    static constexpr int MaxRouteCells = 9; ///< the look-ahead, a junction and the cell beyond
    std::array<int, MaxRouteCells> cells{};
    int size = 0;
};
Route GetRoute(const TrafficGraph& graph, const Car& car);

/// What a route and a steering direction take from a car's path: the cells of its points, each once
/// where points follow in the same cell (as many as a route from any cell can need), and the first point
/// in the first two of them.
struct PathCells
{
    std::array<int, Route::MaxRouteCells> cells{};
    std::array<Vemox::Vector2D, 2> points{};
    int size = 0;
};

/// What the safe cars of one simulation share: the simulated clock, the traffic lights they read, a
/// small memory per car and the count of waiting cycles resolved. Owned by the application; every safe
/// car's blackboard points at it.
class SafeTraffic
{
public:
    /// cars and lights are the application's vectors (borrowed; they must outlive this object); nrOfCars
    /// the number of cars the application spawns; planningRaise the city's connections raised for a search;
    /// ringConnections the connections along the ring (each with its road cost as restoreCost), charged
    /// ringCost in a search.
    SafeTraffic(const std::vector<Car*>& cars, const std::vector<TrafficLight>& lights, std::size_t nrOfCars,
                std::vector<RoadNetwork::RaisedConnection> planningRaise,
                std::vector<RoadNetwork::RaisedConnection> ringConnections, float ringCost);

    /// Advances the clock by one simulation step (seconds); called before the cars update.
    void Advance(float deltaTime)
    {
        m_Time += deltaTime;
        ++m_Step; // the cars have moved: every kept view is out of date
    }
    /// Simulated seconds since the start.
    double GetTime() const { return m_Time; }

    const std::vector<Car*>& GetCars() const { return m_Cars; }
    const std::vector<TrafficLight>& GetTrafficLights() const { return m_Lights; }
    const std::vector<RoadNetwork::RaisedConnection>& GetPlanningRaise() const { return m_PlanningRaise; }
    const std::vector<RoadNetwork::RaisedConnection>& GetRingConnections() const { return m_RingConnections; }
    float GetRingCost() const { return m_RingCost; }
    /// The light guarding fromNode -> toNode, or null.
    const TrafficLight* FindLight(int fromNode, int toNode) const;

    /// Per car: what held it back in its latest update, its last progress, and since when it has
    /// waited at a junction's line or a merge.
    struct CarMemory
    {
        WaitReason reason = WaitReason::None;
        Vemox::Vector2D progressPoint;      ///< where the car was when it last moved a car's length
        double progressTime = -1.0;         ///< seconds; when that was (negative before the first update)
        double rightOfWayUntil = -1.0;      ///< seconds; granted by a resolution
        double standsAtLineSince = -1.0;    ///< seconds; since when it stands at a junction's line
        double waitsToMergeSince = -1.0;    ///< seconds; since when it stands at a merge onto the ring
        double waitsOnGreenSince = -1.0;    ///< seconds; since when it stands at a junction's line on green
        double standsAtTurnOffSince = -1.0; ///< seconds; since when it stands on the ring where it turns off
        double replansAt = -1.0;            ///< seconds; when it next plans its way again (negative: unset)
    };
    /// carIndex: the car's index in the application's cars.
    CarMemory& GetMemory(int carIndex);
    const CarMemory& GetMemory(int carIndex) const;

    /// What the other cars read of a car: its route and the direction it steers to.
    struct CarView
    {
        Route route;
        Vemox::Vector2D steering;
    };
    /// The application brackets every car's update with these. In between, a car's view is computed once
    /// per step and kept until the end of that car's own update (only its own update changes its path,
    /// and cars move only in the physics step), from the cells of its path kept while the path's version
    /// stays the same; the updating car's view, and every view outside an update, is computed afresh.
    void BeginUpdateOf(int carIndex)
    {
        m_UpdatingCar = carIndex;
        m_HasOwnRoute = false;
    }
    void EndUpdateOf(int carIndex);
    /// The route of car carIndex for its own leaves: during its update, computed once and kept until its
    /// path is replaced (ForgetOwnRoute); otherwise computed afresh. The leaves that drop reached points
    /// run before any leaf reads the route.
    Route GetOwnRoute(const TrafficGraph& graph, const Car& car, int carIndex);
    void ForgetOwnRoute() { m_HasOwnRoute = false; }
    /// The cells of car carIndex's path (and its first two points) for its own leaves: during its update
    /// kept from step to step and read again whenever its path has changed, also by its own leaves;
    /// otherwise read afresh.
    const PathCells& GetOwnPathCells(const TrafficGraph& graph, int carIndex);
    /// The speed the road allows car carIndex (CarBehavior::SpeedOnRoad) on the connection from its cell to
    /// the cell of its next path point, as RoadNetwork::GetConnectionAhead finds it. During the car's own
    /// update the connection comes from its kept place and path cells and a flat copy of the graph's
    /// connections, and the speed is kept with it unless a light opens and closes the connection: only
    /// the lights change a connection's cost for longer than a plan.
    float GetRoadSpeedAhead(const TrafficGraph& graph, int carIndex);
    /// The view of car carIndex (the car at that index in the cars).
    CarView GetView(const TrafficGraph& graph, int carIndex)
    {
        // The rules read the views of the cars around them many times a step: the kept one is at hand.
        const size_t i = static_cast<size_t>(carIndex);
        if (Keeps(carIndex) && i < m_ViewSteps.size() && m_ViewSteps[i] == m_Step)
            return m_Views[i];
        return ComputeView(graph, carIndex);
    }
    /// Where a car stands: its position and its cell (invalid_node_index off the road grid).
    struct CarPlace
    {
        Vemox::Vector2D position;
        int cell = Vemox::invalid_node_index;
    };
    /// The place of car carIndex. Cars move only in the physics step, so during the cars' updates every
    /// car's place is read once per step, all together, and kept in one array: the leaves then test the
    /// cars around them without reaching into each car's body. Outside an update it is read afresh.
    CarPlace GetPlace(const TrafficGraph& graph, int carIndex)
    {
        VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_Cars.size() &&
                     "<SafeTraffic::GetPlace>: invalid car index");
        if (m_UpdatingCar < 0 || m_SearchesEveryCar)
            return ReadPlace(graph, carIndex);
        ReadPlaces(graph);
        return m_Places[static_cast<size_t>(carIndex)];
    }
    /// The velocity of car carIndex, and the car it waits for, kept as the places are: read with them
    /// once per step, and again at the end of the car's own update (its decisions set what it waits for,
    /// its steering then sets its velocity; nothing else changes either within a step). For the car that
    /// updates, and outside an update, read afresh.
    Vemox::Vector2D GetVelocity(const TrafficGraph& graph, int carIndex)
    {
        return Keeps(carIndex) ? ReadKept(graph, carIndex, m_Velocities) : ReadVelocity(carIndex);
    }
    const Car* GetWaitingFor(const TrafficGraph& graph, int carIndex)
    {
        return Keeps(carIndex) ? ReadKept(graph, carIndex, m_WaitingFor) : ReadWaitingFor(carIndex);
    }
    /// The index of the car that car carIndex waits for (-1: none), kept as GetWaitingFor is.
    int GetWaitingForIndex(const TrafficGraph& graph, int carIndex)
    {
        return Keeps(carIndex) ? ReadKept(graph, carIndex, m_WaitingForIndex)
                               : IndexOf(ReadWaitingFor(carIndex));
    }
    /// The standing cars (slower than a walk) in each cell, as a plan of car pPlanner counts them: every
    /// other car of cars (the application's), at its place and velocity as GetPlace and GetVelocity read
    /// them. counts[cell] - (cell == ownCell ? ownStanding : 0) is the count of a cell; valid until the
    /// next call or the end of the next car's update.
    struct StandingCars
    {
        const int* counts = nullptr;
        int ownCell = Vemox::invalid_node_index;
        int ownStanding = 0;

        int In(int cell) const { return counts[cell] - (cell == ownCell ? ownStanding : 0); }
    };
    StandingCars CountStandingCars(const TrafficGraph& graph, const std::vector<Car*>& cars, const Car* pPlanner);

    /// How a plan prices each connection of the graph, by its place in the graph's connections
    /// (ConnectionIndex::IndexOf): at its fixed road cost, at its current cost (a light's), at the ring's
    /// planning cost, or raised.
    enum class PriceKind : std::uint8_t
    {
        Fixed,
        Light,
        Ring,
        Raised,
    };
    struct ConnectionPrices
    {
        const PriceKind* kinds = nullptr;
        const float* fixedCosts = nullptr;
        std::size_t nrOfEdges = 0;
        float ringCost = 0.f;
    };
    /// Made from the graph as it stands on the first call, and again after its structure or the lights
    /// change; every connection but the lights' keeps its cost while the cars drive.
    ConnectionPrices GetConnectionPrices(const TrafficGraph& graph);
    /// For checking the searches: every search looks at every car and no view is kept. The cars then
    /// drive exactly as they do with the grid and the kept views, only slower.
    void SetSearchesEveryCar(bool searchesEveryCar) { m_SearchesEveryCar = searchesEveryCar; }
    bool SearchesEveryCar() const { return m_SearchesEveryCar; }
    /// The index of pCar in the cars, or -1 (also for null).
    int IndexOf(const Car* pCar);

    /// A cleared list for the indices of nearby cars, one per nesting level of the leaves' searches;
    /// every AcquireScratch is followed by one ReleaseScratch.
    std::vector<int>& AcquireScratch();
    void ReleaseScratch();

    /// Waiting cycles that lasted beyond the bound and were broken.
    int GetCyclesResolved() const { return m_CyclesResolved; }
    void CountResolution() { ++m_CyclesResolved; }
    /// Cars that took another way because the cell beyond a junction stayed full.
    int GetReroutes() const { return m_Reroutes; }
    void CountReroute() { ++m_Reroutes; }

private:
    struct KeptPathCells
    {
        std::uint64_t pathVersion = 0; ///< the car's, read with the places and after its own update
        std::uint64_t version = 0;     ///< the one the cells were read at
        const Car* pCar = nullptr;     ///< the car the cells were read from (null: none yet)
        PathCells cells;
    };

    /// Whether a car's view, velocity and the car it waits for come from what is kept: while another car
    /// updates, unless every search looks at every car.
    bool Keeps(int carIndex) const
    {
        return m_UpdatingCar >= 0 && carIndex != m_UpdatingCar && !m_SearchesEveryCar;
    }
    /// What is kept of car carIndex in `kept`, read with the places of this step; only while another car
    /// updates (Keeps).
    template <class T> T ReadKept(const TrafficGraph& graph, int carIndex, const std::vector<T>& kept)
    {
        VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_Cars.size() &&
                     "<SafeTraffic>: invalid car index");
        ReadPlaces(graph);
        return kept[static_cast<size_t>(carIndex)];
    }
    /// Car carIndex's place, velocity and the car it waits for, read from the car itself.
    CarPlace ReadPlace(const TrafficGraph& graph, int carIndex) const;
    Vemox::Vector2D ReadVelocity(int carIndex) const;
    const Car* ReadWaitingFor(int carIndex) const;
    /// Reads every car's place, velocity, waiting and path version, once per step.
    void ReadPlaces(const TrafficGraph& graph)
    {
        if (m_PlacesStep != m_Step || m_Places.size() != m_Cars.size())
            ReadAllPlaces(graph);
    }
    void ReadAllPlaces(const TrafficGraph& graph);
    /// The view of car carIndex when it is not kept for this step: computed, and kept when Keeps.
    CarView ComputeView(const TrafficGraph& graph, int carIndex);
    /// IndexOf in the table as it stands: -1 when it misses.
    int FindCarSlot(const Car* pCar) const;
    /// The path cells of a car while the cars update, kept from step to step with the version of the
    /// path they were read from: read again only when the version read with the places, or after the
    /// car's own update, differs.
    const PathCells& GetPathCells(const TrafficGraph& graph, int carIndex);

    const std::vector<Car*>& m_Cars;
    const std::vector<TrafficLight>& m_Lights;
    std::vector<RoadNetwork::RaisedConnection> m_PlanningRaise;
    std::vector<RoadNetwork::RaisedConnection> m_RingConnections;
    float m_RingCost;
    std::vector<CarMemory> m_Memories;
    /// The lights by their from node (see FindLight); filled on the first look-up after the lights change.
    mutable std::vector<int> m_FirstLightFrom;
    mutable std::vector<int> m_NextLightFrom;
    mutable std::size_t m_NrOfIndexedLights = 0;
    /// The cars by address: an open-addressed table of indices into the cars (-1: an empty slot), built
    /// again when a look-up misses. Probing skips a slot whose index no longer holds the car looked for.
    std::vector<int> m_CarSlots;
    int m_CarSlotBits = 0; ///< m_CarSlots holds 2^m_CarSlotBits slots
    std::vector<CarView> m_Views;
    std::vector<std::uint64_t> m_ViewSteps; ///< the step each view was computed in (0: none)
    std::vector<CarPlace> m_Places;
    std::vector<Vemox::Vector2D> m_Velocities;
    std::vector<const Car*> m_WaitingFor;
    std::vector<int> m_WaitingForIndex;
    std::vector<KeptPathCells> m_PathCells;
    PathCells m_FreshPathCells; ///< what GetOwnPathCells read afresh
    /// Per cell, the cars that stand there by the kept places and velocities; read and kept with them.
    std::vector<int> m_StandingCounts;
    std::vector<int> m_CountedStanding; ///< the counts of a plan outside the cars' updates
    std::vector<PriceKind> m_PriceKinds; ///< per connection, see GetConnectionPrices
    std::vector<float> m_FixedCosts;
    std::uint64_t m_PricesCopy = 0;      ///< the copy of m_Connections they were made from (0: none)
    std::size_t m_NrOfPricedLights = 0;
    Vemox::ConnectionIndex<Vemox::GridTerrainNode, Vemox::GraphConnection> m_Connections;
    /// Per car, the connection ahead it last found, with its cells, the copy of m_Connections and the
    /// number of lights, and the road's speed on it unless a light guards it.
    struct KeptConnection
    {
        int from = Vemox::invalid_node_index;
        int to = Vemox::invalid_node_index;
        std::uint64_t copy = 0;
        std::size_t nrOfLights = 0;
        const Vemox::GraphConnection* pConnection = nullptr;
        bool isLit = false;
        float roadSpeed = 0.f;
    };
    std::vector<KeptConnection> m_ConnectionsAhead;
    std::uint64_t m_PlacesStep = 0; ///< the step m_Places was read in (0: none)
    std::uint64_t m_Step = 1;
    int m_UpdatingCar = -1;
    Route m_OwnRoute;
    bool m_HasOwnRoute = false;
    bool m_SearchesEveryCar = false;
    std::array<std::vector<int>, 4> m_Scratch;
    std::size_t m_ScratchDepth = 0;
    double m_Time = 0.0;
    int m_CyclesResolved = 0;
    int m_Reroutes = 0;
};

/// Seconds to cover distance (world units) from speed v0 when the steering blends the velocity towards
/// topSpeed at the car's rate (a fraction deltaTime per step: e-folding time 1 s).
float ArrivalTime(float distance, float v0, float topSpeed);
/// Whether ArrivalTime(distance, v0, topSpeed) + margin > deadline (seconds), that float sum to the last
/// bit; without ArrivalTime's search where the distance covered by a time well before or after the
/// deadline tells.
bool ArrivesAfter(float distance, float v0, float topSpeed, float margin, float deadline);

/// The highest speed from which the car can still brake to a stop `room` world units ahead, given the
/// speed `leadSpeed` at which what it approaches moves away from it: both brake at the blend's rate.
float SafeSpeed(float room, float leadSpeed);

/// The documented car's leaves that follow its path (CarBehavior::IsAtDestination,
/// HasReachedNextPathPoint and SeekNextPathPoint), with the same results, reading the car's place and the
/// cells and first point of its path from what the safe cars keep instead of from its body and its path.
bool IsAtDestination(Vemox::Blackboard* pBlackboard);
bool HasReachedNextPathPoint(Vemox::Blackboard* pBlackboard);
Vemox::BehaviorState SeekNextPathPoint(Vemox::Blackboard* pBlackboard);

/// Draws a random road destination outside the junctions and plans an A* path there with the
/// documented raise, the ring's cost raised by the city's size (RingPlanningCost) and a cost for every
/// car standing in a cell (paths keep clear of queues); a path with a U-turn inside a junction is
/// planned again with the raise doubled.
Vemox::BehaviorState PlanPathAroundJams(Vemox::Blackboard* pBlackboard);
/// Every ReplanSeconds on its way (and no sooner after it took another way around a full cell), a car
/// plans its way to the same destination again as PlanPathAroundJams would, with the queues of the
/// moment; only on a road cell, before its middle, with a lane ahead.
Vemox::BehaviorState ReplanOnTheWay(Vemox::Blackboard* pBlackboard);
/// A car that has stood on the ring for RerouteSeconds where its way turns off, and finds no room in the
/// cell it turns into, drives on along the ring and plans another way: standing there, it holds up the
/// ring's single lane behind it.
Vemox::BehaviorState DriveOnPastAFullTurnOff(Vemox::Blackboard* pBlackboard);
/// Sets the car's maximum speed from the road it is on, as CarBehavior::SetSpeedFromRoad does, with the
/// connection ahead taken from what the safe cars keep (SafeTraffic::GetRoadSpeedAhead).
Vemox::BehaviorState SetSpeedFromRoadAhead(Vemox::Blackboard* pBlackboard);
/// Keeps a speed-dependent distance to every car ahead on the route or in the car's way (judged from
/// routes and the direction the car steers to, never from relative velocity), and keeps out of a cell
/// that a car crosses or moves into. Of two cars that would wait on each other, the one that has the
/// other more firmly in its way waits, on a tie the later in the cars' order.
Vemox::BehaviorState KeepSafeDistance(Vemox::Blackboard* pBlackboard);
/// Stops before a light that is red, or that will be red when the car gets there, unless the car can
/// no longer stop before the line.
Vemox::BehaviorState StopForRedLight(Vemox::Blackboard* pBlackboard);
/// Enters a junction only when the cell beyond it has room, no car inside crosses its way, and no car
/// entering at the same time has priority (committed, then patient, then fewer junction cells, then
/// earlier in the cars' order). A car that waits for room for RerouteSeconds takes another way.
Vemox::BehaviorState KeepJunctionClear(Vemox::Blackboard* pBlackboard);
/// Before merging onto the ring, waits for a gap in the ring traffic that rules out contact; after
/// MergePatience at the line, ring cars that can still stop let it in.
Vemox::BehaviorState YieldBeforeMerging(Vemox::Blackboard* pBlackboard);
/// Last resort: when the car sits in a cycle of cars that wait on each other and none of them has moved
/// a car's length for CycleBound, one car of the cycle (a fixed choice) replans around the car it waits for,
/// or, at a merge or without another way, takes the right of way for RightOfWaySeconds. Counted.
Vemox::BehaviorState ResolveWaitingCycle(Vemox::Blackboard* pBlackboard);
/// Plans a path from the car's cell that keeps out of avoidedNode: to the car's destination, or, when
/// every way there leads through that node and mayChangeDestination, to one of a few random road
/// nodes. False when none was found (the car's path is then unchanged).
bool PlanPathAvoiding(Vemox::Blackboard* pBlackboard, int avoidedNode, bool mayChangeDestination);

/// What a safe car's search charges for a ring connection in a city whose ring is ringShare of its road
/// cells. The documented costs are road speeds, under which the ring, the slowest road, looks the
/// cheapest. In the documented city, where the ring is 7/16 of the road cells, it has the room for the
/// trips that this draws, and keeps its cost. The smaller its share, the closer its charge comes to
/// the time it takes to drive (InnerRoadCost times the inner roads' speed over the ring's, 83.3): in a
/// 40x20 city (a share of 4.7 %) it is 77.7. Otherwise long trips crowd onto the ring's single lane,
/// which takes a merge at every road that meets it, and its queues hold cars for minutes.
float RingPlanningCost(float ringShare);
/// Simulated seconds that a waiting cycle must last before it is resolved.
constexpr double CycleBound = 5.0;
/// Simulated seconds for which the resolving car ignores the yield rules.
constexpr double RightOfWaySeconds = 4.0;
/// Simulated seconds a car stands at a merge before ring traffic lets it in; it stays let in until it
/// is on the ring.
constexpr double MergePatience = 3.0;

/// The root of the safe car's tree: plan or advance along the path, then speed from the road and every
/// limit in turn. Ownership passes to the caller.
Vemox::IBehavior* CreateSafeBehaviorRoot();
} // namespace SafeDriving
