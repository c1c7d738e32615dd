// The car's driving behaviour: plan a path to a random road node, follow it point by point, wait for
// cars in sight, and drive at the speed that the road connection allows (0 at a red light).
#include "CarBehavior.h"

#include "Car.h"
#include "CarGrid.h"
#include "RoadNetwork.h"
#include "RoutePlanner.h"
#include "TrafficTypes.h"
#include "framework/Agents/SteeringAgent.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

using namespace Vemox;

namespace CarBehavior
{
namespace
{
constexpr float VisionRadiusSquared = 1600.f;  // 40 world units
constexpr float FollowDistanceSquared = 400.f; // 20 world units
constexpr float ConeRight = 1.4835298f;        // 85 degrees
constexpr float ConeLeft = 0.5235988f;         // 30 degrees
constexpr float SameDirectionLimit = 0.75f;    // radians, about 43 degrees
constexpr float CrossingFromRightMin = 1.0f;   // radians, about 57 degrees
constexpr float CrossingFromRightMax = 2.0f;   // radians, about 115 degrees
constexpr float SpeedPerCost = 0.25f;
constexpr float OffLineSpeed = 5.f;

// The cars that the rule can accept lie within 40 units and within the cone up to float rounding
// (far below 1e-3 units); the search box around them has a unit of slack on every side.
constexpr float SearchRadius = 40.f;
constexpr float BoxSlack = 1.f;
constexpr float EdgeSlack = 0.01f; // an axis direction this close outside the arc counts as inside

// Quick decisions of the cone test. The cone's middle lies ConeMiddleOffset to the right of the heading
// and its half-width is (ConeRight + ConeLeft) / 2. A car more than QuickMargin (0.01 rad) outside
// the cone fails the exact arc-tangent test, one more than QuickMargin inside passes it, whatever the
// float rounding of either test (a few 1e-7 rad); only cars near an edge need the arc tangent.
constexpr float ConeMiddleOffset = (ConeRight - ConeLeft) / 2.f;
constexpr double ConeHalfWidth = (ConeRight + ConeLeft) / 2.0;
constexpr double QuickMargin = 0.01;
const float RejectionCos2 =
    static_cast<float>(std::cos(ConeHalfWidth + QuickMargin) * std::cos(ConeHalfWidth + QuickMargin));
const float AcceptanceCos2 =
    static_cast<float>(std::cos(ConeHalfWidth - QuickMargin) * std::cos(ConeHalfWidth - QuickMargin));
const Vector2D ConeMiddleTurn{static_cast<float>(std::cos(-ConeMiddleOffset)),
                              static_cast<float>(std::sin(-ConeMiddleOffset))};
const Vector2D ConeRightTurn{static_cast<float>(std::cos(-ConeRight)),
                             static_cast<float>(std::sin(-ConeRight))};
const Vector2D ConeLeftTurn{static_cast<float>(std::cos(ConeLeft)), static_cast<float>(std::sin(ConeLeft))};
// Coincident or nearly coincident cars always take the exact test.
constexpr float MinQuickDistance2 = 1e-6f;
// The cone comes from the angle wrapped with the float 2 pi, the quick tests' middle direction from
// the body's exact rotation; up to this angle the two agree within 2e-5 rad. Beyond it (never for
// a driving car, whose angle follows its velocity) every car takes the exact test.
constexpr float MaxQuickAngle = 100.f;

const BlackboardKey<Car*> CarKey{RoadNetwork::Keys::Car};
const BlackboardKey<TrafficGraph*> GraphKey{RoadNetwork::Keys::GridGraph};
const BlackboardKey<Heuristic> HeuristicKey{RoadNetwork::Keys::Heuristic};
const BlackboardKey<std::vector<Car*>*> CarsKey{RoadNetwork::Keys::CarsVector};
const BlackboardKey<const CarGrid*> CarGridKey{RoadNetwork::Keys::CarGrid};

bool ReadCar(Blackboard* pBlackboard, Car*& pCar)
{
    return pBlackboard->GetData(CarKey, pCar) && pCar != nullptr;
}

bool ReadGraph(Blackboard* pBlackboard, TrafficGraph*& pGraph)
{
    return pBlackboard->GetData(GraphKey, pGraph) && pGraph != nullptr;
}

float Atan2(float y, float x)
{
    return static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
}

/// A box in world coordinates.
struct Box
{
    float minX, minY, maxX, maxY;
};

/// One car's view: the documented nearest-car-in-the-cone rule, evaluated for one other car at a time.
class Vision
{
public:
    explicit Vision(const Car& car)
        : m_Position(car.GetPosition()), m_Angle(car.GetRotation()),
          m_HasQuickTests(std::abs(m_Angle) <= MaxQuickAngle)
    {
        const Vector2D heading = car.GetRotationVector();
        m_Axis = Turn(heading, ConeMiddleTurn);
        m_RightEdge = Turn(heading, ConeRightTurn);
        m_LeftEdge = Turn(heading, ConeLeftTurn);
    }

