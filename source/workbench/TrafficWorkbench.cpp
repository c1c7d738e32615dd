// The interactive traffic simulation: world ownership and restart, selection and follow, and the
// Inspector, Statistics, Scenario and Help windows around the documented panel.
#include "TrafficWorkbench.h"

#include "CarPicking.h"
#include "app/Car.h"
#include "app/CityControls.h"
#include "framework/AppFrame/TimeControl.h"
#include "framework/VemoxAI/DecisionMaking/BehaviorTree.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/Camera2D.h"
#include "framework/VemoxRendering/SDLIntegration/SDLDebugRenderer2D/SDLDebugRenderer2D.h"

#include <SDL.h>
#include <imgui.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

using namespace Vemox;

namespace
{
// The ring around the selected car: three circles a quarter unit apart read as one thick line.
constexpr Color RingColor{1.f, 0.85f, 0.f, 1.f};
constexpr float RingGap = 1.f; // world units between the car's disc and the ring
constexpr int NrOfRingLines = 3;
constexpr float RingLineSpacing = 0.25f;

// Default places of the windows (first use only; afterwards imgui.ini remembers them). All lie left of
// the documented panel, which takes the right 210 pixels.
constexpr float Margin = 10.f;
// The tools' windows end above a strip at the bottom, where the time status shows.
constexpr float StatusStrip = 14.f;
constexpr float InspectorWidth = 330.f;
constexpr float ToolsLeft = Margin + InspectorWidth + Margin;
constexpr float ToolsWidth = 330.f;
constexpr float PlotHeight = 36.f;

// The tools' windows hold dense text and plots over a busy world: they are less see-through than the
// documented panel (whose look stays the UI's global alpha of 0.6).
constexpr float ToolWindowAlpha = 0.9f;
const ImVec4 PlotColor{0.9f, 0.85f, 0.5f, 1.f};

const ImVec4 SuccessColor{0.35f, 0.9f, 0.35f, 1.f};
const ImVec4 FailureColor{1.f, 0.4f, 0.35f, 1.f};
const ImVec4 RunningColor{0.4f, 0.7f, 1.f, 1.f};
const ImVec4 NotVisitedColor{0.45f, 0.45f, 0.5f, 1.f};
const ImVec4 HeadingColor{1.f, 0.85f, 0.f, 1.f};

constexpr const char* SpeedLabels[TimeControl::NrOfSpeeds] = {"x1/4", "x1/2", "x1", "x2", "x4", "x8"};
constexpr const char* DriverModelNames[] = {"Classic", "Safe"};

const char* GetStateName(BehaviorState state)
{
    switch (state)
    {
    case BehaviorState::Success:
        return "Success";
    case BehaviorState::Running:
        return "Running";
    case BehaviorState::Failure:
        break;
    }
    return "Failure";
}

const ImVec4& GetStateColor(BehaviorState state)
{
    switch (state)
    {
    case BehaviorState::Success:
        return SuccessColor;
    case BehaviorState::Running:
        return RunningColor;
    case BehaviorState::Failure:
        break;
    }
    return FailureColor;
}

void SetTreeRecording(const App_TrafficSimulation& app)
{
    // Every car records, so that a car picked while paused already shows its last tick.
    for (Car* pCar : app.GetCars())
    {
        if (auto* pTree = dynamic_cast<BehaviorTree*>(pCar->GetDecisionMaking()))
            pTree->SetRecording(true);
    }
}

// The UI library grows a window's vertex and index buffers whenever a frame draws more than any frame
// before (a longer path, a fuller plot). Reserved once for the most a tool window shows, watching a car
// allocates nothing from frame to frame.
constexpr int ToolWindowVertices = 16384;

void ReserveToolWindowBuffers()
{
    ImDrawList* pDrawList = ImGui::GetWindowDrawList();
    if (pDrawList->VtxBuffer.Capacity < ToolWindowVertices)
    {
        pDrawList->VtxBuffer.reserve(ToolWindowVertices);
        pDrawList->IdxBuffer.reserve(ToolWindowVertices * 3 / 2);
    }
}

// Begin and End of a tool window, with its own alpha around it.
bool BeginToolWindow(const char* pName, bool* pIsOpen, ImGuiWindowFlags flags = 0)
{
    ImGui::PushStyleVar(ImGuiStyleVar_Alpha, ToolWindowAlpha);
    if (ImGui::Begin(pName, pIsOpen, flags))
    {
        ReserveToolWindowBuffers();
        return true;
    }
    ImGui::End();
    ImGui::PopStyleVar();
    return false;
}

void EndToolWindow()
{
    ImGui::End();
    ImGui::PopStyleVar();
}

float GetViewportHeight()
{
    return ImGui::GetIO().DisplaySize.y;
}

void HelpLine(const char* pKeys, const char* pAction)
{
    ImGui::TextUnformatted(pKeys);
    ImGui::SameLine(110.f);
    ImGui::TextUnformatted(pAction);
}
} // namespace

