// The safe driver's leaves and tree. Every limit leaf lowers the speed that the road allows and names
// the car it holds back for; braking at the steering's blend (e-folding time 1 s) stops a car within
// its speed times one second, which every limit below leaves room for.
#include "SafeDriving.h"

#include "Car.h"
#include "CarBehavior.h"
#include "CarGrid.h"
#include "City.h"
#include "RoadNetwork.h"
#include "RoutePlanner.h"
#include "framework/VemoxAI/VemoxGraphs/AStar.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

using namespace Vemox;

namespace SafeDriving
{
namespace
{
constexpr float CarRadius = Car::Radius;
constexpr float CellLength = static_cast<float>(RoadNetwork::CellSize);
/// How far ahead (world units) the car looks for cars, lights, junctions and merges.
constexpr float Lookahead = 45.f;
constexpr float Lookahead2 = Lookahead * Lookahead;
/// Gap (world units, between the discs) that a car keeps to what it stops behind.
constexpr float MinGap = 2.f;
/// Seconds of headway: room / HeadwaySeconds is the speed allowed, so that braking (which needs one
/// second per unit of speed) always ends within the room.
constexpr float HeadwaySeconds = 1.2f;
/// Share of the lead car's speed counted as room: it brakes at the same rate, so the whole of it would
/// do; half keeps a margin for a lead that is itself stopped by contact.
constexpr float LeadSpeedShare = 0.5f;
/// Distance (world units) between the front of a stopped car and the line it stops at.
constexpr float StopMargin = 0.5f;
/// How far (world units) a braking car's centre may end beyond a line before it counts as committed.
constexpr float CommitDepth = 0.5f * CarRadius;
/// Below this speed limit (world units per second) the car stops instead of crawling.
constexpr float CrawlSpeed = 0.3f;
/// Cars off the route are looked for in a corridor as wide as two cars plus a margin, ahead of the
/// direction the car steers to.
constexpr float CorridorHalfWidth = 2.f * CarRadius + 1.f;
constexpr float CorridorLength = 26.f;
constexpr float JunctionSpeed = RoadNetwork::GreenCost * RoadNetwork::SpeedPerCost;
constexpr float RingSpeed = RoadNetwork::RingCost * RoadNetwork::SpeedPerCost;
/// Seconds of green that must be left when the car would cross the line.
constexpr float AmberMargin = 0.3f;
/// Room (world units) that one car needs beyond a junction: its own length and the gap.
constexpr float CarSpace = 2.f * CarRadius + MinGap;
/// Seconds over which a car moving on beyond the junction counts as making room.
constexpr float RoomLookSeconds = 1.f;
/// Distance (world units) to its line within which a car at another approach competes for the junction.
constexpr float ContenderDistance = 10.f;
/// Seconds of gap to ring traffic that a merging car needs beyond its own time to get in.
constexpr float MergeGapSeconds = 1.5f;
/// Cosine of the largest angle (about 45 degrees) between two directions that count as the same.
constexpr float AlignedCos = 0.7f;
/// Distance (world units) beyond the point where a lane enters a cell from which on a car in that cell
/// is followed rather than waited for: a car's length and the gap, and a unit of margin.
constexpr float EntryClearance = 2.f * CarRadius + MinGap + 1.f;
/// Seconds a car stands at a junction's line on green before cars from other approaches let it go first.
constexpr double JunctionPatience = 4.0;
/// Speed (world units per second) below which a car counts as standing.
constexpr float StandingSpeed = 0.5f;
/// Cost of a connection into a cell that a resolving car's new path avoids: more than any detour.
constexpr float AvoidedCost = 10000.f;
/// Extra cost of a connection into a cell, per car standing in it, for a safe car's path search: a
/// queue costs about as much as a detour of two cells or a left turn.
constexpr float JamCost = 100.f;
/// Destinations a resolving car tries before it gives up on a way around.
constexpr int MaxAvoidingAttempts = 8;
/// Seconds a car stands at a junction line (a red phase and most of a green one), or where it turns off
/// the ring, before it looks for another way when there is no room beyond.
constexpr double RerouteSeconds = 15.0;
/// Seconds between two plans of a car's way to its destination on the way there, with the queues of the
/// moment.
constexpr double ReplanSeconds = 15.0;
/// Groups of cars whose first plans on the way fall at different times.
constexpr int ReplanSpread = 1000;

// How far (world units) from a point the cars that a search around it needs can stand. A car's next
// route cell is a neighbour of its own, or two cells away after a push, so a car with a cell in its
// next three route cells stands within 4.5 cells of it. The unit of margin covers rounding at the
// bounds of the grid's search box.
/// A car's own cell, around the cell's centre.
constexpr float CellReach = 0.5f * CellLength + 1.f;
/// The cars inside a 2 x 2 junction, around one of its cells.
constexpr float JunctionReach = 1.5f * CellLength + 1.f;
/// Cars about to enter a junction: their next route cell is one of its cells.
constexpr float ContenderReach = 3.5f * CellLength + 1.f;
/// Ring cars with the merge cell among their next three route cells.
constexpr float MergeReach = 4.5f * CellLength + 1.f;

const BlackboardKey<Car*> CarKey{RoadNetwork::Keys::Car};
const BlackboardKey<TrafficGraph*> GraphKey{RoadNetwork::Keys::GridGraph};
const BlackboardKey<std::vector<Car*>*> CarsKey{RoadNetwork::Keys::CarsVector};
const BlackboardKey<SafeTraffic*> TrafficKey{RoadNetwork::Keys::SafeTraffic};
const BlackboardKey<int> IndexKey{RoadNetwork::Keys::CarIndex};
const BlackboardKey<const CarGrid*> CarGridKey{RoadNetwork::Keys::CarGrid};
const BlackboardKey<Heuristic> HeuristicKey{RoadNetwork::Keys::Heuristic};
const BlackboardKey<RoutePlanner*> PlannerKey{RoadNetwork::Keys::RoutePlanner};

struct Context
{
    Car* pCar = nullptr;
    TrafficGraph* pGraph = nullptr;
    std::vector<Car*>* pCars = nullptr;
    SafeTraffic* pTraffic = nullptr;
    int index = -1;
    const CarGrid* pGrid = nullptr; ///< null unless the grid holds this step's positions of the cars

    /// The car's own route, as its leaves read it (kept for the length of its update).
    Route OwnRoute() const { return pTraffic->GetOwnRoute(*pGraph, *pCar, index); }
};

bool ReadContext(Blackboard* pBlackboard, Context& context)
{
    if (!(pBlackboard->GetData(CarKey, context.pCar) && context.pCar != nullptr &&
          pBlackboard->GetData(GraphKey, context.pGraph) && context.pGraph != nullptr &&
          pBlackboard->GetData(CarsKey, context.pCars) && context.pCars != nullptr &&
          pBlackboard->GetData(TrafficKey, context.pTraffic) && context.pTraffic != nullptr &&
          pBlackboard->GetData(IndexKey, context.index) && context.index >= 0))
        return false;
    // The grid is optional: without it, or outside the application's step, every car is looked at.
    const CarGrid* const* ppGrid = pBlackboard->FindData(CarGridKey);
    context.pGrid = ppGrid != nullptr && *ppGrid != nullptr && (*ppGrid)->IsCurrentFor(*context.pCars) &&
                            !context.pTraffic->SearchesEveryCar()
                        ? *ppGrid
                        : nullptr;
    return true;
}

/// ReadContext, and the path planner's estimate.
bool ReadPlanningContext(Blackboard* pBlackboard, Context& context, Heuristic& heuristic)
{
    return ReadContext(pBlackboard, context) && pBlackboard->GetData(HeuristicKey, heuristic) &&
           heuristic != nullptr;
}

/// What a leaf reads of the other cars: the road graph, every car, what the safe cars share, and the
/// grid of the cars when it holds this step's positions.
struct World
{
    const TrafficGraph& graph;
    const std::vector<Car*>& cars;
    SafeTraffic& traffic;
    const CarGrid* pGrid;

    explicit World(const Context& context)
        : graph(*context.pGraph), cars(*context.pCars), traffic(*context.pTraffic), pGrid(context.pGrid)
    {
    }
    SafeTraffic::CarView View(int index) const { return traffic.GetView(graph, index); }
    SafeTraffic::CarPlace Place(int index) const { return traffic.GetPlace(graph, index); }
    Vector2D Velocity(int index) const { return traffic.GetVelocity(graph, index); }
    float Speed(int index) const { return Velocity(index).Magnitude(); }
    const Car* WaitingFor(int index) const { return traffic.GetWaitingFor(graph, index); }
    /// The cell a car stands in, from its place: one of the cars, found by its address.
    int CellOf(const Car& car) const { return Place(traffic.IndexOf(&car)).cell; }
};

/// The indices of the cars that may stand in the square of half-width halfWidth around centre: the
/// grid's cells that meet the square, or every car when there is no grid. In the cars' order (every rule
/// below breaks ties by that order) unless the caller breaks its ties itself.
class NearbyCars
{
public:
    enum class Order
    {
        Cars, ///< the cars' order
        Any,  ///< the grid's order: the caller's result must not depend on it
    };

    NearbyCars(const World& world, const Vector2D& centre, float halfWidth, Order order = Order::Cars)
        : NearbyCars(world, centre, halfWidth, std::numeric_limits<float>::infinity(), order)
    {
    }
    /// Leaves out the cars that the grid knows to stand farther than sqrt(radius2) from centre. The grid
    /// holds the positions of this step, so the caller's own test of the distance gives the same.
    NearbyCars(const World& world, const Vector2D& centre, float halfWidth, float radius2, Order order)
        : m_Traffic(world.traffic), m_Indices(world.traffic.AcquireScratch())
    {
        if (world.pGrid == nullptr)
        {
            for (size_t i = 0; i < world.cars.size(); ++i)
                m_Indices.push_back(static_cast<int>(i));
            return;
        }
        world.pGrid->ForEachNear(centre, halfWidth,
                                 [&](const CarGrid::Entry& entry)
                                 {
                                     if ((entry.position - centre).MagnitudeSquared() <= radius2)
                                         m_Indices.push_back(entry.index);
                                 });
        if (order == Order::Cars)
            std::sort(m_Indices.begin(), m_Indices.end());
    }
    ~NearbyCars() { m_Traffic.ReleaseScratch(); }
    NearbyCars(const NearbyCars&) = delete;
    NearbyCars& operator=(const NearbyCars&) = delete;