    /// A box that holds every car the rule can accept: the cone's sector, radius and edges widened
    /// by a unit (far more than their float rounding), or the square around the car when the quick
    /// tests are off.
    Box GetSearchBox() const
    {
        const Vector2D p = m_Position;
        if (!m_HasQuickTests)
            return {p.x - SearchRadius, p.y - SearchRadius, p.x + SearchRadius, p.y + SearchRadius};
        const Vector2D right = p + m_RightEdge * SearchRadius;
        const Vector2D left = p + m_LeftEdge * SearchRadius;
        Box box{std::min({p.x, right.x, left.x}), std::min({p.y, right.y, left.y}),
                std::max({p.x, right.x, left.x}), std::max({p.y, right.y, left.y})};
        // The arc reaches the full radius along an axis when that axis direction lies between its
        // edges (the arc is narrower than a half turn): d is inside when right x d >= 0 and d x left >= 0.
        if (-m_RightEdge.y >= -EdgeSlack && m_LeftEdge.y >= -EdgeSlack)
            box.maxX = p.x + SearchRadius; // +x
        if (m_RightEdge.y >= -EdgeSlack && -m_LeftEdge.y >= -EdgeSlack)
            box.minX = p.x - SearchRadius; // -x
        if (m_RightEdge.x >= -EdgeSlack && -m_LeftEdge.x >= -EdgeSlack)
            box.maxY = p.y + SearchRadius; // +y
        if (-m_RightEdge.x >= -EdgeSlack && m_LeftEdge.x >= -EdgeSlack)
            box.minY = p.y - SearchRadius; // -y
        return {box.minX - BoxSlack, box.minY - BoxSlack, box.maxX + BoxSlack, box.maxY + BoxSlack};
    }

    /// Whether a car at q is within 40 units, in the cone and not farther than bestDist2 (a car farther
    /// than the best so far could not replace it); dist2 receives the squared distance.
    bool Sees(const Vector2D& q, float bestDist2, float& dist2)
    {
        const float dx = m_Position.x - q.x;
        const float dy = m_Position.y - q.y;
        dist2 = dx * dx + dy * dy;
        if (dist2 > VisionRadiusSquared || dist2 > bestDist2)
            return false;
        if (m_HasQuickTests && dist2 > MinQuickDistance2)
        {
            const float along = -(dx * m_Axis.x + dy * m_Axis.y);
            if (along <= 0.f || along * along < RejectionCos2 * dist2)
                return false;
            if (along * along > AcceptanceCos2 * dist2)
                return true;
        }
        // Near an edge: the rule's own test. The cone is worked out the first time it is needed.
        if (!m_HasCone)
        {
            m_Cone = GetVisionCone(m_Angle);
            m_HasCone = true;
        }
        const float phi = Atan2(q.y - m_Position.y, q.x - m_Position.x);
        return m_Cone.hi > m_Cone.lo ? (m_Cone.lo <= phi && phi <= m_Cone.hi)
                                     : (m_Cone.lo > m_Cone.hi && (phi >= m_Cone.lo || phi <= m_Cone.hi));
    }

private:
    static Vector2D Turn(const Vector2D& v, const Vector2D& turn)
    {
        return {v.x * turn.x - v.y * turn.y, v.x * turn.y + v.y * turn.x};
    }

