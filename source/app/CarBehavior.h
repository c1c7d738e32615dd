// The seven leaves of a car's behaviour tree and the tree's shape. Every leaf reads what it needs
// from the car's blackboard; the per-car state lives in the car itself.
#pragma once

#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "framework/VemoxAI/DecisionMaking/Blackboard.h"

#include <vector>

class Car;
class CarGrid;
namespace Vemox
{
class GraphConnection;
}

namespace CarBehavior
{
/// The car's node is the node of its destination.
bool IsAtDestination(Vemox::Blackboard* pBlackboard);
/// Draws a random road destination and plans a path there with the shared route planner (the entry
/// "RoutePlanner", read after "Heuristic"); Failure when no path exists.
Vemox::BehaviorState PlanPathToRandomDestination(Vemox::Blackboard* pBlackboard);
/// Aims the car at the first point of its path.
Vemox::BehaviorState SeekNextPathPoint(Vemox::Blackboard* pBlackboard);
/// The car's node is the node of its next path point; drops that point when it is.
bool HasReachedNextPathPoint(Vemox::Blackboard* pBlackboard);
/// Another car in the vision cone obliges this car to wait: the nearest one drives the same way
/// within 20 units ahead, or crosses from the right and is not held itself. When it must, records
/// that car as the one this car waits for (Car::SetWaitingFor). Looks through the blackboard's
/// "CarGrid" when it has one that is current, else at every car.
bool IsCarInSight(Vemox::Blackboard* pBlackboard);
/// Sets the car's maximum speed to 0.
Vemox::BehaviorState StopCar(Vemox::Blackboard* pBlackboard);
/// Sets the car's maximum speed from the cost of the road connection it is on.
Vemox::BehaviorState SetSpeedFromRoad(Vemox::Blackboard* pBlackboard);
/// The maximum speed SetSpeedFromRoad sets on pConnection (world units per second); null: off the road's
/// connections.
float SpeedOnRoad(const Vemox::GraphConnection* pConnection);

/// Builds the root of a car's tree (selector of plan / next point / wait / drive). Ownership passes to the
/// caller.
Vemox::IBehavior* CreateCarBehaviorRoot();

/// The vision cone of a car heading at `angle` (radians): from lo (85 degrees to the right) to hi
/// (30 degrees to the left), each bound wrapped once into [-pi, pi].
struct VisionCone
{
    float lo = 0.f;
    float hi = 0.f;
};
VisionCone GetVisionCone(float angle);

/// The nearest other car within 40 units in pCar's vision cone (the later one in `cars` on equal
/// distances), or null.
const Car* FindCarInSight(const Car* pCar, const std::vector<Car*>& cars);
/// The same car, found among the cars in the grid cells around pCar only. The grid must be current for
/// `cars` (CarGrid::IsCurrentFor): built from them since they last moved.
const Car* FindCarInSight(const Car* pCar, const std::vector<Car*>& cars, const CarGrid& grid);
} // namespace CarBehavior