    std::vector<int>::const_iterator begin() const { return m_Indices.begin(); }
    std::vector<int>::const_iterator end() const { return m_Indices.end(); }

private:
    SafeTraffic& m_Traffic;
    std::vector<int>& m_Indices;
};

float Speed(const Car& car)
{
    return car.GetLinearVelocity().Magnitude();
}

/// Slower than a walk: what counts as standing in a queue.
bool IsStanding(const Vector2D& velocity)
{
    return velocity.Magnitude() < StandingSpeed;
}

int CellOf(const TrafficGraph& graph, const Car& car)
{
    return graph.GetNodeIdxAtWorldPos(car.GetPosition());
}

/// A junction cell of the city (Intersection terrain), known from the index without reading the node.
bool IsIntersection(const TrafficGraph& graph, int node)
{
    return City::IsJunctionCell(graph.GetNrOfColumns(), graph.GetNrOfRows(), node);
}

bool IsOnRing(const TrafficGraph& graph, int node)
{
    const int columns = graph.GetNrOfColumns();
    const int column = node % columns;
    const int row = node / columns;
    return row == 0 || row == graph.GetNrOfRows() - 1 || column == 0 || column == columns - 1;
}

/// Two intersection cells belong to the same 2 x 2 junction.
bool IsSameJunction(const TrafficGraph& graph, int a, int b)
{
    const int columns = graph.GetNrOfColumns();
    return std::abs(a % columns - b % columns) <= 1 && std::abs(a / columns - b / columns) <= 1;
}

/// The centre of a cell, as GetNodeWorldPos gives it for a node in its own slot (the road grid removes
/// none), worked out from the index alone, without reading the node.
Vector2D CellCentre(const TrafficGraph& graph, int cell)
{
    VEMOX_ASSERT(cell >= 0 && cell < graph.GetNrOfNodes() && "<CellCentre>: invalid cell");
    const int columns = graph.GetNrOfColumns();
    const float cellSize = static_cast<float>(graph.GetCellSize());
    return {static_cast<float>(cell % columns) * cellSize + cellSize * 0.5f,
            static_cast<float>(cell / columns) * cellSize + cellSize * 0.5f};
}

Vector2D LaneDirection(const TrafficGraph& graph, int from, int to)
{
    return (CellCentre(graph, to) - CellCentre(graph, from)).GetNormalized();
}

/// Distance (world units) from the car to the line between route cells i and i + 1: to the first line
/// along the car's lane, then a cell's length for every further cell.
float DistanceToLine(const TrafficGraph& graph, const Vector2D& position, const Route& route, int i)
{
    const Vector2D from = CellCentre(graph, route.cells[0]);
    const Vector2D to = CellCentre(graph, route.cells[1]);
    const Vector2D line = (from + to) * 0.5f;
    const float first = Dot(line - position, (to - from).GetNormalized());
    return first + CellLength * static_cast<float>(i);
}

float DistanceToLine(const TrafficGraph& graph, const Car& car, const Route& route, int i)
{
    return DistanceToLine(graph, car.GetPosition(), route, i);
}

/// The path cells of a car's path, at most maxCells of them.
PathCells ReadPathCells(const TrafficGraph& graph, const Car& car, int maxCells = Route::MaxRouteCells)
{
    PathCells path;
    for (const Vector2D& point : car.GetPath())
    {
        const int cell = graph.GetNodeIdxAtWorldPos(point);
        if (path.size > 0 && cell == path.cells[static_cast<size_t>(path.size - 1)])
            continue;
        if (path.size == maxCells)
            break;
        if (static_cast<size_t>(path.size) < path.points.size())
            path.points[static_cast<size_t>(path.size)] = point;
        path.cells[static_cast<size_t>(path.size++)] = cell;
    }
    return path;
}

/// The direction a car at position in cell steers to: towards its next path point beyond its own cell,
/// else along its motion, else along its body.
Vector2D SteeringAlong(const PathCells& path, const Car& car, const Vector2D& position, int cell)
{
    // Cells follow each other only once, so the first cell other than the car's is one of the first two.
    const int next = path.size > 0 && path.cells[0] == cell ? 1 : 0;
    if (next < path.size)
    {
        const Vector2D direction = path.points[static_cast<size_t>(next)] - position;
        if (direction.MagnitudeSquared() > 0.01f)
            return direction.GetNormalized();
    }
    const Vector2D motion = car.GetDirection();
    if (motion.MagnitudeSquared() > 0.f)
        return motion;
    return FromPolar(1.f, car.GetRotation());
}

/// The route of a car standing in `cell` (GetRoute): the cell, then the path's cells.
Route RouteAlong(const PathCells& path, int cell)
{
    Route route;
    if (cell == invalid_node_index)
        return route;
    route.cells[0] = cell;
    route.size = 1;
    for (int k = 0; k < path.size && route.size < Route::MaxRouteCells; ++k)
        if (path.cells[static_cast<size_t>(k)] != route.cells[static_cast<size_t>(route.size - 1)])
            route.cells[static_cast<size_t>(route.size++)] = path.cells[static_cast<size_t>(k)];
    return route;
}

Route RouteFrom(const TrafficGraph& graph, const Car& car, int cell)
{
    return RouteAlong(ReadPathCells(graph, car), cell);
}

/// How firmly another car is in a car's way, weakest first: ahead in the corridor in front of it,
/// about to enter one of its next cells (moving in and within its headway of the line), waiting long
/// enough to merge into one of them while this car can still stop, or on its route ahead.
enum class Sighting
{
    None,
    Corridor,
    Entering,
    LettingIn,
    OnRoute,
};

/// Whether a ring car can still stop with its centre before the merge cell (at most StopMargin into
/// it): a merging car, coming in from the side and driving on away from it, then passes clear of it.
bool CanLetIn(const TrafficGraph& graph, const Vector2D& position, float speed, const Route& route,
              int mergeCell)
{
    for (int k = 1; k < route.size; ++k)
        if (route.cells[static_cast<size_t>(k)] == mergeCell)
            return speed <= DistanceToLine(graph, position, route, k - 1) + StopMargin;
    return false;
}

/// A car that has stood at the line of a merge onto the ring for MergePatience.
bool IsWaitingToMerge(const SafeTraffic& traffic, int index)
{
    const double since = traffic.GetMemory(index).waitsToMergeSince;
    return since >= 0.0 && traffic.GetTime() - since >= MergePatience;
}

/// position: the car's position; otherRoute: the other car's route. Reads the other car itself only when
/// their ways meet.
Sighting SeeInTheWay(const World& world, const Car& car, const Vector2D& position, const Route& route,
                     const Vector2D& heading, int otherIndex, const Route& otherRoute)
{
    const TrafficGraph& graph = world.graph;
    const SafeTraffic::CarPlace place = world.Place(otherIndex);
    const Vector2D offset = place.position - position;
    if (offset.MagnitudeSquared() > Lookahead2 || route.size == 0)
        return Sighting::None;
    const int cell = place.cell;
    for (int k = 1; k < route.size; ++k)
        if (route.cells[static_cast<size_t>(k)] == cell)
            return Sighting::OnRoute;
    if (cell == route.cells[0])
    {
        const Vector2D forward =
            route.size >= 2 ? LaneDirection(graph, route.cells[0], route.cells[1]) : heading;
        return Dot(offset, forward) > 0.f ? Sighting::OnRoute : Sighting::None;
    }
    if (otherRoute.size >= 2)
    {
        for (int k = 1; k < route.size; ++k)
        {
            if (route.cells[static_cast<size_t>(k)] != otherRoute.cells[1])
                continue;
            // Moving in and close enough to reach the cell within the headway.
            const float distance = DistanceToLine(graph, place.position, otherRoute, 0);
            const float speed = world.Speed(otherIndex);
            if (speed >= StandingSpeed && distance < speed * HeadwaySeconds + CarRadius)
                return Sighting::Entering;
            // Ring traffic lets in, one at a time, a car that has waited at the merge long enough.
            const int mergeCell = otherRoute.cells[1];
            if (IsOnRing(graph, mergeCell) && !IsOnRing(graph, otherRoute.cells[0]) &&
                IsWaitingToMerge(world.traffic, otherIndex) &&
                CanLetIn(graph, position, Speed(car), route, mergeCell))
                return Sighting::LettingIn;
        }
    }
    const float along = Dot(offset, heading);
    const bool inCorridor =
        along > 0.f && along < CorridorLength && std::abs(Cross(heading, offset)) < CorridorHalfWidth;
    return inCorridor ? Sighting::Corridor : Sighting::None;
}

/// The direction a car drives in: along the lane from its cell to its next one (route: its route), else
/// along its motion, else along its body.
Vector2D LaneOf(const TrafficGraph& graph, const Car& car, const Route& route)
{
    if (route.size >= 2)
        return LaneDirection(graph, route.cells[0], route.cells[1]);
    const Vector2D motion = car.GetDirection();
    return motion.MagnitudeSquared() > 0.f ? motion : FromPolar(1.f, car.GetRotation());
}

/// Whether the car, braking now, stops with its centre at most CommitDepth beyond a line `distance`
/// ahead (world units): braking at the blend's rate covers the speed times one second. A car that
/// cannot is committed: it drives on rather than stopping across the line.
bool CanStopBefore(float speed, float distance)
{
    return speed <= distance + CommitDepth;
}

bool CanStopBefore(const Car& car, float distance)
{
    return CanStopBefore(Speed(car), distance);
}

/// Lowers the car's speed limit to `allowed` and records why. When the car is already faster than
/// allowed it brakes fully: braking at the blend's rate is what every limit's room is measured for.
void Limit(const Context& context, float allowed, const Car* pBlocker, WaitReason reason)
{
    float limit = Speed(*context.pCar) > allowed ? 0.f : allowed;
    if (limit < CrawlSpeed)
        limit = 0.f;
    Car& car = *context.pCar;
    // A car held by a car as well as by something else (a red light) records the car: the wait-for
    // relation must not lose a waiting cycle behind a light.
    const bool recordsOnlyTheCar = limit == 0.f && car.GetMaxLinearSpeed() == 0.f && pBlocker != nullptr &&
                                   car.GetWaitingFor() == nullptr;
    if (limit < car.GetMaxLinearSpeed() || recordsOnlyTheCar)
    {
        car.SetMaxLinearSpeed(limit);
        car.SetWaitingFor(pBlocker);
        context.pTraffic->GetMemory(context.index).reason = reason;
    }
}

/// Holds the car before a line `distance` ahead (world units, to its centre). False when it is
/// committed (CanStopBefore) and drives on.
bool StopBefore(const Context& context, float distance, const Car* pBlocker, WaitReason reason)
{
    if (!CanStopBefore(*context.pCar, distance))
        return false;
    const float room = distance - CarRadius - StopMargin;
    Limit(context, SafeSpeed(room, 0.f), pBlocker, reason);
    return true;
}

bool HasRightOfWay(const Context& context)
{
    return context.pTraffic->GetTime() < context.pTraffic->GetMemory(context.index).rightOfWayUntil;
}

/// The part of a route inside one junction, from route cell `first` on, and the cell it leaves into
/// (invalid_node_index when the route ends inside).
struct JunctionPass
{
    std::array<int, 4> cells{};
    int size = 0;
    int exit = invalid_node_index;
};

JunctionPass GetJunctionPass(const TrafficGraph& graph, const Route& route, int first)
{
    JunctionPass pass;
    int k = first;
    while (k < route.size && IsIntersection(graph, route.cells[k]) && pass.size < 4)
        pass.cells[static_cast<size_t>(pass.size++)] = route.cells[k++];
    if (k < route.size && !IsIntersection(graph, route.cells[k]))
        pass.exit = route.cells[k];
    return pass;
}

bool Contains(const JunctionPass& pass, int cell)
{
    return std::find(pass.cells.begin(), pass.cells.begin() + pass.size, cell) !=
           pass.cells.begin() + pass.size;
}

bool Overlaps(const JunctionPass& a, const JunctionPass& b)
{
    for (int i = 0; i < a.size; ++i)
        if (Contains(b, a.cells[static_cast<size_t>(i)]))
            return true;
    return a.exit != invalid_node_index && a.exit == b.exit;
}

/// Whether both cells are approaches to a junction (outside one, with a connection into it): a car in
/// `cell` then competes with one in `own` for the junction rather than filling the way beyond it.
bool AreBothApproaches(const TrafficGraph& graph, int cell, int own)
{
    for (const int from : {cell, own})
    {
        bool entersJunction = false;
        for (const GraphConnection* pConnection : graph.GetNodeConnections(from))
            entersJunction = entersJunction || IsIntersection(graph, pConnection->GetTo());
        if (!entersJunction || IsIntersection(graph, from))
            return false;
    }
    return true;
}

/// A car that has stood at a junction's line on green for JunctionPatience.
bool IsPatientAtJunction(const SafeTraffic& traffic, int index)
{
    const double since = traffic.GetMemory(index).waitsOnGreenSince;
    return since >= 0.0 && traffic.GetTime() - since >= JunctionPatience;
}

/// No other car stands between car carIndex (with route) and the end of its cell along its lane.
bool IsFirstInLane(const World& world, int carIndex, const Route& route)
{
    const TrafficGraph& graph = world.graph;
    const Vector2D lane = LaneDirection(graph, route.cells[0], route.cells[1]);
    const Vector2D position = world.Place(carIndex).position;
    for (const int i : NearbyCars(world, CellCentre(graph, route.cells[0]), CellReach))
    {
        const SafeTraffic::CarPlace place = world.Place(i);
        if (i != carIndex && place.cell == route.cells[0] && Dot(place.position - position, lane) > 0.f)
            return false;
    }
    return true;
}

/// The first junction entry on a route: index i with cell i outside and cell i + 1 inside a junction,
/// or -1.
int FindJunctionEntry(const TrafficGraph& graph, const Route& route)
{
    for (int i = 0; i + 1 < route.size; ++i)
        if (!IsIntersection(graph, route.cells[i]) && IsIntersection(graph, route.cells[i + 1]))
            return i;
    return -1;
}

/// Room (world units, at most two cells) from the line between cell `from` and cell `into` on into the
/// latter, up to the rearmost car there or in the cell after it, outside any junction; a moving car counts
/// where it gets in RoomLookSeconds. pRearmost: that car, or null.
float RoomBeyond(const World& world, const Car& car, int from, int into, const Car*& pRearmost)
{
    const TrafficGraph& graph = world.graph;
    const Vector2D lane = LaneDirection(graph, from, into);
    const Vector2D line = (CellCentre(graph, from) + CellCentre(graph, into)) * 0.5f;
    float free = 2.f * CellLength;
    pRearmost = nullptr;
    for (const int i : NearbyCars(world, line, 2.f * CellLength + CarRadius + 1.f))
    {
        const Car* pOther = world.cars[static_cast<size_t>(i)];
        if (pOther == &car)
            continue;
        const SafeTraffic::CarPlace place = world.Place(i);
        const Vector2D offset = place.position - line;
        const float along = Dot(offset, lane);
        if (along < -CarRadius || along > 2.f * CellLength ||
            std::abs(Cross(lane, offset)) > CellLength * 0.5f)
            continue;
        if (IsIntersection(graph, place.cell))
            continue; // inside a junction: its own rules count it
        const float reach = along + std::min(world.Speed(i), JunctionSpeed) * RoomLookSeconds - CarRadius;
        if (reach < free)
        {
            free = reach;
            pRearmost = pOther;
        }
    }
    return free;
}

/// Why `car` may not enter the junction `pass` now: a car inside crossing its way, or no room beyond.
/// Returns that car, or null when the way is clear.
const Car* FindJunctionBlocker(const World& world, const Car& car, const JunctionPass& pass)
{
    const TrafficGraph& graph = world.graph;
    const int junctionCell = pass.cells[0];
    int committed = 0;
    const Car* pLastCommitted = nullptr;
    for (const int i : NearbyCars(world, CellCentre(graph, junctionCell), JunctionReach))
    {
        const Car* pOther = world.cars[static_cast<size_t>(i)];
        if (pOther == &car)
            continue;
        const int cell = world.Place(i).cell;
        if (!IsIntersection(graph, cell) || !IsSameJunction(graph, cell, junctionCell))
            continue;
        const Route route = world.View(i).route;
        const JunctionPass otherPass = GetJunctionPass(graph, route, 0);
        if (!Overlaps(pass, otherPass))
            continue;
        // A car ahead in the junction whose remaining way is the rest of this car's way is followed, not
        // waited for.
        bool followsTheSameWay = false;
        for (int k = 0; k < pass.size; ++k)
        {
            if (pass.cells[static_cast<size_t>(k)] != cell)
                continue;
            followsTheSameWay = otherPass.size == pass.size - k && otherPass.exit == pass.exit &&
                                std::equal(otherPass.cells.begin(), otherPass.cells.begin() + otherPass.size,
                                           pass.cells.begin() + k);
        }
        if (!followsTheSameWay)
            return pOther;
        if (otherPass.exit == pass.exit)
        {
            ++committed;
            pLastCommitted = pOther;
        }
    }

    if (pass.exit == invalid_node_index)
        return nullptr;
    const Car* pRearmost = nullptr;
    const float free =
        RoomBeyond(world, car, pass.cells[static_cast<size_t>(pass.size - 1)], pass.exit, pRearmost);
    if (free >= CarSpace * static_cast<float>(committed + 1))
        return nullptr;
    return pRearmost != nullptr ? pRearmost : pLastCommitted;
}
} // namespace

SafeTraffic::SafeTraffic(const std::vector<Car*>& cars, const std::vector<TrafficLight>& lights,
                         std::size_t nrOfCars, std::vector<RoadNetwork::RaisedConnection> planningRaise,
                         std::vector<RoadNetwork::RaisedConnection> ringConnections, float ringCost)
    : m_Cars(cars), m_Lights(lights), m_PlanningRaise(std::move(planningRaise)),
      m_RingConnections(std::move(ringConnections)), m_RingCost(ringCost), m_Memories(nrOfCars)
{
}

const TrafficLight* SafeTraffic::FindLight(int fromNode, int toNode) const
{
    // The lights never change places, but the application adds them after this object is made. Per
    // from node, the first of its lights and, per light, the next one from the same node, in the
    // lights' order (the first of two equal lights is found, as by a scan).
    if (m_NrOfIndexedLights != m_Lights.size())
    {
        int nrOfNodes = 0;
        for (const TrafficLight& light : m_Lights)
            nrOfNodes = std::max(nrOfNodes, light.fromNode + 1);
        m_FirstLightFrom.assign(static_cast<size_t>(nrOfNodes), -1);
        m_NextLightFrom.assign(m_Lights.size(), -1);
        for (size_t i = m_Lights.size(); i-- > 0;)
        {
            const int from = m_Lights[i].fromNode;
            if (from < 0)
                continue;
            m_NextLightFrom[i] = m_FirstLightFrom[static_cast<size_t>(from)];
            m_FirstLightFrom[static_cast<size_t>(from)] = static_cast<int>(i);
        }
        m_NrOfIndexedLights = m_Lights.size();
    }
    if (fromNode < 0 || static_cast<size_t>(fromNode) >= m_FirstLightFrom.size())
        return nullptr;
    for (int i = m_FirstLightFrom[static_cast<size_t>(fromNode)]; i >= 0;
         i = m_NextLightFrom[static_cast<size_t>(i)])
        if (m_Lights[static_cast<size_t>(i)].toNode == toNode)
            return &m_Lights[static_cast<size_t>(i)];
    return nullptr;
}

Route SafeTraffic::GetOwnRoute(const TrafficGraph& graph, const Car& car, int carIndex)
{
    if (carIndex != m_UpdatingCar || m_SearchesEveryCar)
        return GetRoute(graph, car);
    if (!m_HasOwnRoute)
    {
        m_OwnRoute = RouteAlong(GetOwnPathCells(graph, carIndex), GetPlace(graph, carIndex).cell);
        m_HasOwnRoute = true;
    }
    return m_OwnRoute;
}

float SafeTraffic::GetRoadSpeedAhead(const TrafficGraph& graph, int carIndex)
{
    VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_Cars.size() &&
                 "<SafeTraffic::GetRoadSpeedAhead>: invalid car index");
    if (carIndex != m_UpdatingCar || m_SearchesEveryCar)
        return CarBehavior::SpeedOnRoad(
            RoadNetwork::GetConnectionAhead(graph, *m_Cars[static_cast<size_t>(carIndex)]));
    const PathCells& path = GetOwnPathCells(graph, carIndex);
    if (path.size == 0)
        return CarBehavior::SpeedOnRoad(nullptr);
    // A car keeps to one connection for many steps: it is looked up again only when the cells, the
    // graph's structure or the lights change. Reading a connection's cost is a cache miss at thousands
    // of cars, and only a light's connection changes its cost between steps.
    m_Connections.Update(graph);
    KeptConnection& kept = m_ConnectionsAhead[static_cast<size_t>(carIndex)];
    const int from = GetPlace(graph, carIndex).cell;
    if (kept.from != from || kept.to != path.cells[0] || kept.copy != m_Connections.GetCopies() ||
        kept.nrOfLights != m_Lights.size())
    {
        const GraphConnection* pConnection = m_Connections.Find(from, path.cells[0]);
        const bool isLit = pConnection != nullptr && FindLight(from, path.cells[0]) != nullptr;
        kept = KeptConnection{from, path.cells[0], m_Connections.GetCopies(), m_Lights.size(), pConnection, isLit,
                              CarBehavior::SpeedOnRoad(pConnection)};
    }
    return kept.isLit ? CarBehavior::SpeedOnRoad(kept.pConnection) : kept.roadSpeed;
}