TrafficWorkbench::TrafficWorkbench(TimeControl& timeControl, unsigned int startSeed,
                                   const TrafficScenario& scenario)
    : m_TimeControl(timeControl), m_Scenario(scenario), m_Seed(startSeed), m_NextScenario(scenario),
      m_NextSeed(startSeed)
{
}

TrafficWorkbench::~TrafficWorkbench()
{
    // The monitor watches the application.
    m_pMonitor.reset();
    m_pApp.reset();
}

void TrafficWorkbench::Start()
{
    BuildWorld();
}

void TrafficWorkbench::BuildWorld()
{
    m_pApp = std::make_unique<App_TrafficSimulation>(m_Scenario);
    m_pApp->Start();
    m_pMonitor = std::make_unique<TrafficMonitor>(*m_pApp);
    SetTreeRecording(*m_pApp);
    m_Statistics.Clear();
}

void TrafficWorkbench::Restart(const TrafficScenario& scenario, unsigned int seed)
{
    // The new application places the view as at start-up; the user's view and switches stay.
    Camera2D* pCamera = SDLDebugRenderer2D::GetInstance()->GetActiveCamera();
    const Vector2D center = pCamera != nullptr ? pCamera->GetCenter() : Vector2D{};
    const float zoom = pCamera != nullptr ? pCamera->GetZoom() : 0.f;
    const App_TrafficSimulation::DebugSwitches switches = m_pApp->GetDebugSwitches();
    const CityLayout previousCity = m_pApp->GetCity().GetLayout();

    m_SelectedCar = -1;
    m_IsFollowing = false;
    m_Inspection = CarInspection{};
    m_Inspector = CarInspector{};
    m_pMonitor.reset();
    m_pApp.reset(); // every body leaves the physics world, which stays

    m_Scenario = scenario;
    m_Seed = seed;
    std::srand(seed);
    BuildWorld();

    m_pApp->SetDebugSwitches(switches);
    // A city of another size is shown whole; the same city keeps the user's view.
    if (m_pApp->GetCity().GetLayout() != previousCity)
    {
        m_pApp->FitView();
    }
    else if (pCamera != nullptr)
    {
        pCamera->SetCenter(center);
        pCamera->SetZoom(zoom);
    }
}

void TrafficWorkbench::UpdateUI(float deltaTime)
{
    m_pApp->UpdateUI(deltaTime);

    const Camera2D* pCamera = SDLDebugRenderer2D::GetInstance()->GetActiveCamera();
    // Panning by hand takes the view back from the followed car.
    if (pCamera != nullptr && pCamera->IsDragging())
        m_IsFollowing = false;
    if (ImGui::GetCurrentContext() == nullptr)
        return;

    if (m_Open.inspector && GetSelected() != nullptr)
        BuildInspectorWindow();
    if (m_Open.statistics)
        BuildStatisticsWindow();
    if (m_Open.scenario)
        BuildScenarioWindow();
    if (m_Open.help)
        BuildHelpWindow();
    if (pCamera != nullptr && !m_TimeControl.IsAtDefault())
        BuildTimeStatus(*pCamera);

    // Last, so that no window of this frame refers to the old world.
    if (m_RestartRequested)
    {
        m_RestartRequested = false;
        Restart(m_NextScenario, m_NextSeed);
    }
}