    Vector2D m_Position;
    float m_Angle;
    bool m_HasQuickTests;
    bool m_HasCone = false;
    VisionCone m_Cone;
    Vector2D m_Axis;      ///< unit vector along the cone's middle
    Vector2D m_RightEdge; ///< unit vector along the cone's right edge
    Vector2D m_LeftEdge;  ///< unit vector along the cone's left edge
};

/// Where a band of the relative heading lies for a given pair of directions.
enum class BandSide
{
    Inside,
    Outside,
    Unsure
};

/// The band of angles [middle - halfWidth, middle + halfWidth] (halfWidth + QuickMargin below pi/2)
/// against the angle of w = (dot, cross), decided by Margin without an arc tangent.
struct HeadingBand
{
    HeadingBand(double middle, double halfWidth)
        : axis{static_cast<float>(std::cos(middle)), static_cast<float>(std::sin(middle))},
          insideTan2(
              static_cast<float>(std::tan(halfWidth - QuickMargin) * std::tan(halfWidth - QuickMargin))),
          outsideTan2(
              static_cast<float>(std::tan(halfWidth + QuickMargin) * std::tan(halfWidth + QuickMargin)))
    {
    }

    BandSide Classify(float dot, float cross) const
    {
        const float along = dot * axis.x + cross * axis.y;
        const float across = cross * axis.x - dot * axis.y;
        if (along <= 0.f || across * across > outsideTan2 * along * along)
            return BandSide::Outside;
        if (across * across < insideTan2 * along * along)
            return BandSide::Inside;
        return BandSide::Unsure;
    }