const PathCells& SafeTraffic::GetOwnPathCells(const TrafficGraph& graph, int carIndex)
{
    if (carIndex != m_UpdatingCar || m_SearchesEveryCar)
    {
        m_FreshPathCells = ReadPathCells(graph, *m_Cars[static_cast<size_t>(carIndex)]);
        return m_FreshPathCells;
    }
    // Its own update may have changed its path since the places were read.
    ReadPlaces(graph);
    const size_t i = static_cast<size_t>(carIndex);
    m_PathCells[i].pathVersion = m_Cars[i]->GetPathVersion();
    return GetPathCells(graph, carIndex);
}

void SafeTraffic::EndUpdateOf(int carIndex)
{
    m_HasOwnRoute = false;
    if (carIndex >= 0 && static_cast<size_t>(carIndex) < m_ViewSteps.size())
        m_ViewSteps[static_cast<size_t>(carIndex)] = 0;
    if (carIndex >= 0 && static_cast<size_t>(carIndex) < m_PathCells.size() && m_PlacesStep == m_Step)
    {
        const size_t i = static_cast<size_t>(carIndex);
        const int cell = m_Places[i].cell;
        if (cell != invalid_node_index)
            m_StandingCounts[static_cast<size_t>(cell)] -= IsStanding(m_Velocities[i]) ? 1 : 0;
        m_Velocities[i] = m_Cars[i]->GetLinearVelocity();
        if (cell != invalid_node_index)
            m_StandingCounts[static_cast<size_t>(cell)] += IsStanding(m_Velocities[i]) ? 1 : 0;
        m_WaitingFor[i] = m_Cars[i]->GetWaitingFor();
        m_WaitingForIndex[i] = IndexOf(m_WaitingFor[i]);
        m_PathCells[i].pathVersion = m_Cars[i]->GetPathVersion();
    }
    m_UpdatingCar = -1;
}

