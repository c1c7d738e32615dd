// Start-up, per-frame update and drawing of the traffic simulation, and its debug panel.
#include "App_TrafficSimulation.h"

#include "Car.h"
#include "CarBehavior.h"
#include "CarGrid.h"
#include "CityControls.h"
#include "RoutePlanner.h"
#include "SafeDriving.h"
#include "StartNodePicker.h"
#include "framework/Physics/StaticBoxCollider.h"
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "framework/VemoxAI/DecisionMaking/Blackboard.h"
#include "framework/VemoxAI/VemoxGraphs/GraphRenderer.h"
#include "framework/VemoxCore/VemoxAssert.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

using namespace Vemox;

namespace
{
constexpr float PathDotRadius = 2.5f;
constexpr Color PathDotColor{0.5f, 1.f, 0.25f, 1.f};
constexpr float VisionRadius = 40.f;
constexpr Color VisionCircleColor{0.f, 1.f, 0.f, 1.f};
constexpr Color VisionRayColor{0.f, 0.f, 1.f, 1.f};
constexpr float PanelWidth = 200.f;
constexpr float PanelMargin = 10.f;

// One channel of a car colour. The generator's range here is far larger than 32767, so the draw is
// reduced to 0..32767 first: one rand() call per channel, uniformly spread over [0, 1].
float RandomChannel()
{
    return static_cast<float>(rand() % 32768) / 32767.f;
}

void Spacing(int count)
{
    for (int i = 0; i < count; ++i)
        ImGui::Spacing();
}
} // namespace

App_TrafficSimulation::App_TrafficSimulation(int nrOfCars)
    : App_TrafficSimulation(TrafficScenario{nrOfCars, RoadNetwork::LightPhase, DriverModel::Classic})
{
}

App_TrafficSimulation::App_TrafficSimulation(const TrafficScenario& scenario)
    : m_Scenario(scenario), m_City(scenario.city), m_NrOfCars(scenario.nrOfCars)
{
    VEMOX_ASSERT(scenario.nrOfCars >= 0 && scenario.nrOfCars <= m_City.GetNrOfRoadCells() &&
                 "<App_TrafficSimulation>: more cars than road cells to start on");
}

App_TrafficSimulation::~App_TrafficSimulation()
{
    delete m_pGridGraph;
    m_pGridGraph = nullptr;
    delete m_pGraphRenderer;
    m_pGraphRenderer = nullptr;
    delete m_pCarGrid;
    m_pCarGrid = nullptr;
    delete m_pRoutePlanner;
    m_pRoutePlanner = nullptr;
    for (Car*& pCar : m_Cars)
    {
        delete pCar;
        pCar = nullptr;
    }
    m_Cars.clear();
    for (StaticBoxCollider*& pWall : m_Walls)
    {
        delete pWall;
        pWall = nullptr;
    }
    m_Walls.clear();
    // The cars' blackboards pointed at it; they are gone.
    delete m_pSafeTraffic;
    m_pSafeTraffic = nullptr;
}

void App_TrafficSimulation::FitView()
{
    if (Camera2D* pCamera = SDLDebugRenderer2D::GetInstance()->GetActiveCamera())
        FitViewToCity(*pCamera, m_City, m_IsDebugPanelEnabled ? PanelWidth + 2.f * PanelMargin : 0.f);
}

void App_TrafficSimulation::Start()
{
    const float width = m_City.GetWorldWidth();
    const float height = m_City.GetWorldHeight();
    m_Walls.push_back(new StaticBoxCollider({-1.f, height / 2.f}, 2.f, height + 4.f));
    m_Walls.push_back(new StaticBoxCollider({width + 1.f, height / 2.f}, 2.f, height + 4.f));
    m_Walls.push_back(new StaticBoxCollider({width / 2.f, height + 1.f}, width, 2.f));
    m_Walls.push_back(new StaticBoxCollider({width / 2.f, -1.f}, width, 2.f));

    m_NrOfNodes = m_City.GetNrOfNodes();
    m_pGraphRenderer = new GraphRenderer(1);

    if (Camera2D* pCamera = SDLDebugRenderer2D::GetInstance()->GetActiveCamera())
    {
        pCamera->SetZoom(39.f);
        pCamera->SetCenter({73.f, 35.f});
    }

    CreateRoadNetwork();
    m_pCarGrid = new CarGrid(m_pGridGraph->GetNrOfColumns(), m_pGridGraph->GetNrOfRows(),
                             static_cast<float>(m_pGridGraph->GetCellSize()));
    if (m_Scenario.driver == DriverModel::Safe)
    {
        std::vector<RoadNetwork::RaisedConnection> ring; // the ring's connections: those at its cost
        for (const RoadConnection& connection : m_City.GetRoadConnections())
            if (connection.cost == RoadNetwork::RingCost)
                ring.push_back({connection.from, connection.to, connection.cost});
        const float ringCost = SafeDriving::RingPlanningCost(static_cast<float>(ring.size()) /
                                                             static_cast<float>(m_City.GetNrOfRoadCells()));
        m_pSafeTraffic =
            new SafeDriving::SafeTraffic(m_Cars, m_TrafficLights, static_cast<size_t>(m_NrOfCars),
                                         m_City.GetPlanningRaise(), std::move(ring), ringCost);
    }

    m_Cars.reserve(static_cast<size_t>(m_NrOfCars));
    m_TakenStartNodes.reserve(static_cast<size_t>(m_NrOfCars));
    StartNodePicker startNodePicker(m_City);
    for (int i = 0; i < m_NrOfCars; ++i)
        SpawnCar(startNodePicker);

    m_TrafficLights.reserve(m_City.GetTrafficLights().size());
    for (const RoadNetwork::LightPlacement& placement : m_City.GetTrafficLights())
    {
        const float phase = m_Scenario.lightPhase;
        const float timer = placement.startsRed ? phase : 0.f;
        m_TrafficLights.push_back({placement.fromNode, placement.toNode, timer, placement.startsRed, phase});
    }
}

