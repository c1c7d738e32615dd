// The car's driving behaviour: plan a path to a random road node, follow it point by point, wait for
// cars in sight, and drive at the speed that the road connection allows (0 at a red light).
#include "CarBehavior.h"

#include "Car.h"
#include "RoadNetwork.h"
#include "TrafficTypes.h"
#include "framework/Agents/SteeringAgent.h"
#include "framework/VemoxAI/VemoxGraphs/AStar.h"

#include <cmath>
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
// Quick rejection of cars outside the cone: the cone's middle lies ConeMiddleOffset to the right of
// the heading and its half-width is (ConeRight + ConeLeft) / 2; a margin of 0.01 rad dwarfs the float
// rounding of both the quick and the exact test.
constexpr float ConeMiddleOffset = (ConeRight - ConeLeft) / 2.f;
constexpr double RejectionAngle = (ConeRight + ConeLeft) / 2.0 + 0.01;
const float RejectionCos2 = static_cast<float>(std::cos(RejectionAngle) * std::cos(RejectionAngle));
constexpr float MinRejectionDistance2 = 1e-6f;
constexpr float SameDirectionLimit = 0.75f;  // radians, about 43 degrees
constexpr float CrossingFromRightMin = 1.0f; // radians, about 57 degrees
constexpr float CrossingFromRightMax = 2.0f; // radians, about 115 degrees
constexpr float OffLineSpeed = 5.f;

bool ReadCar(Blackboard* pBlackboard, Car*& pCar)
{
    return pBlackboard->GetData(RoadNetwork::Keys::Car, pCar) && pCar != nullptr;
}

bool ReadGraph(Blackboard* pBlackboard, TrafficGraph*& pGraph)
{
    return pBlackboard->GetData(RoadNetwork::Keys::GridGraph, pGraph) && pGraph != nullptr;
}

float Atan2(float y, float x)
{
    return static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
}

void SetConnectionCost(TrafficGraph* pGraph, int from, int to, float cost)
{
    if (GraphConnection* pConnection = pGraph->GetConnection(from, to))
        pConnection->SetCost(cost);
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
    if (!pBlackboard->GetData(RoadNetwork::Keys::Heuristic, pHeuristic) || pHeuristic == nullptr)
        return BehaviorState::Failure;

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

    for (const RoadNetwork::RaisedConnection& raised : RoadNetwork::PlanningRaise)
        SetConnectionCost(pGraph, raised.fromNode, raised.toNode, RoadNetwork::RaisedCost);

    AStar<GridTerrainNode, GraphConnection> pathfinder(pGraph, pHeuristic);
    const std::vector<GridTerrainNode*> nodes =
        pathfinder.FindPath(pGraph->GetNode(start), pGraph->GetNode(goal));

    for (const RoadNetwork::RaisedConnection& raised : RoadNetwork::PlanningRaise)
        SetConnectionCost(pGraph, raised.fromNode, raised.toNode, raised.restoreCost);

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
    if (!ReadCar(pBlackboard, pCar) || pCar->GetPath().empty())
        return BehaviorState::Failure;
    pCar->SeekTo(pCar->GetPath().front());
    return BehaviorState::Success;
}

bool HasReachedNextPathPoint(Blackboard* pBlackboard)
{
    TrafficGraph* pGraph = nullptr;
    Car* pCar = nullptr;
    if (!ReadGraph(pBlackboard, pGraph) || !ReadCar(pBlackboard, pCar))
        return false;
    auto& path = pCar->GetPath();
    if (path.empty())
        return false;
    if (pGraph->GetNodeIdxAtWorldPos(pCar->GetPosition()) != pGraph->GetNodeIdxAtWorldPos(path.front()))
        return false;
    path.pop_front();
    return true;
}