SafeTraffic::CarView SafeTraffic::ComputeView(const TrafficGraph& graph, int carIndex)
{
    VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_Cars.size() &&
                 "<SafeTraffic::GetView>: invalid car index");
    const Car& car = *m_Cars[static_cast<size_t>(carIndex)];
    const bool keeps = Keeps(carIndex);
    if (keeps)
    {
        if (m_Views.size() < m_Cars.size())
        {
            m_Views.resize(m_Cars.size());
            m_ViewSteps.resize(m_Cars.size(), 0);
        }
        if (m_ViewSteps[static_cast<size_t>(carIndex)] == m_Step)
            return m_Views[static_cast<size_t>(carIndex)];
    }
    const CarPlace place = GetPlace(graph, carIndex);
    const PathCells fresh = keeps ? PathCells{} : ReadPathCells(graph, car);
    const PathCells& path = keeps ? GetPathCells(graph, carIndex) : fresh;
    const CarView view{RouteAlong(path, place.cell), SteeringAlong(path, car, place.position, place.cell)};
    if (keeps)
    {
        m_Views[static_cast<size_t>(carIndex)] = view;
        m_ViewSteps[static_cast<size_t>(carIndex)] = m_Step;
    }
    return view;
}

SafeTraffic::CarPlace SafeTraffic::ReadPlace(const TrafficGraph& graph, int carIndex) const
{
    const Car& car = *m_Cars[static_cast<size_t>(carIndex)];
    return CarPlace{car.GetPosition(), graph.GetNodeIdxAtWorldPos(car.GetPosition())};
}

Vector2D SafeTraffic::ReadVelocity(int carIndex) const
{
    VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_Cars.size() &&
                 "<SafeTraffic>: invalid car index");
    return m_Cars[static_cast<size_t>(carIndex)]->GetLinearVelocity();
}

const Car* SafeTraffic::ReadWaitingFor(int carIndex) const
{
    VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_Cars.size() &&
                 "<SafeTraffic>: invalid car index");
    return m_Cars[static_cast<size_t>(carIndex)]->GetWaitingFor();
}

void SafeTraffic::ReadAllPlaces(const TrafficGraph& graph)
{
    // One pass over all cars, whose reads do not wait on each other, instead of one read of a car here
    // and there by the rules.
    m_Places.resize(m_Cars.size());
    m_Velocities.resize(m_Cars.size());
    m_WaitingFor.resize(m_Cars.size());
    m_WaitingForIndex.resize(m_Cars.size());
    m_PathCells.resize(m_Cars.size());
    m_ConnectionsAhead.resize(m_Cars.size());
    m_StandingCounts.assign(static_cast<size_t>(graph.GetNrOfNodes()), 0);
    for (size_t i = 0; i < m_Cars.size(); ++i)
    {
        const Car* pCar = m_Cars[i];
        if (pCar == nullptr)
        {
            m_Places[i] = CarPlace{};
            m_Velocities[i] = Vector2D{};
            m_WaitingFor[i] = nullptr;
            m_WaitingForIndex[i] = -1;
            continue;
        }
        m_Places[i] = CarPlace{pCar->GetPosition(), graph.GetNodeIdxAtWorldPos(pCar->GetPosition())};
        m_Velocities[i] = pCar->GetLinearVelocity();
        m_WaitingFor[i] = pCar->GetWaitingFor();
        m_WaitingForIndex[i] = IndexOf(m_WaitingFor[i]);
        m_PathCells[i].pathVersion = pCar->GetPathVersion();
        if (m_Places[i].cell != invalid_node_index && IsStanding(m_Velocities[i]))
            ++m_StandingCounts[static_cast<size_t>(m_Places[i].cell)];
    }
    m_PlacesStep = m_Step;
}

SafeTraffic::StandingCars SafeTraffic::CountStandingCars(const TrafficGraph& graph, const std::vector<Car*>& cars,
                                                         const Car* pPlanner)
{
    // A car plans in its own update: the counts kept with the places are those it would count, but for
    // itself.
    if (&cars == &m_Cars && m_UpdatingCar >= 0 && !m_SearchesEveryCar &&
        m_Cars[static_cast<size_t>(m_UpdatingCar)] == pPlanner)
    {
        ReadPlaces(graph);
        const size_t own = static_cast<size_t>(m_UpdatingCar);
        return {m_StandingCounts.data(), m_Places[own].cell, IsStanding(m_Velocities[own]) ? 1 : 0};
    }
    m_CountedStanding.assign(static_cast<size_t>(graph.GetNrOfNodes()), 0);
    for (size_t i = 0; i < cars.size(); ++i)
    {
        if (cars[i] == pPlanner)
            continue;
        const int index = static_cast<int>(i);
        const int cell = GetPlace(graph, index).cell;
        if (cell != invalid_node_index && IsStanding(GetVelocity(graph, index)))
            ++m_CountedStanding[static_cast<size_t>(cell)];
    }
    return {m_CountedStanding.data(), invalid_node_index, 0};
}

