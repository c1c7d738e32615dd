// The traffic simulation: a grid road network with traffic lights and walls, cars that each run a
// behaviour tree over their own blackboard, the graph renderer and the debug panel.
#pragma once

#include "City.h"
#include "RoadNetwork.h"
#include "TrafficLight.h"
#include "TrafficScenario.h"
#include "TrafficTypes.h"
#include "framework/VemoxAI/VemoxGraphs/AStar.h"
#include "framework/VemoxCore/IApp.h"
#include "framework/VemoxCore/MemoryFootprint.h"

#include <vector>

class CarGrid;
namespace SafeDriving
{
class SafeTraffic;
}

namespace Vemox
{
class Blackboard;
class GraphRenderer;
class StaticBoxCollider;
} // namespace Vemox

class RoutePlanner;
class StartNodePicker;

class App_TrafficSimulation final : public Vemox::IApp
{
public:
    /// nrOfCars: cars spawned by Start in the documented city, 0..RoadNetwork::MaxNrOfCars (the program
    /// uses 20).
    explicit App_TrafficSimulation(int nrOfCars = RoadNetwork::DefaultNrOfCars);
    /// A world built from the scenario; the default scenario is the documented world. The car count must
    /// not exceed the city's road cells.
    explicit App_TrafficSimulation(const TrafficScenario& scenario);
    ~App_TrafficSimulation() override;

    void Start() override;
    /// Builds the debug panel (when enabled): once per drawn frame.
    void UpdateUI(float deltaTime) override;
    /// One simulation step: every car decides and steers, then the traffic lights advance.
    void Update(float deltaTime) override;
    void Render(float deltaTime) override;

    /// Builds the city's grid, its terrain and its one-way road connections (in the documented city
    /// 20 x 10 cells and 148 connections), and the route planner on it.
    void CreateRoadNetwork();
    /// A new blackboard for one car with "Car", "GridGraph", "Heuristic" and "CarsVector", then "CarGrid"
    /// (the grid of the cars, null before Start) and "RoutePlanner". Owned by the caller.
    Vemox::Blackboard* CreateBlackboard(Car* pCar);
    void UpdateTrafficLights(float deltaTime);
    void RenderTrafficLights() const;
    /// Draws the car's remaining path points as the "Draw Path of First Car" switch does for car 0.
    void RenderCarPath(const Car& car) const;
    /// Draws the car's vision circle and cone as the "Draw vision of First Car" switch does for car 0.
    void RenderCarVision(const Car& car) const;

    const std::vector<Car*>& GetCars() const { return m_Cars; }
    const std::vector<int>& GetTakenStartNodes() const { return m_TakenStartNodes; }
    const std::vector<Vemox::StaticBoxCollider*>& GetWalls() const { return m_Walls; }
    const std::vector<TrafficLight>& GetTrafficLights() const { return m_TrafficLights; }
    TrafficGraph* GetGraph() const { return m_pGridGraph; }
    /// The cars sorted by cell: current during Update's car loop only, null before Start.
    const CarGrid* GetCarGrid() const { return m_pCarGrid; }
    int GetNrOfNodes() const { return m_NrOfNodes; }
    const City& GetCity() const { return m_City; }
    RoutePlanner* GetRoutePlanner() const { return m_pRoutePlanner; }
    const TrafficScenario& GetScenario() const { return m_Scenario; }
    /// What the safe cars share (owned); null when the cars drive the classic tree.
    const SafeDriving::SafeTraffic* GetSafeTraffic() const { return m_pSafeTraffic; }
    SafeDriving::SafeTraffic* GetSafeTraffic() { return m_pSafeTraffic; }
    /// Waiting cycles that the safe cars resolved as a last resort; 0 for the classic tree.
    int GetDeadlocksResolved() const;

    /// The panel's switches, also settable for runs without a UI.
    struct DebugSwitches
    {
        bool drawPathOfFirstCar = false;
        bool drawVisionOfFirstCar = false;
        bool drawGrid = true;
        bool drawNodeNumbers = false;
        bool drawConnections = false;
        bool drawConnectionCosts = false;
    };
    DebugSwitches GetDebugSwitches() const;
    void SetDebugSwitches(const DebugSwitches& switches);

    /// Zooms the view out so that the whole city shows left of the debug panel.
    void FitView();

    /// Whether UpdateUI builds the debug panel (on by default; runs without a screen may leave it out).
    void SetDebugPanelEnabled(bool isEnabled) { m_IsDebugPanelEnabled = isEnabled; }

private:
    /// How many cars ahead of the one updating the next car's memory is fetched: a car's update reads
    /// its tree, blackboard and body wrapper, spread over a few kilobytes of the heap, and with thousands
    /// of cars these are no longer in the cache from the step before.
    static constexpr size_t CarPrefetchDistance = 2;

    void SpawnCar(StartNodePicker& startNodePicker);
    /// Has the memory of car i fetched into the cache, when there is such a car and its footprint is known.
    void PrefetchCar(size_t i) const
    {
        if (i < m_CarFootprints.size())
            m_CarFootprints[i].Prefetch();
    }
    void BuildDebugPanel();

    TrafficScenario m_Scenario;
    City m_City;
    int m_NrOfCars = RoadNetwork::DefaultNrOfCars;
    std::vector<Car*> m_Cars;
    /// Per car, its memory (Car::AddFootprint) as it stood after the cars' first update.
    std::vector<Vemox::MemoryFootprint> m_CarFootprints;
    std::vector<int> m_TakenStartNodes;
    std::vector<Vemox::StaticBoxCollider*> m_Walls;
    std::vector<TrafficLight> m_TrafficLights;
    bool m_DrawPathOfFirstCar = false;
    bool m_DrawVisionOfFirstCar = false;
    int m_NrOfNodes = 0;
    unsigned int m_CellSize = RoadNetwork::CellSize;
    TrafficGraph* m_pGridGraph = nullptr;
    CarGrid* m_pCarGrid = nullptr; ///< owned; over the road grid's cells
    Vemox::GraphRenderer* m_pGraphRenderer = nullptr;
    bool m_DrawGrid = true;
    bool m_DrawNodeNumbers = false;
    bool m_DrawConnections = false;
    bool m_DrawConnectionCosts = false;
    Vemox::Heuristic m_pHeuristic = Vemox::Chebyshev;
    bool m_IsDebugPanelEnabled = true;
    RoutePlanner* m_pRoutePlanner = nullptr; ///< owned; plans on m_pGridGraph
    SafeDriving::SafeTraffic* m_pSafeTraffic = nullptr;
};
