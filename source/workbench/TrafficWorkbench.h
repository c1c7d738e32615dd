// The traffic simulation as an interactive tool: the documented world and panel, plus a car
// inspector with its live behaviour tree, live statistics, scenario controls and help, opened by keys
// and clicks. Without input it shows and does exactly what the plain application does.
#pragma once

#include "CarInspection.h"
#include "TrafficStatistics.h"
#include "app/App_TrafficSimulation.h"
#include "app/TrafficMonitor.h"
#include "app/TrafficScenario.h"
#include "framework/VemoxCore/IApp.h"

#include <memory>

namespace Vemox
{
class Camera2D;
class TimeControl;
} // namespace Vemox

/// Owns the world (the application and its traffic monitor) and rebuilds it on Restart. The time
/// controls are borrowed from the program (which steps the world by them) and must outlive it.
class TrafficWorkbench final : public Vemox::IApp
{
public:
    /// startSeed: the seed the program gave the random generator before the first world is built.
    TrafficWorkbench(Vemox::TimeControl& timeControl, unsigned int startSeed,
                     const TrafficScenario& scenario = TrafficScenario{});
    ~TrafficWorkbench() override;

    /// Builds the first world from the scenario, with the generator as the program seeded it.
    void Start() override;
    /// The documented panel, then the tools' windows that are open.
    void UpdateUI(float deltaTime) override;
    /// One simulation step of the world, then the monitor and the statistics observe it.
    void Update(float deltaTime) override;
    /// The world, then the selected car's ring and its switched-on path and vision.
    void Render(float deltaTime) override;
    /// Esc clears the selection, F follows the selected car, H or F1 toggles the help, S the
    /// statistics, C the scenario window.
    void OnKeyPressed(int keyCode) override;
    /// Selects the car under the pixel (and opens the inspector), or clears the selection.
    void OnClick(int x, int y) override;

    /// Rebuilds the world from scenario with the generator seeded with seed; keeps the time controls and
    /// the open windows, and the view unless the city changes size (then the new city is fitted into it);
    /// clears the selection.
    void Restart(const TrafficScenario& scenario, unsigned int seed);

    App_TrafficSimulation& GetApp() const { return *m_pApp; }
    const TrafficMonitor& GetMonitor() const { return *m_pMonitor; }
    const TrafficStatistics& GetStatistics() const { return m_Statistics; }
    /// The scenario and the seed of the world that runs now.
    const TrafficScenario& GetScenario() const { return m_Scenario; }
    unsigned int GetSeed() const { return m_Seed; }

    /// Index of the selected car, -1 for none.
    int GetSelectedCar() const { return m_SelectedCar; }
    void SelectCar(int carIndex);
    bool IsFollowing() const { return m_IsFollowing; }
    /// The selected car as the inspector shows it, refreshed with every UI frame while it is open.
    const CarInspection& GetInspection() const { return m_Inspection; }

    struct Windows
    {
        bool inspector = false;
        bool statistics = false;
        bool scenario = false;
        bool help = false;
    };
    const Windows& GetOpenWindows() const { return m_Open; }
    void SetOpenWindows(const Windows& open) { m_Open = open; }

private:
    void BuildWorld();
    void BuildInspectorWindow();
    void BuildStatisticsWindow();
    void BuildScenarioWindow();
    void BuildHelpWindow();
    void BuildTimeButtons();
    void BuildTimeStatus(const Vemox::Camera2D& camera);
    /// The car that the inspector, ring and follow refer to, or null.
    const Car* GetSelected() const;

    Vemox::TimeControl& m_TimeControl;
    TrafficScenario m_Scenario;
    unsigned int m_Seed;
    std::unique_ptr<App_TrafficSimulation> m_pApp;
    std::unique_ptr<TrafficMonitor> m_pMonitor;
    TrafficStatistics m_Statistics;

    int m_SelectedCar = -1;
    bool m_IsFollowing = false;
    bool m_DrawSelectedPath = false;
    bool m_DrawSelectedVision = false;
    CarInspector m_Inspector;
    CarInspection m_Inspection;
    Windows m_Open;

    /// The scenario window's fields: what Restart builds next.
    TrafficScenario m_NextScenario;
    unsigned int m_NextSeed;
    bool m_RestartRequested = false;
};