SafeTraffic::ConnectionPrices SafeTraffic::GetConnectionPrices(const TrafficGraph& graph)
{
    using Edge = ConnectionIndex<GridTerrainNode, GraphConnection>::Edge;
    m_Connections.Update(graph);
    if (m_PricesCopy != m_Connections.GetCopies() || m_NrOfPricedLights != m_Lights.size())
    {
        m_PriceKinds.assign(m_Connections.GetNrOfEdges(), PriceKind::Fixed);
        m_FixedCosts.assign(m_Connections.GetNrOfEdges(), 0.f);
        const auto mark = [&](int from, int to, PriceKind kind)
        {
            // The connection that GetConnection finds, wherever it appears.
            const GraphConnection* pConnection = m_Connections.Find(from, to);
            if (pConnection == nullptr)
                return;
            for (const Edge* pEdge = m_Connections.BeginOf(from); pEdge != m_Connections.EndOf(from); ++pEdge)
                if (pEdge->pConnection == pConnection)
                    m_PriceKinds[m_Connections.IndexOf(pEdge)] = kind;
        };
        for (const TrafficLight& light : m_Lights)
            mark(light.fromNode, light.toNode, PriceKind::Light);
        // As a search raises them: the ring first, the junctions after.
        if (m_RingCost != RoadNetwork::RingCost)
            for (const RoadNetwork::RaisedConnection& ring : m_RingConnections)
                mark(ring.fromNode, ring.toNode, PriceKind::Ring);
        for (const RoadNetwork::RaisedConnection& raised : m_PlanningRaise)
            mark(raised.fromNode, raised.toNode, PriceKind::Raised);
        for (int node = 0; node < m_Connections.GetNrOfNodes(); ++node)
            for (const Edge* pEdge = m_Connections.BeginOf(node); pEdge != m_Connections.EndOf(node); ++pEdge)
                m_FixedCosts[m_Connections.IndexOf(pEdge)] = pEdge->pConnection->GetCost();
        m_PricesCopy = m_Connections.GetCopies();
        m_NrOfPricedLights = m_Lights.size();
    }
    return {m_PriceKinds.data(), m_FixedCosts.data(), m_PriceKinds.size(), m_RingCost};
}

const PathCells& SafeTraffic::GetPathCells(const TrafficGraph& graph, int carIndex)
{
    ReadPlaces(graph);
    const size_t i = static_cast<size_t>(carIndex);
    KeptPathCells& kept = m_PathCells[i];
    if (kept.pCar != m_Cars[i] || kept.version != kept.pathVersion)
    {
        kept.cells = ReadPathCells(graph, *m_Cars[i]);
        kept.pCar = m_Cars[i];
        kept.version = m_Cars[i]->GetPathVersion();
    }
    return kept.cells;
}

namespace
{
/// The first slot to probe for pCar in a table of 2^bits slots.
size_t CarSlotOf(const Car* pCar, int bits)
{
    const std::uint64_t key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(pCar));
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}
} // namespace

int SafeTraffic::IndexOf(const Car* pCar)
{
    if (pCar == nullptr)
        return -1;
    int index = FindCarSlot(pCar);
    if (index < 0)
    {
        // The cars changed since the table was built (or it never was): at most half of it taken.
        m_CarSlotBits = 4;
        while ((size_t{1} << m_CarSlotBits) < 2 * m_Cars.size())
            ++m_CarSlotBits;
        m_CarSlots.assign(size_t{1} << m_CarSlotBits, -1);
        const size_t mask = m_CarSlots.size() - 1;
        for (size_t i = 0; i < m_Cars.size(); ++i)
        {
            size_t slot = CarSlotOf(m_Cars[i], m_CarSlotBits);
            while (m_CarSlots[slot] >= 0)
                slot = (slot + 1) & mask;
            m_CarSlots[slot] = static_cast<int>(i);
        }
        index = FindCarSlot(pCar);
    }
    return index;
}

int SafeTraffic::FindCarSlot(const Car* pCar) const
{
    if (m_CarSlots.empty())
        return -1;
    const size_t mask = m_CarSlots.size() - 1;
    for (size_t slot = CarSlotOf(pCar, m_CarSlotBits);; slot = (slot + 1) & mask)
    {
        const int index = m_CarSlots[slot];
        if (index < 0)
            return -1;
        if (static_cast<size_t>(index) < m_Cars.size() && m_Cars[static_cast<size_t>(index)] == pCar)
            return index;
    }
}

std::vector<int>& SafeTraffic::AcquireScratch()
{
    VEMOX_ASSERT(m_ScratchDepth < m_Scratch.size() &&
                 "<SafeTraffic::AcquireScratch>: searches nested too deep");
    std::vector<int>& scratch = m_Scratch[m_ScratchDepth++];
    scratch.clear();
    return scratch;
}

void SafeTraffic::ReleaseScratch()
{
    VEMOX_ASSERT(m_ScratchDepth > 0 && "<SafeTraffic::ReleaseScratch>: nothing acquired");
    --m_ScratchDepth;
}

SafeTraffic::CarMemory& SafeTraffic::GetMemory(int carIndex)
{
    VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_Memories.size() &&
                 "<SafeTraffic::GetMemory>: invalid car index");
    return m_Memories[static_cast<size_t>(carIndex)];
}

const SafeTraffic::CarMemory& SafeTraffic::GetMemory(int carIndex) const
{
    VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < m_Memories.size() &&
                 "<SafeTraffic::GetMemory>: invalid car index");
    return m_Memories[static_cast<size_t>(carIndex)];
}

Route GetRoute(const TrafficGraph& graph, const Car& car)
{
    return RouteFrom(graph, car, CellOf(graph, car));
}

float RingPlanningCost(float ringShare)
{
    constexpr float DocumentedShare = 56.f / 128.f; // ring cells over road cells in the documented city
    constexpr float TimeCost =
        RoadNetwork::InnerRoadCost * RoadNetwork::InnerRoadCost / RoadNetwork::RingCost;
    const float smallness = std::clamp(1.f - ringShare / DocumentedShare, 0.f, 1.f);
    return RoadNetwork::RingCost + (TimeCost - RoadNetwork::RingCost) * smallness;
}

namespace
{
/// x(t) = V t + (v0 - V)(1 - e^-t): world units the blend covers in t seconds from speed v0 towards V.
double Covered(double t, double v0, double top)
{
    return top * t + (v0 - top) * (1.0 - std::exp(-t));
}
} // namespace

float ArrivalTime(float distance, float v0, float topSpeed)
{
    if (distance <= 0.f)
        return 0.f;
    if (topSpeed <= 0.f)
    {
        // Braking to a stop covers v0 (times one second) at most.
        if (v0 <= distance)
            return FloatMax;
        return static_cast<float>(-std::log(1.0 - static_cast<double>(distance) / v0));
    }
    // x(t) grows monotonically; x(t) >= V t - V bounds the search.
    const double top = topSpeed;
    double low = 0.0;
    double high = (distance + top) / top;
    for (int i = 0; i < 40; ++i)
    {
        const double middle = 0.5 * (low + high);
        (Covered(middle, v0, topSpeed) < distance ? low : high) = middle;
    }
    return static_cast<float>(high);
}

bool ArrivesAfter(float distance, float v0, float topSpeed, float margin, float deadline)
{
    if (distance > 0.f && topSpeed > 0.f)
    {
        // ArrivalTime lies within a few billionths of a second of the time the blend covers the distance,
        // and its float sum with the margin within a few millionths: a time this far before or after
        // the deadline decides alike with one evaluation instead of the search.
        const double time = static_cast<double>(deadline) - static_cast<double>(margin);
        const double slack = 1e-4 * (std::abs(time) + std::abs(static_cast<double>(margin)) + 1.0);
        if (time - slack > 0.0)
        {
            if (Covered(time + slack, v0, topSpeed) < distance)
                return true;
            if (Covered(time - slack, v0, topSpeed) >= distance)
                return false;
        }
    }
    return ArrivalTime(distance, v0, topSpeed) + margin > deadline;
}

float SafeSpeed(float room, float leadSpeed)
{
    return std::max(0.f, room) / HeadwaySeconds + LeadSpeedShare * std::max(0.f, leadSpeed);
}

BehaviorState KeepSafeDistance(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return BehaviorState::Failure;
    const World world(context);
    const TrafficGraph& graph = world.graph;
    const Car& car = *context.pCar;
    const Route route = context.OwnRoute();
    const SafeTraffic::CarPlace own = world.Place(context.index);
    const Vector2D position = own.position;
    const Vector2D heading =
        SteeringAlong(context.pTraffic->GetOwnPathCells(graph, context.index), car, position, own.cell);

    float allowed = FloatMax;
    const Car* pBlocker = nullptr;
    int blockerIndex = -1;
    // Nothing beyond the look-ahead is in the car's way (SeeInTheWay). Of two equal limits the one of
    // the earlier car counts, in whatever order the cars come.
    for (const int i :
         NearbyCars(world, position, Lookahead + 1.f, Lookahead2, NearbyCars::Order::Any))
    {
        const Car* pOther = world.cars[static_cast<size_t>(i)];
        const SafeTraffic::CarPlace place = world.Place(i);
        if (pOther == &car || (place.position - position).MagnitudeSquared() > Lookahead2)
            continue;
        const SafeTraffic::CarView other = world.View(i);
        const Sighting sighting = SeeInTheWay(world, car, position, route, heading, i, other.route);
        // A car that is not in this car's lane and holds back for this car itself is not waited for.
        if (sighting == Sighting::None || (sighting != Sighting::OnRoute && world.WaitingFor(i) == &car))
            continue;
        // Two cars in each other's way: the one that has the other more firmly in its way waits (a car
        // in its lane before one that merely crosses its corridor); on a tie the later in the cars'
        // order. Both cars judge the pair alike.
        const Sighting reverse =
            SeeInTheWay(world, *pOther, place.position, other.route, other.steering, context.index, route);
        const bool waits =
            reverse == Sighting::None || sighting > reverse || (sighting == reverse && context.index > i);
        if (!waits)
            continue;
        Vector2D offset = place.position - position;
        const float distance = offset.Normalize();
        float room = distance - 2.f * CarRadius - MinGap;
        float leadSpeed = Dot(world.Velocity(i), offset);
        if (sighting == Sighting::OnRoute)
        {
            // A car in one of the next cells is followed at a distance only when it drives on along this
            // car's way: straight on in the same lane, or at least a car's space beyond the point where
            // this car comes into that cell. Otherwise (it crosses, turns, or comes along the lane that
            // this car merges into) it keeps this car out of that cell, unless this car can no longer
            // stop.
            const int cell = place.cell;
            for (int k = 1; k < route.size; ++k)
            {
                if (route.cells[static_cast<size_t>(k)] != cell)
                    continue;
                const int from = route.cells[static_cast<size_t>(k - 1)];
                const Vector2D entry = (CellCentre(graph, from) + CellCentre(graph, cell)) * 0.5f;
                const Vector2D laneIn = LaneDirection(graph, from, cell);
                const Vector2D laneOn =
                    k + 1 < route.size ? LaneDirection(graph, cell, route.cells[static_cast<size_t>(k + 1)])
                                       : laneIn;
                const bool isAligned = Dot(LaneOf(graph, *pOther, other.route), laneOn) > AlignedCos;
                const bool isStraight = Dot(laneIn, laneOn) > AlignedCos;
                const bool isBeyond = Dot(place.position - entry, laneOn) >= EntryClearance;
                const float lineDistance = DistanceToLine(graph, car, route, k - 1);
                if (!(isAligned && (isStraight || isBeyond)) && CanStopBefore(car, lineDistance))
                {
                    room = std::min(room, lineDistance - CarRadius - StopMargin);
                    leadSpeed = 0.f;
                }
                break;
            }
        }
        if (sighting == Sighting::Entering)
        {
            // Keep out of the cell that the other car comes into, unless this car can no longer stop.
            const int cell = other.route.cells[1];
            for (int k = 1; k < route.size; ++k)
            {
                if (route.cells[static_cast<size_t>(k)] != cell)
                    continue;
                const float lineDistance = DistanceToLine(graph, car, route, k - 1);
                if (CanStopBefore(car, lineDistance))
                {
                    room = std::min(room, lineDistance - CarRadius - StopMargin);
                    leadSpeed = 0.f;
                }
                break;
            }
        }
        if (sighting == Sighting::LettingIn)
        {
            // Stop with the centre before the merge cell, whatever the waiting car's position beside it.
            const int mergeCell = other.route.cells[1];
            for (int k = 1; k < route.size; ++k)
                if (route.cells[static_cast<size_t>(k)] == mergeCell)
                    room = DistanceToLine(graph, car, route, k - 1) - StopMargin;
            leadSpeed = 0.f;
        }
        const float speed = SafeSpeed(room, leadSpeed);
        if (speed < allowed || (speed == allowed && i < blockerIndex))
        {
            allowed = speed;
            pBlocker = pOther;
            blockerIndex = i;
        }
    }
    if (pBlocker != nullptr)
        Limit(context, allowed, pBlocker, WaitReason::Following);
    return BehaviorState::Success;
}