    Vector2D axis;
    float insideTan2;
    float outsideTan2;
};
const HeadingBand SameDirectionBand{0.0, SameDirectionLimit};
const HeadingBand FromRightBand{(CrossingFromRightMin + CrossingFromRightMax) / 2.0,
                                (CrossingFromRightMax - CrossingFromRightMin) / 2.0};

enum class RelativeHeading
{
    SameDirection,
    CrossingFromRight,
    Other
};

/// The other car's direction of motion against the own one by the rule's rel = atan2(s x t, s . t) of
/// their unit directions s and t: within [-0.75, 0.75] the same direction, within [1, 2] crossing from
/// the right. Whether the angle lies clearly inside or outside the bands does not depend on the
/// vectors' lengths, so the velocities themselves decide that, without square roots or an arc
/// tangent; a velocity of (about) zero, whose direction is (0, 0) and rel = atan2(+-0, +-0) depends
/// on the zeros' signs, or an angle near a band's edge takes the rule's own computation.
RelativeHeading ClassifyRelativeHeading(const Car& car, const Car& other)
{
    const Vector2D u = car.GetLinearVelocity();
    const Vector2D v = other.GetLinearVelocity();
    // Far above the length (1.2e-7) below which a direction is (0, 0), and far below any driving speed;
    // the products below stay normal floats.
    constexpr float MinQuickSpeed2 = 1e-6f;
    if (u.MagnitudeSquared() > MinQuickSpeed2 && v.MagnitudeSquared() > MinQuickSpeed2)
    {
        const float cross = u.x * v.y - v.x * u.y;
        const float dot = u.x * v.x + u.y * v.y;
        const BandSide same = SameDirectionBand.Classify(dot, cross);
        const BandSide fromRight = FromRightBand.Classify(dot, cross);
        if (same == BandSide::Inside)
            return RelativeHeading::SameDirection;
        if (same == BandSide::Outside && fromRight != BandSide::Unsure)
            return fromRight == BandSide::Inside ? RelativeHeading::CrossingFromRight
                                                 : RelativeHeading::Other;
    }
    const Vector2D s = car.GetDirection();
    const Vector2D t = other.GetDirection();
    const float rel = Atan2(s.x * t.y - t.x * s.y, s.x * t.x + s.y * t.y);
    if (-SameDirectionLimit <= rel && rel <= SameDirectionLimit)
        return RelativeHeading::SameDirection;
    if (CrossingFromRightMin <= rel && rel <= CrossingFromRightMax)
        return RelativeHeading::CrossingFromRight;
    return RelativeHeading::Other;
}
} // namespace

VisionCone GetVisionCone(float angle)
{
    const float o = NormalizeAngle(angle);
    VisionCone cone{o - ConeRight, o + ConeLeft};
    for (float* pBound : {&cone.lo, &cone.hi})
    {
        if (*pBound < -Pi)
            *pBound += TwoPi;
        if (*pBound > Pi)
            *pBound -= TwoPi;
    }
    return cone;
}

bool IsAtDestination(Blackboard* pBlackboard)
{
    TrafficGraph* pGraph = nullptr;
    Car* pCar = nullptr;
    if (!ReadGraph(pBlackboard, pGraph) || !ReadCar(pBlackboard, pCar))
        return false;
    return pGraph->GetNodeIdxAtWorldPos(pCar->GetPosition()) ==
           pGraph->GetNodeIdxAtWorldPos(pCar->GetDestination());
}

BehaviorState PlanPathToRandomDestination(Blackboard* pBlackboard)
{
    TrafficGraph* pGraph = nullptr;
    Car* pCar = nullptr;
    Heuristic pHeuristic = nullptr;
    if (!ReadGraph(pBlackboard, pGraph) || !ReadCar(pBlackboard, pCar))
        return BehaviorState::Failure;
    if (!pBlackboard->GetData(HeuristicKey, pHeuristic) || pHeuristic == nullptr)
        return BehaviorState::Failure;
    RoutePlanner* pPlanner = nullptr;
    if (!pBlackboard->GetData(RoadNetwork::Keys::RoutePlanner, pPlanner) || pPlanner == nullptr)
        return BehaviorState::Failure;
    VEMOX_ASSERT(pPlanner->GetGraph() == pGraph &&
                 "<CarBehavior::PlanPathToRandomDestination>: the route planner plans on another graph");

    const int nrOfNodes = pGraph->GetNrOfNodes();
    const int start = pGraph->GetNodeIdxAtWorldPos(pCar->GetPosition());
    if (start == invalid_node_index)
        return BehaviorState::Failure; // off the grid: there is nothing to plan from

    int goal = 0;
    do
    {
        do
        {
            goal = rand() % nrOfNodes;
        } while (goal == start);
    } while (pGraph->GetNode(goal)->GetTerrainType() == TerrainType::Block);

    const std::vector<GridTerrainNode*>& nodes = pPlanner->FindRoute(start, goal, pHeuristic);

    // No path (the car stands on a cell without roads): keep the old path and destination.
    if (nodes.empty())
        return BehaviorState::Failure;

    auto& path = pCar->GetPath();
    path.clear();
    for (const GridTerrainNode* pNode : nodes)
        path.push_back(pGraph->GetNodeWorldPos(pNode->GetIndex()));
    pCar->SetDestination(path.back());
    return BehaviorState::Success;
}

BehaviorState SeekNextPathPoint(Blackboard* pBlackboard)
{
    Car* pCar = nullptr;
    if (!ReadCar(pBlackboard, pCar) || std::as_const(*pCar).GetPath().empty())
        return BehaviorState::Failure;
    pCar->SeekTo(std::as_const(*pCar).GetPath().front());
    return BehaviorState::Success;
}

bool HasReachedNextPathPoint(Blackboard* pBlackboard)
{
    TrafficGraph* pGraph = nullptr;
    Car* pCar = nullptr;
    if (!ReadGraph(pBlackboard, pGraph) || !ReadCar(pBlackboard, pCar))
        return false;
    const Car::Path& path = std::as_const(*pCar).GetPath();
    if (path.empty())
        return false;
    if (pGraph->GetNodeIdxAtWorldPos(pCar->GetPosition()) != pGraph->GetNodeIdxAtWorldPos(path.front()))
        return false;
    pCar->GetPath().pop_front();
    return true;
}

const Car* FindCarInSight(const Car* pCar, const std::vector<Car*>& cars)
{
    Vision vision(*pCar);
    const Car* pBest = nullptr;
    float bestDist2 = FloatMax;
    for (const Car* pOther : cars)
    {
        if (pOther == pCar || pOther == nullptr)
            continue;
        float dist2 = 0.f;
        if (vision.Sees(pOther->GetPosition(), bestDist2,
                        dist2)) // dist2 <= bestDist2: the later car wins ties
        {
            pBest = pOther;
            bestDist2 = dist2;
        }
    }
    return pBest;
}

const Car* FindCarInSight(const Car* pCar, const std::vector<Car*>& cars, const CarGrid& grid)
{
    VEMOX_ASSERT(grid.IsCurrentFor(cars) &&
                 "<CarBehavior::FindCarInSight>: the grid is not built from these cars");
    Vision vision(*pCar);
    const Car* pBest = nullptr;
    float bestDist2 = FloatMax;
    int bestIndex = -1;
    // The grid's order is not the vector's, so ties go explicitly to the later car in the vector.
    const Box box = vision.GetSearchBox();
    grid.ForEachIn(box.minX, box.minY, box.maxX, box.maxY,
                   [&](const CarGrid::Entry& entry)
                   {
                       float dist2 = 0.f;
                       if (entry.pCar == pCar || !vision.Sees(entry.position, bestDist2, dist2))
                           return;
                       if (dist2 < bestDist2 || entry.index > bestIndex)
                       {
                           pBest = entry.pCar;
                           bestDist2 = dist2;
                           bestIndex = entry.index;
                       }
                   });
    return pBest;
}

bool IsCarInSight(Blackboard* pBlackboard)
{
    Car* pCar = nullptr;
    std::vector<Car*>* pCars = nullptr;
    if (!ReadCar(pBlackboard, pCar) || !pBlackboard->GetData(CarsKey, pCars) || pCars == nullptr)
        return false;

    // The grid of the cars, when the blackboard has one and it is current for these cars (during the
    // application's step); otherwise every car is looked at. Both give the same car.
    const CarGrid* const* ppGrid = pBlackboard->FindData(CarGridKey);
    const CarGrid* pGrid = ppGrid != nullptr ? *ppGrid : nullptr;
    const Car* pBest = pGrid != nullptr && pGrid->IsCurrentFor(*pCars) ? FindCarInSight(pCar, *pCars, *pGrid)
                                                                       : FindCarInSight(pCar, *pCars);
    if (pBest == nullptr)
        return false;

    bool mustWait = false;
    switch (ClassifyRelativeHeading(*pCar, *pBest))
    {
    case RelativeHeading::SameDirection:
    {
        const Vector2D offset = pCar->GetPosition() - pBest->GetPosition();
        mustWait = offset.x * offset.x + offset.y * offset.y <= FollowDistanceSquared;
        break;
    }
    case RelativeHeading::CrossingFromRight:
        mustWait = pBest->GetMaxLinearSpeed() != 0.f;
        break;
    case RelativeHeading::Other: // oncoming, or crossing from the left
        break;
    }
    // The tree stops the car when this is true: record whom it waits for.
    if (mustWait)
        pCar->SetWaitingFor(pBest);
    return mustWait;
}

BehaviorState StopCar(Blackboard* pBlackboard)
{
    Car* pCar = nullptr;
    if (!ReadCar(pBlackboard, pCar))
        return BehaviorState::Failure;
    pCar->SetMaxLinearSpeed(0.f);
    return BehaviorState::Success;
}

BehaviorState SetSpeedFromRoad(Blackboard* pBlackboard)
{
    Car* pCar = nullptr;
    TrafficGraph* pGraph = nullptr;
    if (!ReadCar(pBlackboard, pCar) || !ReadGraph(pBlackboard, pGraph) ||
        std::as_const(*pCar).GetPath().empty())
        return BehaviorState::Failure;

    pCar->SetMaxLinearSpeed(SpeedOnRoad(RoadNetwork::GetConnectionAhead(*pGraph, *pCar)));
    return BehaviorState::Success;
}

float SpeedOnRoad(const GraphConnection* pConnection)
{
    return pConnection != nullptr ? pConnection->GetCost() * RoadNetwork::SpeedPerCost : OffLineSpeed;
}

IBehavior* CreateCarBehaviorRoot()
{
    // Names for observers such as the inspector; leaves carry the names of their functions.
    return Named(
        new BehaviorSelector({
            Named(new BehaviorSequence({
                      Named(new BehaviorConditional(IsAtDestination), "IsAtDestination"),
                      Named(new BehaviorAction(PlanPathToRandomDestination), "PlanPathToRandomDestination"),
                      Named(new BehaviorAction(SeekNextPathPoint), "SeekNextPathPoint"),
                  }),
                  "Plan a new trip"),
            Named(new BehaviorSequence({
                      Named(new BehaviorConditional(HasReachedNextPathPoint), "HasReachedNextPathPoint"),
                      Named(new BehaviorAction(SeekNextPathPoint), "SeekNextPathPoint"),
                  }),
                  "Go on to the next point"),
            Named(new BehaviorSequence({
                      Named(new BehaviorConditional(IsCarInSight), "IsCarInSight"),
                      Named(new BehaviorAction(StopCar), "StopCar"),
                  }),
                  "Wait for a car"),
            Named(new BehaviorAction(SetSpeedFromRoad), "SetSpeedFromRoad"),
        }),
        "Drive");
}
} // namespace CarBehavior
