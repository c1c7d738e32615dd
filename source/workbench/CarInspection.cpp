// Fills the inspector's plain-data view of one car from the application, its traffic monitor, the
// car's behaviour tree record and its blackboard.
#include "CarInspection.h"

#include "app/CarGrid.h"

#include "app/App_TrafficSimulation.h"
#include "app/Car.h"
#include "app/RoadNetwork.h"
#include "app/RoutePlanner.h"
#include "app/TrafficMonitor.h"
#include "framework/Agents/BaseAgent.h"
#include "framework/VemoxCore/VemoxAssert.h"

#include <algorithm>
#include <cstdio>

using namespace Vemox;

namespace
{
constexpr float DegreesPerRadian = 57.29578f;

const BehaviorTree* GetTree(const Car& car)
{
    return dynamic_cast<const BehaviorTree*>(car.GetDecisionMaking());
}

int IndexOf(const std::vector<Car*>& cars, const Car* pCar)
{
    const auto found = std::find(cars.begin(), cars.end(), pCar);
    return found != cars.end() ? static_cast<int>(found - cars.begin()) : -1;
}

// The application's own entries say more as what they point at than as addresses.
void FormatEntry(const IBlackBoardField& field, const App_TrafficSimulation& app, std::array<char, 64>& value)
{
    const std::type_info& type = field.GetValueType();
    if (type == typeid(Car*))
    {
        const Car* pCar = static_cast<const BlackboardField<Car*>&>(field).GetData();
        std::snprintf(value.data(), value.size(), "car #%d", IndexOf(app.GetCars(), pCar));
    }
    else if (type == typeid(std::vector<Car*>*))
    {
        const std::vector<Car*>* pCars =
            static_cast<const BlackboardField<std::vector<Car*>*>&>(field).GetData();
        std::snprintf(value.data(), value.size(), "%zu cars", pCars != nullptr ? pCars->size() : size_t{0});
    }
    else if (type == typeid(TrafficGraph*))
    {
        const TrafficGraph* pGraph = static_cast<const BlackboardField<TrafficGraph*>&>(field).GetData();
        std::snprintf(value.data(), value.size(), "road grid, %d nodes",
                      pGraph != nullptr ? pGraph->GetNrOfNodes() : 0);
    }
    else if (type == typeid(const CarGrid*))
    {
        std::snprintf(value.data(), value.size(), "vision grid of the cars");
    }
    else if (type == typeid(RoutePlanner*))
    {
        const RoutePlanner* pPlanner = static_cast<const BlackboardField<RoutePlanner*>&>(field).GetData();
        std::snprintf(value.data(), value.size(), "shared, %zu connections raised",
                      pPlanner != nullptr ? pPlanner->GetNrOfRaisedConnections() : size_t{0});
    }
    else if (type == typeid(Heuristic) &&
             static_cast<const BlackboardField<Heuristic>&>(field).GetData() == Chebyshev)
    {
        std::snprintf(value.data(), value.size(), "Chebyshev");
    }
    else
    {
        field.FormatValue(value.data(), value.size());
    }
}
} // namespace

const char* DescribeActivity(CarActivity activity, int waitingForCar, char* pBuffer, size_t size)
{
    switch (activity)
    {
    case CarActivity::Moving:
        std::snprintf(pBuffer, size, "moving");
        break;
    case CarActivity::StoppedAtRedLight:
        if (waitingForCar >= 0)
            std::snprintf(pBuffer, size, "stopped at a red light, car #%d in sight", waitingForCar);
        else
            std::snprintf(pBuffer, size, "stopped at a red light");
        break;
    case CarActivity::StoppedForCar:
        if (waitingForCar >= 0)
            std::snprintf(pBuffer, size, "stopped for car #%d", waitingForCar);
        else
            std::snprintf(pBuffer, size, "stopped for a car");
        break;
    case CarActivity::Planning:
        std::snprintf(pBuffer, size, "planning");
        break;
    }
    return pBuffer;
}

void CarInspector::Rebuild(const Car& car, CarInspection& inspection)
{
    inspection.tree.clear();
    inspection.blackboard.clear();
    // Enough for any path on the grid, so that refreshing never grows it.
    inspection.pathCells.reserve(static_cast<size_t>(RoadNetwork::NrOfNodes));

    const BehaviorTree* pTree = GetTree(car);
    if (pTree == nullptr)
        return;
    pTree->VisitNodes(
        [&inspection](const IBehavior& node, int depth, const BehaviorTree::NodeRecord&)
        {
            CarInspection::TreeNode entry;
            entry.depth = depth;
            entry.pKind = GetBehaviorKindName(node);
            entry.name = node.GetName().empty() ? entry.pKind : node.GetName();
            inspection.tree.push_back(std::move(entry));
        });

    if (const Blackboard* pBlackboard = pTree->GetBlackboard())
    {
        pBlackboard->ForEachEntry(
            [&inspection](const std::string& name, const IBlackBoardField* pField)
            {
                CarInspection::BlackboardEntry entry;
                entry.name = name;
                entry.type = pField != nullptr ? GetReadableTypeName(pField->GetValueType()) : "(none)";
                inspection.blackboard.push_back(std::move(entry));
            });
        std::sort(inspection.blackboard.begin(), inspection.blackboard.end(),
                  [](const CarInspection::BlackboardEntry& a, const CarInspection::BlackboardEntry& b)
                  { return a.name < b.name; });
    }
}