BehaviorState StopForRedLight(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return BehaviorState::Failure;
    const TrafficGraph& graph = *context.pGraph;
    const Car& car = *context.pCar;
    const Route route = context.OwnRoute();
    for (int i = 0; i + 1 < route.size; ++i)
    {
        const TrafficLight* pLight = context.pTraffic->FindLight(route.cells[static_cast<size_t>(i)],
                                                                 route.cells[static_cast<size_t>(i + 1)]);
        if (pLight == nullptr)
            continue;
        const float distance = DistanceToLine(graph, car, route, i);
        if (distance > Lookahead)
            break;
        bool isRedOnArrival = pLight->isRed;
        if (!isRedOnArrival)
        {
            // The light shows how long its green lasts (as an amber light would): a car that would cross
            // the line after it turns red stops while it still can.
            const float greenLeft = pLight->duration - pLight->timer;
            const float speed = Speed(car);
            isRedOnArrival = ArrivesAfter(distance, speed,
                                          std::max(std::min(car.GetMaxLinearSpeed(), JunctionSpeed), speed),
                                          AmberMargin, greenLeft);
        }
        if (isRedOnArrival)
            StopBefore(context, distance, nullptr, WaitReason::Light);
        break;
    }
    return BehaviorState::Success;
}

BehaviorState KeepJunctionClear(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return BehaviorState::Failure;
    const TrafficGraph& graph = *context.pGraph;
    const Car& car = *context.pCar;
    const Route route = context.OwnRoute();
    const int entry = FindJunctionEntry(graph, route);
    if (entry < 0 || HasRightOfWay(context))
        return BehaviorState::Success;
    const float distance = DistanceToLine(graph, car, route, entry);
    if (distance > Lookahead || !CanStopBefore(car, distance))
        return BehaviorState::Success; // far away, or committed
    const JunctionPass pass = GetJunctionPass(graph, route, entry + 1);
    const World world(context);

    const Car* pBlocker = FindJunctionBlocker(world, car, pass);
    // A car that has stood at the line for RerouteSeconds and finds no room beyond takes another way:
    // to its destination if there is one, else elsewhere (giving the trip up). A jam ahead is something
    // a driver goes around.
    SafeTraffic& traffic = *context.pTraffic;
    SafeTraffic::CarMemory& memory = traffic.GetMemory(context.index);
    const bool standsAtTheLine = entry == 0 && Speed(car) < StandingSpeed && distance < ContenderDistance;
    if (!standsAtTheLine)
        memory.standsAtLineSince = -1.0;
    else if (memory.standsAtLineSince < 0.0)
        memory.standsAtLineSince = traffic.GetTime();
    // Waiting on green is what makes a car patient: then cars from other approaches let it go first.
    const TrafficLight* pOwnLight = traffic.FindLight(route.cells[static_cast<size_t>(entry)],
                                                      route.cells[static_cast<size_t>(entry + 1)]);
    if (!standsAtTheLine || (pOwnLight != nullptr && pOwnLight->isRed))
        memory.waitsOnGreenSince = -1.0;
    else if (memory.waitsOnGreenSince < 0.0)
        memory.waitsOnGreenSince = traffic.GetTime();
    const bool waitsForRoom = pBlocker != nullptr && !IsIntersection(graph, world.CellOf(*pBlocker));
    if (waitsForRoom && standsAtTheLine && traffic.GetTime() - memory.standsAtLineSince >= RerouteSeconds)
    {
        memory.standsAtLineSince = traffic.GetTime();
        if (PlanPathAvoiding(pBlackboard, pass.exit, true))
            traffic.CountReroute();
    }

    if (pBlocker == nullptr)
    {
        // Cars about to enter from other approaches with overlapping ways: the one that is committed, or
        // else the one that has waited on green for JunctionPatience, or else the one with fewer junction
        // cells to cross, or else the one earlier in the cars' order goes first, provided that its own way
        // is clear. Every car orders the same pair the same way.
        for (const int i : NearbyCars(world, CellCentre(graph, pass.cells[0]), ContenderReach))
        {
            if (pBlocker != nullptr)
                break;
            const Car* pOther = world.cars[static_cast<size_t>(i)];
            if (pOther == &car)
                continue;
            const Route otherRoute = world.View(i).route;
            if (otherRoute.size < 2 || otherRoute.cells[0] == route.cells[static_cast<size_t>(entry)] ||
                IsIntersection(graph, otherRoute.cells[0]) || !IsIntersection(graph, otherRoute.cells[1]) ||
                !IsSameJunction(graph, otherRoute.cells[1], pass.cells[0]))
                continue;
            const float otherDistance = DistanceToLine(graph, world.Place(i).position, otherRoute, 0);
            if (otherDistance > ContenderDistance || !IsFirstInLane(world, i, otherRoute))
                continue;
            const JunctionPass otherPass = GetJunctionPass(graph, otherRoute, 1);
            if (!Overlaps(pass, otherPass))
                continue;
            const bool otherCommitted = !CanStopBefore(world.Speed(i), otherDistance);
            if (!otherCommitted)
            {
                const TrafficLight* pLight =
                    context.pTraffic->FindLight(otherRoute.cells[0], otherRoute.cells[1]);
                if (pLight != nullptr && pLight->isRed)
                    continue;
                const bool isOtherPatient = IsPatientAtJunction(traffic, i);
                const bool otherFirst =
                    isOtherPatient != IsPatientAtJunction(traffic, context.index)
                        ? isOtherPatient
                        : otherPass.size < pass.size || (otherPass.size == pass.size && i < context.index);
                if (!otherFirst)
                    continue;
                // A patient car is let go first even while cars inside still cross its way, so that the
                // junction drains for it; one without room beyond is not waited for.
                const Car* pOtherBlocker = FindJunctionBlocker(world, *pOther, otherPass);
                if (pOtherBlocker != nullptr &&
                    !(isOtherPatient && IsIntersection(graph, world.CellOf(*pOtherBlocker))))
                    continue;
            }
            pBlocker = pOther;
        }
    }
    if (pBlocker != nullptr)
        StopBefore(context, distance, pBlocker, WaitReason::Junction);
    return BehaviorState::Success;
}

BehaviorState SetSpeedFromRoadAhead(Blackboard* pBlackboard)
{
    // Only what the leaf needs: it runs for every car in every step.
    Car* pCar = nullptr;
    TrafficGraph* pGraph = nullptr;
    SafeTraffic* pTraffic = nullptr;
    int index = -1;
    if (!pBlackboard->GetData(CarKey, pCar) || pCar == nullptr || !pBlackboard->GetData(GraphKey, pGraph) ||
        pGraph == nullptr || !pBlackboard->GetData(TrafficKey, pTraffic) || pTraffic == nullptr ||
        !pBlackboard->GetData(IndexKey, index) || index < 0 || std::as_const(*pCar).GetPath().empty())
        return BehaviorState::Failure;
    pCar->SetMaxLinearSpeed(pTraffic->GetRoadSpeedAhead(*pGraph, index));
    return BehaviorState::Success;
}

