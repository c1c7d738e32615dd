// What the inspector shows of one car, as plain data: its motion, where it is on the road network,
// where it goes, why it stands, its trips, its behaviour tree's last tick and its blackboard.
#pragma once

#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "framework/VemoxCore/VemoxMath.h"

#include <array>
#include <string>
#include <vector>

class App_TrafficSimulation;
class Car;
class TrafficMonitor;

/// What a car is doing, in the traffic monitor's classification.
enum class CarActivity
{
    Moving,
    StoppedAtRedLight,
    StoppedForCar, ///< waitingForCar names the car when the car's decision making recorded it
    Planning,      ///< standing with a speed limit above 0: just planned, or starting off
};

/// One car as it stands, filled by CarInspector. Refreshing it keeps the capacity of its lists, so
/// that watching a car allocates nothing from frame to frame.
struct CarInspection
{
    int carIndex = -1; ///< index into the application's cars; -1: nothing inspected
    Vemox::Color color;

    Vemox::Vector2D position;   ///< world units
    float speed = 0.f;          ///< world units per second
    float maxSpeed = 0.f;       ///< the speed limit its decision making set, world units per second
    float headingDegrees = 0.f; ///< counter-clockwise from +x, -180..180

    int cell = -1;           ///< node under the car, -1 off the grid
    int connectionFrom = -1; ///< the road connection it drives on (-1: none, see RoadNetwork)
    int connectionTo = -1;
    float connectionCost = 0.f;

    int destinationCell = -1;
    std::vector<int> pathCells; ///< cells of the remaining path points, front first
    float pathLength = 0.f;     ///< from the car through every remaining point, world units

    CarActivity activity = CarActivity::Planning;
    /// Index of the car its decision making stopped it for in its latest update (also while a red
    /// light holds it, or while it still rolls to a stop), -1 for none.
    int waitingForCar = -1;

    int tripsDone = 0;
    double meanTripTime = 0.0; ///< simulated seconds per trip; 0 before the first

    struct TreeNode
    {
        int depth = 0;           ///< 0 for the root
        const char* pKind = "";  ///< "Selector", "Sequence", "Condition", "Action" or "Node"
        std::string name;        ///< the node's name, or its kind when it has none
        bool wasVisited = false; ///< ran in the last recorded tick
        Vemox::BehaviorState state = Vemox::BehaviorState::Failure; ///< what it returned then
    };
    /// Depth first, in execution order; empty when the car has no behaviour tree.
    std::vector<TreeNode> tree;
    /// False while the tree does not record, or has not run since it started recording.
    bool hasTreeRecord = false;

    struct BlackboardEntry
    {
        std::string name;
        std::string type; ///< readable type name, e.g. "Car*"
        std::array<char, 64> value{};
    };
    /// Sorted by name.
    std::vector<BlackboardEntry> blackboard;
};

/// Fills a CarInspection. The tree's shape and the blackboard's names and types are looked up again
/// only when another car is inspected; everything else is refreshed in place.
class CarInspector
{
public:
    /// Inspects car carIndex (valid) of app, observed by monitor (which must watch app).
    void Inspect(const App_TrafficSimulation& app, const TrafficMonitor& monitor, int carIndex,
                 CarInspection& inspection);

private:
    void Rebuild(const Car& car, CarInspection& inspection);

    const Car* m_pCar = nullptr;                  ///< the car whose structure m_pInspection holds
    const CarInspection* m_pInspection = nullptr; ///< the last inspection filled, not owned
};

/// The text of an activity: "moving", "stopped at a red light" (", car #j in sight" when the car
/// also waits for car j), "stopped for car #j" (or "stopped for a car" without j), "planning". Writes
/// into pBuffer (size bytes) and returns it.
const char* DescribeActivity(CarActivity activity, int waitingForCar, char* pBuffer, size_t size);