void App_TrafficSimulation::SpawnCar(StartNodePicker& startNodePicker)
{
    const int startNode = startNodePicker.Pick();
    m_TakenStartNodes.push_back(startNode);

    const Vector2D position = m_pGridGraph->GetNodeWorldPos(startNode);
    const float red = RandomChannel();
    const float blue = RandomChannel();
    const float green = RandomChannel();

    Car* pCar = new Car(position, position, Color{red, green, blue, 1.f});
    Blackboard* pBlackboard = CreateBlackboard(pCar);
    if (m_pSafeTraffic != nullptr)
    {
        pBlackboard->AddData(RoadNetwork::Keys::SafeTraffic, m_pSafeTraffic);
        pBlackboard->AddData(RoadNetwork::Keys::CarIndex, static_cast<int>(m_Cars.size()));
        pCar->SetDecisionMaking(new BehaviorTree(pBlackboard, SafeDriving::CreateSafeBehaviorRoot()));
        // A disc's angle plays no part in its contacts, and the safe rules read it only for a car that
        // stands dead still without a point to steer to: turning costs the physics step far less than
        // setting the angle.
        pCar->SetAutoOrientByTurning(true);
    }
    else
    {
        pCar->SetDecisionMaking(new BehaviorTree(pBlackboard, CarBehavior::CreateCarBehaviorRoot()));
    }
    m_Cars.push_back(pCar);
}

Blackboard* App_TrafficSimulation::CreateBlackboard(Car* pCar)
{
    Blackboard* pBlackboard = new Blackboard();
    pBlackboard->AddData(RoadNetwork::Keys::Car, pCar);
    pBlackboard->AddData(RoadNetwork::Keys::GridGraph, m_pGridGraph);
    pBlackboard->AddData(RoadNetwork::Keys::Heuristic, m_pHeuristic);
    pBlackboard->AddData(RoadNetwork::Keys::CarsVector, &m_Cars);
    pBlackboard->AddData(RoadNetwork::Keys::CarGrid, static_cast<const CarGrid*>(m_pCarGrid));
    pBlackboard->AddData(RoadNetwork::Keys::RoutePlanner, m_pRoutePlanner);
    return pBlackboard;
}

void App_TrafficSimulation::UpdateUI(float)
{
    if (m_IsDebugPanelEnabled)
        BuildDebugPanel();
}

void App_TrafficSimulation::Update(float deltaTime)
{
    // Positions change only in the physics step (a car's update turns it but keeps it in place), so a
    // grid built here is exact for the vision of every car in this step. It goes stale afterwards.
    if (m_pCarGrid != nullptr)
        m_pCarGrid->Rebuild(m_Cars);
    if (m_pSafeTraffic != nullptr)
    {
        m_pSafeTraffic->Advance(deltaTime);
        for (size_t i = 0; i < m_Cars.size(); ++i)
        {
            PrefetchCar(i + CarPrefetchDistance);
            m_pSafeTraffic->BeginUpdateOf(static_cast<int>(i));
            m_Cars[i]->Update(deltaTime);
            m_pSafeTraffic->EndUpdateOf(static_cast<int>(i));
        }
    }
    else
    {
        for (size_t i = 0; i < m_Cars.size(); ++i)
        {
            PrefetchCar(i + CarPrefetchDistance);
            m_Cars[i]->Update(deltaTime);
        }
    }
    // Taken after the first update, once the leaves have resolved the blackboard keys they read.
    if (m_CarFootprints.size() != m_Cars.size())
    {
        m_CarFootprints.assign(m_Cars.size(), MemoryFootprint{});
        for (size_t i = 0; i < m_Cars.size(); ++i)
            m_Cars[i]->AddFootprint(m_CarFootprints[i]);
    }
    if (m_pCarGrid != nullptr)
        m_pCarGrid->Invalidate();
    UpdateTrafficLights(deltaTime);
}