BehaviorState DriveOnPastAFullTurnOff(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return BehaviorState::Failure;
    const TrafficGraph& graph = *context.pGraph;
    const Car& car = *context.pCar;
    const Route route = context.OwnRoute();
    SafeTraffic& traffic = *context.pTraffic;
    SafeTraffic::CarMemory& memory = traffic.GetMemory(context.index);
    const bool standsAtTurnOff = route.size > 1 && IsOnRing(graph, route.cells[0]) &&
                                 !IsOnRing(graph, route.cells[1]) && Speed(car) < StandingSpeed &&
                                 DistanceToLine(graph, car, route, 0) < ContenderDistance;
    if (!standsAtTurnOff)
    {
        memory.standsAtTurnOffSince = -1.0;
        return BehaviorState::Success;
    }
    if (memory.standsAtTurnOffSince < 0.0)
        memory.standsAtTurnOffSince = traffic.GetTime();
    if (traffic.GetTime() - memory.standsAtTurnOffSince < RerouteSeconds)
        return BehaviorState::Success;
    memory.standsAtTurnOffSince = traffic.GetTime();
    const Car* pRearmost = nullptr;
    if (RoomBeyond(World(context), car, route.cells[0], route.cells[1], pRearmost) < CarSpace &&
        PlanPathAvoiding(pBlackboard, route.cells[1], true))
        traffic.CountReroute();
    return BehaviorState::Success;
}

BehaviorState YieldBeforeMerging(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return BehaviorState::Failure;
    const TrafficGraph& graph = *context.pGraph;
    const Car& car = *context.pCar;
    const Route route = context.OwnRoute();
    int merge = -1;
    for (int k = 1; k < route.size && merge < 0; ++k)
        if (IsOnRing(graph, route.cells[static_cast<size_t>(k)]) &&
            !IsOnRing(graph, route.cells[static_cast<size_t>(k - 1)]))
            merge = k;
    SafeTraffic& traffic = *context.pTraffic;
    SafeTraffic::CarMemory& memory = traffic.GetMemory(context.index);
    const float distance = merge < 0 ? FloatMax : DistanceToLine(graph, car, route, merge - 1);
    const World world(context);
    // A car that has waited long enough to be let in stays let in while it moves up to the line: were
    // that withdrawn as soon as it moved, the ring cars that stopped for it would drive on into the gap.
    const bool movesOff = Speed(car) >= StandingSpeed && !IsWaitingToMerge(traffic, context.index);
    if (merge != 1 || movesOff || distance > ContenderDistance || !IsFirstInLane(world, context.index, route))
        memory.waitsToMergeSince = -1.0;
    else if (memory.waitsToMergeSince < 0.0)
        memory.waitsToMergeSince = traffic.GetTime();
    if (merge < 0 || HasRightOfWay(context) || distance > Lookahead || !CanStopBefore(car, distance))
        return BehaviorState::Success;

    // After MergePatience at the line, ring cars that can still stop let this car in (and treat it as in
    // their way); only those that can no longer stop are waited for.
    const bool isLetIn = IsWaitingToMerge(traffic, context.index);
    const int mergeCell = route.cells[static_cast<size_t>(merge)];
    const Vector2D mergePoint = CellCentre(graph, mergeCell);
    // Time to get into the merge cell and a car's space beyond its centre.
    const float ownTime =
        ArrivalTime(distance + CellLength * 0.5f + CarSpace, Speed(car), RingSpeed) + MergeGapSeconds;
    const Car* pThreat = nullptr;
    float threatTime = FloatMax;
    for (const int i : NearbyCars(world, mergePoint, MergeReach))
    {
        const Car* pOther = world.cars[static_cast<size_t>(i)];
        if (pOther == &car)
            continue;
        const Route otherRoute = world.View(i).route;
        if (otherRoute.size < 2 || !IsOnRing(graph, otherRoute.cells[0]) || otherRoute.cells[0] == mergeCell)
            continue;
        int mergeIndex = -1;
        for (int k = 1; k < std::min(otherRoute.size, 4) && mergeIndex < 0; ++k)
            if (otherRoute.cells[static_cast<size_t>(k)] == mergeCell)
                mergeIndex = k;
        if (mergeIndex < 0)
            continue;
        // A ring car that can no longer stop before the merge cell is always waited for; the others let in
        // a car that has waited long enough; before that, the gap to each of them must be large enough,
        // also to one that stands now but may start at any moment.
        const Vector2D otherPosition = world.Place(i).position;
        const float otherSpeed = world.Speed(i);
        const bool canLetIn = CanLetIn(graph, otherPosition, otherSpeed, otherRoute, mergeCell);
        if (canLetIn && isLetIn)
            continue;
        const float otherDistance = (mergePoint - otherPosition).Magnitude();
        // A ring car moving in within its headway of the merge cell is about to enter it; one standing
        // at the merge cell's edge goes first as soon as it moves.
        const bool isEntering =
            otherSpeed >= StandingSpeed && DistanceToLine(graph, otherPosition, otherRoute, mergeIndex - 1) <
                                               otherSpeed * HeadwaySeconds + CarRadius;
        const float otherTime = !canLetIn || isEntering ? 0.f
                                : otherSpeed < StandingSpeed
                                    ? (otherDistance < CellLength + CarSpace ? 0.f : FloatMax)
                                    : otherDistance / otherSpeed;
        if (otherTime < ownTime && otherTime < threatTime)
        {
            threatTime = otherTime;
            pThreat = pOther;
        }
    }
    if (pThreat != nullptr)
        StopBefore(context, distance, pThreat, WaitReason::Merge);
    return BehaviorState::Success;
}

BehaviorState ResolveWaitingCycle(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return BehaviorState::Failure;
    Car& car = *context.pCar;
    SafeTraffic& traffic = *context.pTraffic;
    SafeTraffic::CarMemory& memory = traffic.GetMemory(context.index);
    const std::vector<Car*>& cars = *context.pCars;
    const double now = traffic.GetTime();
    // Creeping up in a queue is no progress: only a car's length is.
    if (memory.progressTime < 0.0 ||
        (car.GetPosition() - memory.progressPoint).MagnitudeSquared() > CarSpace * CarSpace)
    {
        memory.progressPoint = car.GetPosition();
        memory.progressTime = now;
    }

    // Follow the wait-for relation from this car; a cycle comes back to it.
    const TrafficGraph& graph = *context.pGraph;
    bool isInCycle = false;
    int current = traffic.GetWaitingForIndex(graph, context.index);
    for (size_t steps = 0; steps < cars.size() && current >= 0 && !isInCycle; ++steps)
    {
        isInCycle = current == context.index;
        current = traffic.GetWaitingForIndex(graph, current);
    }
    if (!isInCycle)
        return BehaviorState::Success;

    // The cycle has lasted beyond the bound when no car in it has made progress for that long. The car that
    // breaks it: one held at a junction (another way out frees it), else one held at a merge, else one
    // held behind a car; the first in the cars' order among those. Every car of the cycle makes the same
    // choice.
    const auto rank = [](WaitReason reason) {
        return reason == WaitReason::Junction ? 0 : reason == WaitReason::Merge ? 1 : 2;
    };
    int chosen = -1;
    int chosenRank = 3;
    bool hasLasted = true;
    current = context.index;
    do
    {
        const int index = current;
        const SafeTraffic::CarMemory& member = traffic.GetMemory(index);
        hasLasted = hasLasted && member.progressTime >= 0.0 && now - member.progressTime >= CycleBound;
        const int memberRank = rank(member.reason);
        if (memberRank < chosenRank || (memberRank == chosenRank && index < chosen))
        {
            chosen = index;
            chosenRank = memberRank;
        }
        current = traffic.GetWaitingForIndex(graph, current);
    } while (current != context.index);
    if (chosen != context.index || !hasLasted)
        return BehaviorState::Success;

    traffic.CountResolution();
    // A next resolution by this car needs another full bound.
    memory.progressTime = now;
    // A car held behind another, or for room beyond a junction, plans a way around that car's cell; a
    // car that yields to one with priority (or finds no way around) takes the right of way.
    const int blockedCell = CellOf(graph, *car.GetWaitingFor());
    const bool isBeyond = memory.reason == WaitReason::Following ||
                          (memory.reason == WaitReason::Junction && !IsIntersection(graph, blockedCell) &&
                           !AreBothApproaches(graph, blockedCell, CellOf(graph, car)));
    if (isBeyond && PlanPathAvoiding(pBlackboard, blockedCell, true))
        CarBehavior::SeekNextPathPoint(pBlackboard);
    else
        memory.rightOfWayUntil = now + RightOfWaySeconds;
    return BehaviorState::Success;
}

namespace
{
/// What a safe car's search charges for a connection: the ring's connections at the city's ring cost,
/// the junctions' inner connections raised to raisedCost, and JamCost for every standing car in the cell
/// a connection leads into, added one by one as the cars are counted, so that paths keep clear of queues
/// where they can; a connection into the avoided cell (if any) costs AvoidedCost instead. The graph's
/// own costs stay as they are.
struct SafePricing
{
    SafeTraffic::ConnectionPrices prices;
    float raisedCost = RoadNetwork::RaisedCost;
    SafeTraffic::StandingCars standing;
    int avoidedNode = invalid_node_index;