void CarInspector::Inspect(const App_TrafficSimulation& app, const TrafficMonitor& monitor, int carIndex,
                           CarInspection& inspection)
{
    const std::vector<Car*>& cars = app.GetCars();
    VEMOX_ASSERT(carIndex >= 0 && static_cast<size_t>(carIndex) < cars.size() &&
                 "<CarInspector::Inspect>: invalid car index");
    const Car& car = *cars[static_cast<size_t>(carIndex)];
    const BehaviorTree* pTree = GetTree(car);
    const Blackboard* pBlackboard = pTree != nullptr ? pTree->GetBlackboard() : nullptr;
    // A failed look-up leaves a new (null) entry behind; the list must then be read again.
    if (m_pCar != &car || m_pInspection != &inspection ||
        (pBlackboard != nullptr && pBlackboard->GetNrOfEntries() != inspection.blackboard.size()))
    {
        Rebuild(car, inspection);
        m_pCar = &car;
        m_pInspection = &inspection;
    }

    inspection.carIndex = carIndex;
    inspection.color = car.GetBodyColor();
    inspection.position = car.GetPosition();
    inspection.speed = car.GetLinearVelocity().Magnitude();
    inspection.maxSpeed = car.GetMaxLinearSpeed();
    inspection.headingDegrees = NormalizeAngle(car.GetRotation()) * DegreesPerRadian;

    const TrafficGraph& graph = *app.GetGraph();
    inspection.cell = graph.GetNodeIdxAtWorldPos(inspection.position);
    const GraphConnection* pConnection = RoadNetwork::GetConnectionAhead(graph, car);
    inspection.connectionFrom = pConnection != nullptr ? pConnection->GetFrom() : -1;
    inspection.connectionTo = pConnection != nullptr ? pConnection->GetTo() : -1;
    inspection.connectionCost = pConnection != nullptr ? pConnection->GetCost() : 0.f;

    inspection.destinationCell = graph.GetNodeIdxAtWorldPos(car.GetDestination());
    inspection.pathCells.clear();
    inspection.pathLength = 0.f;
    Vector2D from = inspection.position;
    for (const Vector2D& point : car.GetPath())
    {
        inspection.pathCells.push_back(graph.GetNodeIdxAtWorldPos(point));
        inspection.pathLength += (point - from).Magnitude();
        from = point;
    }

    // The car its decision making stopped it for, if any; a red light ahead may hold it as well.
    inspection.waitingForCar = IndexOf(cars, car.GetWaitingFor());
    switch (monitor.Classify(car))
    {
    case StopReason::Moving:
        inspection.activity = CarActivity::Moving;
        break;
    case StopReason::RedLight:
        inspection.activity = CarActivity::StoppedAtRedLight;
        break;
    case StopReason::AnotherCar:
        inspection.activity = CarActivity::StoppedForCar;
        break;
    case StopReason::Other:
        inspection.activity = CarActivity::Planning;
        break;
    }

    inspection.tripsDone = monitor.GetTripsCompletedBy(carIndex);
    inspection.meanTripTime = monitor.GetMeanTripTimeOf(carIndex);

    inspection.hasTreeRecord = false;
    if (pTree != nullptr)
    {
        size_t i = 0;
        pTree->VisitNodes(
            [&inspection, &i](const IBehavior&, int, const BehaviorTree::NodeRecord& record)
            {
                if (i < inspection.tree.size())
                {
                    inspection.tree[i].wasVisited = record.wasVisited;
                    inspection.tree[i].state = record.state;
                    inspection.hasTreeRecord |= record.wasVisited;
                }
                ++i;
            });
    }
    if (pBlackboard != nullptr)
    {
        pBlackboard->ForEachEntry(
            [&inspection, &app](const std::string& name, const IBlackBoardField* pField)
            {
                // Entries are few (four per car): a linear search beats keeping an index.
                for (CarInspection::BlackboardEntry& entry : inspection.blackboard)
                {
                    if (entry.name != name)
                        continue;
                    if (pField != nullptr)
                        FormatEntry(*pField, app, entry.value);
                    else
                        std::snprintf(entry.value.data(), entry.value.size(), "(none)");
                }
            });
    }
}