void TrafficWorkbench::Update(float deltaTime)
{
    m_pApp->Update(deltaTime);
    m_pMonitor->Observe(deltaTime);
    m_Statistics.Update(*m_pMonitor, static_cast<int>(m_pApp->GetCars().size()));
}

void TrafficWorkbench::Render(float deltaTime)
{
    const Car* pSelected = GetSelected();
    // Centred before anything is drawn, so that the world and its text labels agree.
    Camera2D* pCamera = SDLDebugRenderer2D::GetInstance()->GetActiveCamera();
    if (pSelected != nullptr && m_IsFollowing && pCamera != nullptr)
        pCamera->SetCenter(pSelected->GetPosition());

    m_pApp->Render(deltaTime);
    if (pSelected == nullptr)
        return;
    if (m_DrawSelectedPath)
        m_pApp->RenderCarPath(*pSelected);
    if (m_DrawSelectedVision)
        m_pApp->RenderCarVision(*pSelected);
    SDLDebugRenderer2D* pRenderer = SDLDebugRenderer2D::GetInstance();
    for (int i = 0; i < NrOfRingLines; ++i)
    {
        const float radius = Car::Radius + RingGap + RingLineSpacing * static_cast<float>(i);
        pRenderer->DrawCircle(pSelected->GetPosition(), radius, RingColor, 0.f);
    }
}

void TrafficWorkbench::OnKeyPressed(int keyCode)
{
    switch (keyCode)
    {
    case SDLK_ESCAPE:
        m_SelectedCar = -1;
        m_IsFollowing = false;
        m_Open.inspector = false;
        break;
    case SDLK_f:
        m_IsFollowing = GetSelected() != nullptr && !m_IsFollowing;
        break;
    case SDLK_h:
    case SDLK_F1:
        m_Open.help = !m_Open.help;
        break;
    case SDLK_s:
        m_Open.statistics = !m_Open.statistics;
        break;
    case SDLK_c:
        m_Open.scenario = !m_Open.scenario;
        break;
    default:
        break;
    }
}

void TrafficWorkbench::OnClick(int x, int y)
{
    const Camera2D* pCamera = SDLDebugRenderer2D::GetInstance()->GetActiveCamera();
    if (pCamera == nullptr)
        return;
    const int picked = CarPicking::PickCar(m_pApp->GetCars(), *pCamera, x, y);
    if (picked >= 0)
        SelectCar(picked);
}

void TrafficWorkbench::SelectCar(int carIndex)
{
    if (carIndex < 0 || static_cast<size_t>(carIndex) >= m_pApp->GetCars().size())
    {
        m_SelectedCar = -1;
        m_IsFollowing = false;
        return;
    }
    m_SelectedCar = carIndex;
    m_Open.inspector = true;
}

const Car* TrafficWorkbench::GetSelected() const
{
    const std::vector<Car*>& cars = m_pApp->GetCars();
    return m_SelectedCar >= 0 && static_cast<size_t>(m_SelectedCar) < cars.size()
               ? cars[static_cast<size_t>(m_SelectedCar)]
               : nullptr;
}

