// The traffic simulation: a grid road network with traffic lights and walls, cars that each run a
// behaviour tree over their own blackboard, the graph renderer and the debug panel.
#pragma once

#include "RoadNetwork.h"
#include "TrafficLight.h"
#include "TrafficScenario.h"
#include "TrafficTypes.h"
#include "framework/VemoxAI/VemoxGraphs/AStar.h"
#include "framework/VemoxCore/IApp.h"

#include <vector>

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

class App_TrafficSimulation final : public Vemox::IApp
{
public:
    /// nrOfCars: cars spawned by Start, 0..RoadNetwork::MaxNrOfCars (the program uses 20).
    explicit App_TrafficSimulation(int nrOfCars = RoadNetwork::DefaultNrOfCars);
    /// A world built from the scenario; the default scenario is the documented world.
    explicit App_TrafficSimulation(const TrafficScenario& scenario);
    ~App_TrafficSimulation() override;

    void Start() override;
    /// Builds the debug panel (when enabled): once per drawn frame.
    void UpdateUI(float deltaTime) override;
    /// One simulation step: every car decides and steers, then the traffic lights advance.
    void Update(float deltaTime) override;
    void Render(float deltaTime) override;

    /// Builds the 20 x 10 grid, its terrain and its 148 one-way road connections.
    void CreateRoadNetwork();
    /// A new blackboard for one car with "Car", "GridGraph", "Heuristic" and "CarsVector". Owned by the
    /// caller.
    Vemox::Blackboard* CreateBlackboard(Car* pCar);
    void UpdateTrafficLights(float deltaTime);
    void RenderTrafficLights() const;

    const std::vector<Car*>& GetCars() const { return m_Cars; }
    const std::vector<int>& GetTakenStartNodes() const { return m_TakenStartNodes; }
    const std::vector<Vemox::StaticBoxCollider*>& GetWalls() const { return m_Walls; }
    const std::vector<TrafficLight>& GetTrafficLights() const { return m_TrafficLights; }
    TrafficGraph* GetGraph() const { return m_pGridGraph; }
    int GetNrOfNodes() const { return m_NrOfNodes; }
    const TrafficScenario& GetScenario() const { return m_Scenario; }
    /// What the safe cars share (owned); null when the cars drive the classic tree.
    const SafeDriving::SafeTraffic* GetSafeTraffic() const { return m_pSafeTraffic; }
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

    /// Whether UpdateUI builds the debug panel (on by default; runs without a screen may leave it out).
    void SetDebugPanelEnabled(bool isEnabled) { m_IsDebugPanelEnabled = isEnabled; }

private:
    void SpawnCar();
    void BuildDebugPanel();

    TrafficScenario m_Scenario;
    int m_NrOfCars = RoadNetwork::DefaultNrOfCars;
    std::vector<Car*> m_Cars;
    std::vector<int> m_TakenStartNodes;
    std::vector<Vemox::StaticBoxCollider*> m_Walls;
    std::vector<TrafficLight> m_TrafficLights;
    bool m_DrawPathOfFirstCar = false;
    bool m_DrawVisionOfFirstCar = false;
    int m_NrOfNodes = 0;
    unsigned int m_CellSize = RoadNetwork::CellSize;
    TrafficGraph* m_pGridGraph = nullptr;
    Vemox::GraphRenderer* m_pGraphRenderer = nullptr;
    bool m_DrawGrid = true;
    bool m_DrawNodeNumbers = false;
    bool m_DrawConnections = false;
    bool m_DrawConnectionCosts = false;
    Vemox::Heuristic m_pHeuristic = Vemox::Chebyshev;
    bool m_IsDebugPanelEnabled = true;
    SafeDriving::SafeTraffic* m_pSafeTraffic = nullptr;
};