void App_TrafficSimulation::BuildDebugPanel()
{
    // The panel hugs the right edge of the viewport, which only the camera knows.
    const Camera2D* pCamera = SDLDebugRenderer2D::GetInstance()->GetActiveCamera();
    if (pCamera == nullptr)
        return;
    const float width = static_cast<float>(pCamera->GetWidth());
    const float height = static_cast<float>(pCamera->GetHeight());

    ImGui::SetNextWindowPos(ImVec2(width - PanelWidth - PanelMargin, PanelMargin), ImGuiCond_Always);
    ImGui::SetNextWindowSize(ImVec2(PanelWidth, height - 2.f * PanelMargin), ImGuiCond_Always);
    bool isOpen = true; // the close button is shown but has no effect
    ImGui::Begin("Traffic Simulation", &isOpen,
                 ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse);
    ImGui::PushAllowKeyboardFocus(false);
    ImGui::Spacing();
    ImGui::Separator();
    Spacing(2);

    const float framerate = ImGui::GetIO().Framerate;
    ImGui::Text("STATS");
    ImGui::Indent();
    ImGui::Text("%.3f ms/frame", 1000.0f / framerate);
    ImGui::Text("%.1f FPS", framerate);
    ImGui::Unindent();

    ImGui::Spacing();
    ImGui::Separator();
    Spacing(2);
    ImGui::Text("Using A* Pathfinding");
    Spacing(2);
    ImGui::Separator();
    Spacing(2);

    ImGui::Text("Car Debug");
    ImGui::Checkbox("Draw Path of First Car", &m_DrawPathOfFirstCar);
    ImGui::Checkbox("Draw vision of First Car", &m_DrawVisionOfFirstCar);

    ImGui::Spacing();
    ImGui::Separator();
    Spacing(2);
    ImGui::Checkbox("Grid", &m_DrawGrid);
    ImGui::Checkbox("NodeNumbers", &m_DrawNodeNumbers);
    ImGui::Checkbox("Connections", &m_DrawConnections);
    ImGui::Checkbox("Connections Costs", &m_DrawConnectionCosts);

    ImGui::Spacing();
    ImGui::PopAllowKeyboardFocus();
    ImGui::End();
}

void App_TrafficSimulation::Render(float deltaTime)
{
    m_pGraphRenderer->RenderGraph(m_pGridGraph, m_DrawGrid, m_DrawNodeNumbers, m_DrawConnections,
                                  m_DrawConnectionCosts);

    if (m_DrawPathOfFirstCar && !m_Cars.empty())
        RenderCarPath(*m_Cars[0]);

    // A car is a disc with its arrowhead inside: only those the view can show are drawn.
    const SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const Vector2D carExtent{Car::Radius, Car::Radius};
    for (Car* pCar : m_Cars)
    {
        const Vector2D position = pCar->GetPosition();
        if (pRenderer->IsInView(position - carExtent, position + carExtent))
            pCar->Render(deltaTime);
    }

    if (m_DrawVisionOfFirstCar && !m_Cars.empty())
        RenderCarVision(*m_Cars[0]);

    RenderTrafficLights();
}

void App_TrafficSimulation::RenderCarPath(const Car& car) const
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    for (const Vector2D& point : car.GetPath())
        pRenderer->DrawSolidCircle(point, PathDotRadius, {0.f, 0.f}, PathDotColor, 0.f);
}

void App_TrafficSimulation::RenderCarVision(const Car& car) const
{
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    const Vector2D p = car.GetPosition();
    const CarBehavior::VisionCone cone = CarBehavior::GetVisionCone(car.GetRotation());
    pRenderer->DrawCircle(p, VisionRadius, VisionCircleColor, 0.f);
    pRenderer->DrawSegment(p, p + FromPolar(VisionRadius, cone.lo), VisionRayColor, 0.f);
    pRenderer->DrawSegment(p, p + FromPolar(VisionRadius, cone.hi), VisionRayColor, 0.f);
}

int App_TrafficSimulation::GetDeadlocksResolved() const
{
    return m_pSafeTraffic != nullptr ? m_pSafeTraffic->GetCyclesResolved() : 0;
}

App_TrafficSimulation::DebugSwitches App_TrafficSimulation::GetDebugSwitches() const
{
    return {m_DrawPathOfFirstCar, m_DrawVisionOfFirstCar, m_DrawGrid,
            m_DrawNodeNumbers,    m_DrawConnections,      m_DrawConnectionCosts};
}

void App_TrafficSimulation::SetDebugSwitches(const DebugSwitches& switches)
{
    m_DrawPathOfFirstCar = switches.drawPathOfFirstCar;
    m_DrawVisionOfFirstCar = switches.drawVisionOfFirstCar;
    m_DrawGrid = switches.drawGrid;
    m_DrawNodeNumbers = switches.drawNodeNumbers;
    m_DrawConnections = switches.drawConnections;
    m_DrawConnectionCosts = switches.drawConnectionCosts;
}