void TrafficWorkbench::BuildInspectorWindow()
{
    ImGui::SetNextWindowPos(ImVec2(Margin, Margin), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(InspectorWidth, GetViewportHeight() - 2.f * Margin - StatusStrip),
                             ImGuiCond_FirstUseEver);
    if (!BeginToolWindow("Inspector", &m_Open.inspector))
        return;
    m_Inspector.Inspect(*m_pApp, *m_pMonitor, m_SelectedCar, m_Inspection);
    const CarInspection& car = m_Inspection;

    ImGui::TextColored(HeadingColor, "Car #%d", car.carIndex);
    ImGui::SameLine();
    // The car's own colour, unblended: the UI's global alpha would tint a styled swatch.
    const ImVec2 corner = ImGui::GetCursorScreenPos();
    const float swatch = ImGui::GetTextLineHeight();
    ImGui::GetWindowDrawList()->AddRectFilled(corner, ImVec2(corner.x + 2.f * swatch, corner.y + swatch),
                                              ImColor(car.color.r, car.color.g, car.color.b));
    ImGui::Dummy(ImVec2(2.f * swatch, swatch));

    char text[96];
    ImGui::Text("State     %s", DescribeActivity(car.activity, car.waitingForCar, text, sizeof(text)));
    ImGui::Text("Position  %.1f, %.1f, heading %.0f deg", static_cast<double>(car.position.x),
                static_cast<double>(car.position.y), static_cast<double>(car.headingDegrees));
    ImGui::Text("Speed     %.1f (max %.1f) units/s", static_cast<double>(car.speed),
                static_cast<double>(car.maxSpeed));
    if (car.connectionFrom >= 0)
        ImGui::Text("Cell      %d, road %d -> %d, cost %.0f", car.cell, car.connectionFrom, car.connectionTo,
                    static_cast<double>(car.connectionCost));
    else
        ImGui::Text("Cell      %d, no road to its next point", car.cell);
    ImGui::Text("Goal      cell %d, %zu cells, %.1f units", car.destinationCell, car.pathCells.size(),
                static_cast<double>(car.pathLength));
    char path[512];
    int written = 0;
    for (const int cell : car.pathCells)
    {
        const int room = static_cast<int>(sizeof(path)) - written;
        const int length = std::snprintf(path + written, static_cast<size_t>(room), "%d ", cell);
        if (length < 0 || length >= room)
            break;
        written += length;
    }
    path[written] = '\0';
    ImGui::PushStyleColor(ImGuiCol_Text, NotVisitedColor);
    ImGui::TextWrapped("%s", path);
    ImGui::PopStyleColor();
    ImGui::Text("Trips     %d, mean %.1f s", car.tripsDone, car.meanTripTime);
    ImGui::Checkbox("Draw path", &m_DrawSelectedPath);
    ImGui::SameLine();
    ImGui::Checkbox("Draw vision", &m_DrawSelectedVision);
    ImGui::SameLine();
    ImGui::Checkbox("Follow (F)", &m_IsFollowing);

    ImGui::Separator();
    ImGui::TextColored(HeadingColor, "Behaviour tree%s", car.hasTreeRecord ? "" : " (not run since start)");
    for (const CarInspection::TreeNode& node : car.tree)
    {
        const float indent = 12.f * static_cast<float>(node.depth);
        if (indent > 0.f)
            ImGui::Indent(indent);
        const ImVec4& color = node.wasVisited ? GetStateColor(node.state) : NotVisitedColor;
        ImGui::TextColored(color, "%s", node.name.c_str());
        ImGui::SameLine(InspectorWidth - 80.f);
        ImGui::TextColored(color, "%s", node.wasVisited ? GetStateName(node.state) : "-");
        if (indent > 0.f)
            ImGui::Unindent(indent);
    }

    ImGui::Separator();
    ImGui::TextColored(HeadingColor, "Blackboard");
    for (const CarInspection::BlackboardEntry& entry : car.blackboard)
    {
        ImGui::Text("%s = %s", entry.name.c_str(), entry.value.data());
        ImGui::PushStyleColor(ImGuiCol_Text, NotVisitedColor);
        ImGui::Indent(12.f);
        ImGui::TextWrapped("%s", entry.type.c_str());
        ImGui::Unindent(12.f);
        ImGui::PopStyleColor();
    }
    EndToolWindow();
}