    float operator()(const GraphConnection* pConnection, int to, size_t edge) const
    {
        VEMOX_ASSERT(edge < prices.nrOfEdges && "<SafePricing>: a search over another graph");
        if (to == avoidedNode)
            return AvoidedCost;
        float cost = 0.f;
        switch (prices.kinds[edge])
        {
        case SafeTraffic::PriceKind::Fixed:
            cost = prices.fixedCosts[edge];
            break;
        case SafeTraffic::PriceKind::Light:
            cost = pConnection->GetCost(); // the only connections read: the others' costs are known
            break;
        case SafeTraffic::PriceKind::Ring:
            cost = prices.ringCost;
            break;
        case SafeTraffic::PriceKind::Raised:
            cost = raisedCost;
            break;
        }
        for (int k = standing.In(to); k > 0; --k)
            cost += JamCost;
        return cost;
    }
};

/// A path that passes all four cells of a junction in a row.
bool HasUTurn(const TrafficGraph& graph, const std::vector<GridTerrainNode*>& nodes)
{
    int inJunction = 0;
    for (const GridTerrainNode* pNode : nodes)
    {
        inJunction = IsIntersection(graph, pNode->GetIndex()) ? inJunction + 1 : 0;
        if (inJunction == 4)
            return true;
    }
    return false;
}

/// Plans searches at the costs set now: through the shared planner and its reused storage when the
/// blackboard has one for this graph, else with a search of its own.
class PathSearch
{
public:
    PathSearch(Blackboard* pBlackboard, TrafficGraph& graph, Heuristic heuristic)
        : m_Graph(graph), m_Heuristic(heuristic)
    {
        RoutePlanner* const* ppPlanner = pBlackboard->FindData(PlannerKey);
        if (ppPlanner != nullptr && *ppPlanner != nullptr && (*ppPlanner)->GetGraph() == &graph)
            m_pPlanner = *ppPlanner;
    }
    std::vector<GridTerrainNode*> Find(int start, int goal, const SafePricing& pricing)
    {
        if (m_pPlanner != nullptr)
            return m_pPlanner->FindRouteAtCosts(start, goal, m_Heuristic, pricing);
        AStar<GridTerrainNode, GraphConnection> search(&m_Graph, m_Heuristic);
        std::vector<GridTerrainNode*> nodes;
        search.FindPath(m_Graph.GetNode(start), m_Graph.GetNode(goal), nodes, pricing);
        return nodes;
    }

private:
    TrafficGraph& m_Graph;
    Heuristic m_Heuristic;
    RoutePlanner* m_pPlanner = nullptr;
};

/// The safe car's path from start to goal around the queues of the moment. A U-turn inside a junction
/// crosses every stream of it: when the path makes one, it is planned again with the raise doubled, which
/// makes going round a block cheaper.
std::vector<GridTerrainNode*> FindPathAroundJams(Blackboard* pBlackboard, const Context& context,
                                                 Heuristic heuristic, int start, int goal)
{
    std::vector<GridTerrainNode*> nodes;
    PathSearch search(pBlackboard, *context.pGraph, heuristic);
    SafePricing pricing{context.pTraffic->GetConnectionPrices(*context.pGraph), RoadNetwork::RaisedCost,
                        context.pTraffic->CountStandingCars(*context.pGraph, *context.pCars, context.pCar)};
    for (const float raisedCost : {RoadNetwork::RaisedCost, 2.f * RoadNetwork::RaisedCost})
    {
        pricing.raisedCost = raisedCost;
        nodes = search.Find(start, goal, pricing);
        if (!HasUTurn(*context.pGraph, nodes))
            break;
    }
    return nodes;
}

void SetPath(const TrafficGraph& graph, Car& car, const std::vector<GridTerrainNode*>& nodes,
             SafeTraffic& traffic)
{
    traffic.ForgetOwnRoute();
    Car::Path path;
    for (const GridTerrainNode* pNode : nodes)
        path.push_back(CellCentre(graph, pNode->GetIndex()));
    car.SetPath(path);
    car.SetDestination(path.back());
}
} // namespace

bool IsAtDestination(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return false;
    const TrafficGraph& graph = *context.pGraph;
    return context.pTraffic->GetPlace(graph, context.index).cell ==
           graph.GetNodeIdxAtWorldPos(context.pCar->GetDestination());
}

bool HasReachedNextPathPoint(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return false;
    const TrafficGraph& graph = *context.pGraph;
    const PathCells& path = context.pTraffic->GetOwnPathCells(graph, context.index);
    if (path.size == 0 || context.pTraffic->GetPlace(graph, context.index).cell != path.cells[0])
        return false;
    context.pCar->GetPath().pop_front();
    return true;
}

BehaviorState SeekNextPathPoint(Blackboard* pBlackboard)
{
    Context context;
    if (!ReadContext(pBlackboard, context))
        return BehaviorState::Failure;
    const PathCells& path = context.pTraffic->GetOwnPathCells(*context.pGraph, context.index);
    if (path.size == 0)
        return BehaviorState::Failure;
    context.pCar->SeekTo(path.points[0]);
    return BehaviorState::Success;
}

BehaviorState PlanPathAroundJams(Blackboard* pBlackboard)
{
    Context context;
    Heuristic pHeuristic = nullptr;
    if (!ReadPlanningContext(pBlackboard, context, pHeuristic))
        return BehaviorState::Failure;
    TrafficGraph& graph = *context.pGraph;
    Car& car = *context.pCar;
    const int start = CellOf(graph, car);
    if (start == invalid_node_index)
        return BehaviorState::Failure;
    // The destination is drawn as the documented planner draws it, but never inside a junction: a trip
    // that ends there makes the car stand in the junction's way while it plans the next one.
    int goal = 0;
    do
    {
        do
        {
            goal = rand() % graph.GetNrOfNodes();
        } while (goal == start);
    } while (graph.GetNode(goal)->GetTerrainType() != TerrainType::Default);

    const std::vector<GridTerrainNode*> nodes =
        FindPathAroundJams(pBlackboard, context, pHeuristic, start, goal);
    if (nodes.empty())
        return BehaviorState::Failure;
    SetPath(graph, car, nodes, *context.pTraffic);
    return BehaviorState::Success;
}

bool PlanPathAvoiding(Blackboard* pBlackboard, int avoidedNode, bool mayChangeDestination)
{
    Context context;
    Heuristic pHeuristic = nullptr;
    if (!ReadPlanningContext(pBlackboard, context, pHeuristic))
        return false;
    TrafficGraph& graph = *context.pGraph;
    Car& car = *context.pCar;
    const int start = CellOf(graph, car);
    if (start == invalid_node_index || start == avoidedNode)
        return false;

    // The car's own destination first; when every way there leads through the avoided cell, random
    // road nodes in turn.
    std::vector<GridTerrainNode*> nodes;
    {
        const SafePricing pricing{context.pTraffic->GetConnectionPrices(graph), 2.f * RoadNetwork::RaisedCost,
                                  context.pTraffic->CountStandingCars(graph, *context.pCars, &car), avoidedNode};
        PathSearch search(pBlackboard, graph, pHeuristic);
        int goal = graph.GetNodeIdxAtWorldPos(car.GetDestination());
        const int attempts = mayChangeDestination ? MaxAvoidingAttempts : 1;
        for (int attempt = 0; attempt < attempts; ++attempt)
        {
            while (goal == start || goal == avoidedNode || goal == invalid_node_index ||
                   graph.GetNode(goal)->GetTerrainType() != TerrainType::Default)
                goal = rand() % graph.GetNrOfNodes();
            nodes = search.Find(start, goal, pricing);
            const bool avoids = std::none_of(nodes.begin(), nodes.end(),
                                             [avoidedNode](const GridTerrainNode* pNode)
                                             { return pNode->GetIndex() == avoidedNode; });
            if (nodes.size() >= 2 && avoids)
                break;
            nodes.clear();
            goal = invalid_node_index;
        }
    }
    if (nodes.empty())
        return false;
    SetPath(graph, car, nodes, *context.pTraffic);
    // Planning again on the way would lead it back to the cell it has just given up.
    SafeTraffic::CarMemory& memory = context.pTraffic->GetMemory(context.index);
    memory.replansAt = context.pTraffic->GetTime() + ReplanSeconds;
    return true;
}

BehaviorState ReplanOnTheWay(Blackboard* pBlackboard)
{
    Context context;
    Heuristic pHeuristic = nullptr;
    if (!ReadPlanningContext(pBlackboard, context, pHeuristic))
        return BehaviorState::Failure;
    TrafficGraph& graph = *context.pGraph;
    Car& car = *context.pCar;
    SafeTraffic& traffic = *context.pTraffic;
    SafeTraffic::CarMemory& memory = traffic.GetMemory(context.index);
    // The first time spread over a further interval by the car's index, so that cars that started
    // together do not all plan in the same frame.
    if (memory.replansAt < 0.0)
        memory.replansAt =
            traffic.GetTime() +
            ReplanSeconds * (1.0 + static_cast<double>(context.index % ReplanSpread) / ReplanSpread);
    if (traffic.GetTime() < memory.replansAt)
        return BehaviorState::Success;
    // Only where the way on is one lane ahead, before the middle of a road cell: the new way may turn
    // elsewhere, and the car must still be able to follow it.
    const Route route = context.OwnRoute();
    const int start = CellOf(graph, car);
    const int goal = graph.GetNodeIdxAtWorldPos(car.GetDestination());
    if (route.size < 3 || start == invalid_node_index || goal == invalid_node_index || goal == start ||
        IsIntersection(graph, start) || IsIntersection(graph, route.cells[1]) ||
        DistanceToLine(graph, car, route, 0) < 0.5f * CellLength)
        return BehaviorState::Success;
    memory.replansAt = traffic.GetTime() + ReplanSeconds;
    const std::vector<GridTerrainNode*> nodes =
        FindPathAroundJams(pBlackboard, context, pHeuristic, start, goal);
    if (nodes.size() >= 2)
        SetPath(graph, car, nodes, traffic);
    return BehaviorState::Success;
}

IBehavior* CreateSafeBehaviorRoot()
{
    using namespace CarBehavior;
    return new BehaviorSelector({
        new BehaviorSequence({
            new BehaviorSelector({
                new BehaviorSequence({
                    new BehaviorConditional(SafeDriving::IsAtDestination),
                    new BehaviorAction(PlanPathAroundJams),
                    new BehaviorAction(SafeDriving::SeekNextPathPoint),
                }),
                new BehaviorSequence({
                    new BehaviorConditional(SafeDriving::HasReachedNextPathPoint),
                    new BehaviorAction(SafeDriving::SeekNextPathPoint),
                }),
                new BehaviorAction(SafeDriving::SeekNextPathPoint),
            }),
            new BehaviorAction(ReplanOnTheWay),
            new BehaviorAction(DriveOnPastAFullTurnOff),
            new BehaviorAction(SetSpeedFromRoadAhead),
            new BehaviorAction(KeepSafeDistance),
            new BehaviorAction(StopForRedLight),
            new BehaviorAction(KeepJunctionClear),
            new BehaviorAction(YieldBeforeMerging),
            new BehaviorAction(ResolveWaitingCycle),
        }),
        // Without a path there is nowhere to go.
        new BehaviorAction(StopCar),
    });
}
} // namespace SafeDriving