const Car* FindCarInSight(const Car* pCar, const std::vector<Car*>& cars)
{
    const Vector2D p = pCar->GetPosition();
    const VisionCone cone = GetVisionCone(pCar->GetRotation());
    // The cone's middle direction, for a quick rejection of cars well outside it (see below).
    const Vector2D axis = FromPolar(1.f, pCar->GetRotation() - ConeMiddleOffset);

    const Car* pBest = nullptr;
    float bestDist2 = FloatMax;
    for (const Car* pOther : cars)
    {
        if (pOther == pCar || pOther == nullptr)
            continue;
        const Vector2D q = pOther->GetPosition();
        const float dx = p.x - q.x;
        const float dy = p.y - q.y;
        const float dist2 = dx * dx + dy * dy;
        // Out of range, or farther than the best so far (which it could not replace): the cone test
        // and its arc tangent are not needed.
        if (dist2 > VisionRadiusSquared || dist2 > bestDist2)
            continue;
        // A car more than RejectionMargin outside the cone fails the exact test below as well, whatever
        // the rounding of either test; only cars near or inside the cone pay for the arc tangent.
        // Coincident or nearly coincident cars always take the exact test.
        const float along = -(dx * axis.x + dy * axis.y);
        if (dist2 > MinRejectionDistance2 && (along <= 0.f || along * along < RejectionCos2 * dist2))
            continue;

        const float phi = Atan2(q.y - p.y, q.x - p.x);
        const bool inCone = cone.hi > cone.lo ? (cone.lo <= phi && phi <= cone.hi)
                                              : (cone.lo > cone.hi && (phi >= cone.lo || phi <= cone.hi));
        if (inCone) // bestDist2 >= dist2 here: on equal distances the later car wins
        {
            pBest = pOther;
            bestDist2 = dist2;
        }
    }
    return pBest;
}

bool IsCarInSight(Blackboard* pBlackboard)
{
    Car* pCar = nullptr;
    std::vector<Car*>* pCars = nullptr;
    if (!ReadCar(pBlackboard, pCar) || !pBlackboard->GetData(RoadNetwork::Keys::CarsVector, pCars) ||
        pCars == nullptr)
        return false;

    const Car* pBest = FindCarInSight(pCar, *pCars);
    if (pBest == nullptr)
        return false;

    const Vector2D s = pCar->GetDirection();
    const Vector2D t = pBest->GetDirection();
    const float rel = Atan2(s.x * t.y - t.x * s.y, s.x * t.x + s.y * t.y);

    bool mustWait = false;
    if (-SameDirectionLimit <= rel && rel <= SameDirectionLimit)
    {
        const Vector2D offset = pCar->GetPosition() - pBest->GetPosition();
        mustWait = offset.x * offset.x + offset.y * offset.y <= FollowDistanceSquared;
    }
    else if (CrossingFromRightMin <= rel && rel <= CrossingFromRightMax)
    {
        mustWait = pBest->GetMaxLinearSpeed() != 0.f;
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
    if (!ReadCar(pBlackboard, pCar) || !ReadGraph(pBlackboard, pGraph) || pCar->GetPath().empty())
        return BehaviorState::Failure;

    const GraphConnection* pConnection = RoadNetwork::GetConnectionAhead(*pGraph, *pCar);
    pCar->SetMaxLinearSpeed(pConnection != nullptr ? pConnection->GetCost() * RoadNetwork::SpeedPerCost
                                                   : OffLineSpeed);
    return BehaviorState::Success;
}

IBehavior* CreateCarBehaviorRoot()
{
    return new BehaviorSelector({
        new BehaviorSequence({
            new BehaviorConditional(IsAtDestination),
            new BehaviorAction(PlanPathToRandomDestination),
            new BehaviorAction(SeekNextPathPoint),
        }),
        new BehaviorSequence({
            new BehaviorConditional(HasReachedNextPathPoint),
            new BehaviorAction(SeekNextPathPoint),
        }),
        new BehaviorSequence({
            new BehaviorConditional(IsCarInSight),
            new BehaviorAction(StopCar),
        }),
        new BehaviorAction(SetSpeedFromRoad),
    });
}
} // namespace CarBehavior