void TrafficWorkbench::BuildStatisticsWindow()
{
    ImGui::SetNextWindowPos(ImVec2(ToolsLeft, Margin), ImGuiCond_FirstUseEver);
    ImGui::SetNextWindowSize(ImVec2(ToolsWidth, GetViewportHeight() - 2.f * Margin - StatusStrip),
                             ImGuiCond_FirstUseEver);
    if (!BeginToolWindow("Statistics", &m_Open.statistics))
        return;
    BuildTimeButtons();
    ImGui::Separator();
    const TrafficStatistics::Figures& figures = m_Statistics.GetFigures();
    if (m_Statistics.GetNrOfSamples() == 0)
    {
        ImGui::TextUnformatted("The first figures come after one simulated second.");
        EndToolWindow();
        return;
    }
    ImGui::Text("Simulated %.0f s, %d cars", figures.time, figures.nrOfCars);

    const float cars = static_cast<float>(figures.nrOfCars);
    const auto plot = [](const char* pId, const FigureHistory& history, float scaleMax)
    {
        ImGui::PushStyleColor(ImGuiCol_PlotLines, PlotColor);
        ImGui::PlotLines(pId, history.GetValues(), history.GetCount(), history.GetOffset(), nullptr, 0.f,
                         scaleMax, ImVec2(ImGui::GetContentRegionAvail().x, PlotHeight));
        ImGui::PopStyleColor();
    };
    ImGui::Text("Moving             %d", figures.moving);
    plot("##moving", m_Statistics.GetMoving(), cars);
    ImGui::Text("Stopped at red     %d", figures.stoppedAtRedLight);
    plot("##red", m_Statistics.GetStoppedAtRedLight(), cars);
    ImGui::Text("Stopped for a car  %d", figures.stoppedForCar);
    plot("##car", m_Statistics.GetStoppedForCar(), cars);
    ImGui::Text("Mean speed         %.1f units/s", static_cast<double>(figures.meanSpeed));
    const float speedMax = m_Statistics.GetMeanSpeed().GetMax();
    plot("##speed", m_Statistics.GetMeanSpeed(), speedMax > 0.f ? speedMax : 1.f);
    ImGui::Text("Trips so far       %d (mean %.1f s)", figures.tripsCompleted, figures.meanTripTime);
    ImGui::Text("Contacts begun     %lld", static_cast<long long>(figures.contacts));
    ImGui::Text("Gridlock           %d cars still over %.0f s%s", figures.gridlocked,
                static_cast<double>(TrafficMonitor::GridlockSeconds),
                figures.circularWait ? ", waiting in a cycle" : "");
    EndToolWindow();
}

void TrafficWorkbench::BuildScenarioWindow()
{
    ImGui::SetNextWindowPos(ImVec2(ToolsLeft, Margin), ImGuiCond_FirstUseEver);
    if (!BeginToolWindow("Scenario", &m_Open.scenario, ImGuiWindowFlags_AlwaysAutoResize))
        return;
    const int driver = static_cast<int>(m_Scenario.driver);
    ImGui::Text("Running: %d cars, seed %u", m_Scenario.nrOfCars, m_Seed);
    ImGui::Text("light phase %.1f s, %s driver", static_cast<double>(m_Scenario.lightPhase),
                DriverModelNames[driver]);
    ImGui::Separator();
    ImGui::PushItemWidth(150.f);
    ImGui::SliderInt("Cars", &m_NextScenario.nrOfCars, RoadNetwork::MinNrOfCars,
                     m_NextScenario.city.GetNrOfRoadCells());
    ImGui::InputScalar("Seed", ImGuiDataType_U32, &m_NextSeed);
    ImGui::SameLine();
    if (ImGui::Button("Random"))
        m_NextSeed = static_cast<unsigned int>(std::time(nullptr)); // as the program's start-up draws it
    ImGui::SliderFloat("Light phase", &m_NextScenario.lightPhase, 1.f, 30.f, "%.1f s");
    int nextDriver = static_cast<int>(m_NextScenario.driver);
    if (ImGui::Combo("Driver", &nextDriver, DriverModelNames, IM_ARRAYSIZE(DriverModelNames)))
        m_NextScenario.driver = static_cast<DriverModel>(nextDriver);
    ImGui::PopItemWidth();
    if (ImGui::Button("Restart"))
        m_RestartRequested = true;
    ImGui::SameLine();
    if (ImGui::Button("Defaults"))
        m_NextScenario = TrafficScenario{};
    ImGui::Separator();
    ImGui::PushItemWidth(150.f);
    if (BuildCityControls(m_pApp->GetCity(), m_NextScenario))
        m_pApp->FitView();
    ImGui::PopItemWidth();
    EndToolWindow();
}

void TrafficWorkbench::BuildHelpWindow()
{
    ImGui::SetNextWindowPos(ImVec2(Margin, Margin), ImGuiCond_FirstUseEver);
    if (!BeginToolWindow("Help", &m_Open.help, ImGuiWindowFlags_AlwaysAutoResize))
        return;
    HelpLine("Space", "pause and resume");
    HelpLine("N, Right", "one step of 1/60 s while paused");
    HelpLine("[  ]", "slower, faster (x1/4 to x8)");
    HelpLine("Left click", "select a car and inspect it");
    HelpLine("Esc", "clear the selection");
    HelpLine("F", "follow the selected car");
    HelpLine("Right drag", "pan (ends follow)");
    HelpLine("Wheel", "zoom");
    HelpLine("S", "statistics");
    HelpLine("C", "scenario: cars, seed, city, restart");
    HelpLine("H, F1", "this help");
    ImGui::Separator();
    BuildTimeButtons();
    if (ImGui::Button("Scenario..."))
        m_Open.scenario = true;
    EndToolWindow();
}

void TrafficWorkbench::BuildTimeButtons()
{
    if (ImGui::Button(m_TimeControl.IsPaused() ? "Resume" : "Pause"))
        m_TimeControl.TogglePause();
    ImGui::SameLine();
    ImGui::BeginDisabled(!m_TimeControl.IsPaused());
    if (ImGui::Button("Step"))
        m_TimeControl.RequestSingleStep();
    ImGui::EndDisabled();
    for (int i = 0; i < TimeControl::NrOfSpeeds; ++i)
    {
        if (i > 0)
            ImGui::SameLine();
        if (ImGui::RadioButton(SpeedLabels[i], m_TimeControl.GetSpeedIndex() == i))
            m_TimeControl.SetSpeedIndex(i);
    }
}

void TrafficWorkbench::BuildTimeStatus(const Camera2D& camera)
{
    // A line in the strip below the tools' default places, drawn above every window: a window of its
    // own would hide behind them.
    char text[64];
    if (m_TimeControl.IsPaused())
        std::snprintf(text, sizeof(text), "Paused at %s (Space: run, N: step)",
                      SpeedLabels[m_TimeControl.GetSpeedIndex()]);
    else
        std::snprintf(text, sizeof(text), "Speed %s", SpeedLabels[m_TimeControl.GetSpeedIndex()]);
    const ImVec2 size = ImGui::CalcTextSize(text);
    const ImVec2 corner(Margin, static_cast<float>(camera.GetHeight()) - Margin - size.y);
    ImDrawList* pDrawList = ImGui::GetForegroundDrawList();
    pDrawList->AddRectFilled(ImVec2(corner.x - 3.f, corner.y - 1.f),
                             ImVec2(corner.x + size.x + 3.f, corner.y + size.y + 1.f),
                             ImColor(0.f, 0.f, 0.f, 0.7f));
    pDrawList->AddText(corner, ImColor(HeadingColor), text);
}
