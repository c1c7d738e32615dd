// The run summary: the traffic monitor's figures, the run's measurements and the state hash.
#include "Report.h"

#include "app/App_TrafficSimulation.h"
#include "app/Car.h"
#include "app/SafeDriving.h"
#include "app/TrafficMonitor.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cinttypes>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace
{
std::string Hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof(text), "%016" PRIx64, value);
    return text;
}

// printf-style formatting onto a stream; the lines of the text summary are short.
__attribute__((format(printf, 2, 3))) void Print(std::ostream& out, const char* pFormat, ...)
{
    char line[512];
    va_list arguments;
    va_start(arguments, pFormat);
    std::vsnprintf(line, sizeof(line), pFormat, arguments);
    va_end(arguments);
    out << line;
}

double FramesPerSecond(const RunMeasurements& measurements)
{
    return static_cast<double>(measurements.framesRun) / measurements.wallSeconds;
}

const char* DriverName(DriverModel driver)
{
    return driver == DriverModel::Safe ? "safe" : "classic";
}

/// Cars of the safe driver that took another way because the cell beyond a junction stayed full.
int JamReroutes(const App_TrafficSimulation& app)
{
    return app.GetSafeTraffic() != nullptr ? app.GetSafeTraffic()->GetReroutes() : 0;
}

/// What last held back a car of the safe driver, as the reports name it.
const char* HeldByName(SafeDriving::WaitReason reason)
{
    using SafeDriving::WaitReason;
    switch (reason)
    {
    case WaitReason::Following:
        return "car";
    case WaitReason::Light:
        return "light";
    case WaitReason::Junction:
        return "junction";
    case WaitReason::Merge:
        return "merge";
    case WaitReason::None:
        break;
    }
    return "nothing";
}

/// What last held back each of the safe driver's cars that have stood for over a minute: a car ahead or
/// in the way, a light, a junction (no room beyond, or priority), a merge, or nothing recorded. Empty for
/// the classic driver, which records no reasons.
std::vector<std::pair<const char*, int>> GridlockHeldBy(const App_TrafficSimulation& app,
                                                        const std::vector<int>& gridlocked)
{
    using SafeDriving::WaitReason;
    const SafeDriving::SafeTraffic* pTraffic = app.GetSafeTraffic();
    if (pTraffic == nullptr)
        return {};
    constexpr WaitReason Reasons[] = {WaitReason::Following, WaitReason::Light, WaitReason::Junction,
                                      WaitReason::Merge, WaitReason::None};
    std::vector<std::pair<const char*, int>> counts;
    for (const WaitReason reason : Reasons)
        counts.emplace_back(HeldByName(reason), 0);
    for (const int car : gridlocked)
        for (size_t k = 0; k < counts.size(); ++k)
            if (Reasons[k] == pTraffic->GetMemory(car).reason)
                ++counts[k].second;
    return counts;
}

const char* StopName(StopReason reason)
{
    switch (reason)
    {
    case StopReason::Moving:
        return "moving";
    case StopReason::RedLight:
        return "red_light";
    case StopReason::AnotherCar:
        return "another_car";
    case StopReason::Other:
        break;
    }
    return "other";
}

/// [column, row] of a node, null for none.
nlohmann::ordered_json CellOf(const TrafficGraph& graph, int node)
{
    if (node == Vemox::invalid_node_index)
        return nullptr;
    const int columns = graph.GetNrOfColumns();
    return {node % columns, node / columns};
}

/// [column, row] of the cell at a world position, null off the grid.
nlohmann::ordered_json CellAt(const TrafficGraph& graph, const Vemox::Vector2D& position)
{
    return CellOf(graph, graph.GetNodeIdxAtWorldPos(position));
}

/// The kind of road at a world position: the one-way ring round the city, a junction, an inner road,
/// a block's inside, or "none" off the grid.
const char* RoadAt(const TrafficGraph& graph, const Vemox::Vector2D& position)
{
    const int node = graph.GetNodeIdxAtWorldPos(position);
    if (node == Vemox::invalid_node_index)
        return "none";
    switch (graph.GetNode(node)->GetTerrainType())
    {
    case Vemox::TerrainType::Intersection:
        return "junction";
    case Vemox::TerrainType::Default:
        break;
    default:
        return "block";
    }
    const int column = node % graph.GetNrOfColumns();
    const int row = node / graph.GetNrOfColumns();
    const bool isRing =
        row == 0 || row == graph.GetNrOfRows() - 1 || column == 0 || column == graph.GetNrOfColumns() - 1;
    return isRing ? "ring" : "road";
}

nlohmann::ordered_json DescribeCar(const TrafficMonitor& monitor, const App_TrafficSimulation& app, int index)
{
    const TrafficGraph& graph = *app.GetGraph();
    const Car& car = *app.GetCars()[static_cast<size_t>(index)];
    nlohmann::ordered_json description = {
        {"car", index},
        {"cell", CellAt(graph, car.GetPosition())},
        {"road", RoadAt(graph, car.GetPosition())},
        {"speed", car.GetLinearVelocity().Magnitude()},
        {"stood_seconds", monitor.GetStandingFor(index)},
        {"stop", StopName(monitor.Classify(car))},
    };
    if (const SafeDriving::SafeTraffic* pTraffic = app.GetSafeTraffic())
        description["held_by"] = HeldByName(pTraffic->GetMemory(index).reason);
    description["next_cell"] =
        car.GetPath().empty() ? nlohmann::ordered_json(nullptr) : CellAt(graph, car.GetPath().front());
    return description;
}

/// The figures that compare driver models, as rates that do not depend on the run's length.
void AddDriverComparison(nlohmann::json& summary, const RunOptions& options, const TrafficMonitor& monitor,
                         const App_TrafficSimulation& app)
{
    summary["driver"] = DriverName(options.driver);
    summary["trips_per_car_hour"] = monitor.GetTripsPerCarHour();
    summary["car_contacts_per_100_car_minutes"] = monitor.GetContactsPer100CarMinutes();
    summary["deadlocks_resolved"] = monitor.GetDeadlocksResolved();
    summary["junction_entries_on_red"] = monitor.GetJunctionEntriesOnRed();
    summary["reroutes_around_jams"] = JamReroutes(app);
}
} // namespace

void WriteJsonSummary(std::ostream& out, const RunOptions& options, const RunMeasurements& measurements,
                      const TrafficMonitor& monitor, const App_TrafficSimulation& app)
{
    const double framesPerSecond = FramesPerSecond(measurements);
    const std::vector<int> gridlocked = monitor.GetGridlockedCars();
    nlohmann::json summary = {
        {"seed", options.seed},
        {"cars", options.nrOfCars},
        {"city", std::to_string(options.city.blocksX) + "x" + std::to_string(options.city.blocksY)},
        {"frames", measurements.framesRun},
        {"interrupted", measurements.stopSignal != 0},
        {"dt", options.deltaTime},
        {"simulated_seconds", monitor.GetSimulatedTime()},
        {"wall_seconds", measurements.wallSeconds},
        {"frames_per_second", framesPerSecond},
        {"vehicle_updates_per_second", framesPerSecond * options.nrOfCars},
        {"trips_completed", monitor.GetTripsCompleted()},
        {"mean_trip_seconds", monitor.GetMeanTripTime()},
        {"mean_speed", monitor.GetMeanSpeed()},
        {"stopped_red_light_share", monitor.GetRedLightShare()},
        {"stopped_for_car_share", monitor.GetAnotherCarShare()},
        {"longest_stand_still_seconds", monitor.GetLongestStandStill()},
        {"gridlock",
         {{"cars", gridlocked.size()},
          {"ids", gridlocked},
          {"circular_wait", monitor.HasCircularWait()},
          {"longest_circular_wait_seconds", monitor.GetLongestCircularWait()}}},
        {"car_contacts_begun", monitor.GetCarContactsBegun()},
        {"integrity",
         {{"cars_outside_world", monitor.GetCarsOutsideWorld()},
          {"non_finite_positions", monitor.GetCarsWithNonFinitePosition()},
          {"ok", monitor.IsIntegrityClean()}}},
        {"resident_kib",
         {{"after_warm_up", measurements.residentKiBAfterWarmUp}, {"at_end", measurements.residentKiBAtEnd}}},
        {"state_hash", Hex(HashSimulationState(app))},
    };
    AddDriverComparison(summary, options, monitor, app);
    for (const auto& [reason, count] : GridlockHeldBy(app, gridlocked))
        summary["gridlock"]["held_by"][reason] = count;
    out << summary.dump(2) << "\n";
}

void WriteStuckCars(std::ostream& out, const TrafficMonitor& monitor, const App_TrafficSimulation& app)
{
    const std::vector<int>& stuckCars = monitor.GetNewlyGridlockedCars();
    for (const int stuck : stuckCars)
    {
        nlohmann::ordered_json chain = nlohmann::ordered_json::array();
        std::vector<int> seen;
        bool isCycle = false;
        for (int index = stuck; index >= 0;
             index = monitor.IndexOf(app.GetCars()[static_cast<size_t>(index)]->GetWaitingFor()))
        {
            if (std::find(seen.begin(), seen.end(), index) != seen.end())
            {
                isCycle = true;
                break;
            }
            seen.push_back(index);
            chain.push_back(DescribeCar(monitor, app, index));
        }
        const nlohmann::ordered_json line = {
            {"time", monitor.GetSimulatedTime()}, {"car", stuck}, {"cycle", isCycle}, {"chain", chain}};
        out << line.dump() << "\n";
    }
    // A long run is followed as it goes (tail -f), and what it logged survives a run that is stopped hard.
    if (!stuckCars.empty())
        out.flush();
}

void WriteCarTrace(std::ostream& out, const TrafficMonitor& monitor, const App_TrafficSimulation& app,
                   const std::vector<int>& cars)
{
    const TrafficGraph& graph = *app.GetGraph();
    for (const int index : cars)
    {
        nlohmann::ordered_json line = {{"time", monitor.GetSimulatedTime()}};
        line.update(DescribeCar(monitor, app, index));
        const Car& car = *app.GetCars()[static_cast<size_t>(index)];
        line["position"] = {car.GetPosition().x, car.GetPosition().y};
        const int waitsFor = monitor.IndexOf(car.GetWaitingFor());
        line["waits_for"] =
            waitsFor >= 0 ? nlohmann::ordered_json(waitsFor) : nlohmann::ordered_json(nullptr);
        const SafeDriving::Route route = SafeDriving::GetRoute(graph, car);
        nlohmann::ordered_json cells = nlohmann::ordered_json::array();
        for (int k = 0; k < route.size; ++k)
            cells.push_back(CellOf(graph, route.cells[static_cast<size_t>(k)]));
        line["route"] = cells;
        out << line.dump() << "\n";
    }
    out.flush();
}

void WriteTextSummary(std::ostream& out, const RunOptions& options, const RunMeasurements& measurements,
                      const TrafficMonitor& monitor, const App_TrafficSimulation& app)
{
    const double framesPerSecond = FramesPerSecond(measurements);
    const std::vector<int> gridlocked = monitor.GetGridlockedCars();
    Print(out, "Traffic simulation: %d cars in a %dx%d city, %" PRId64 " frames of %.6f s, seed %u\n",
          options.nrOfCars, options.city.blocksX, options.city.blocksY, measurements.framesRun,
          options.deltaTime, options.seed);
    if (measurements.stopSignal != 0)
        Print(out, "  interrupted              by %s after %" PRId64 " of %" PRId64 " frames\n",
              measurements.stopSignal == SIGINT ? "SIGINT" : "SIGTERM", measurements.framesRun,
              options.frames);
    Print(out, "  simulated time           %.1f s\n", monitor.GetSimulatedTime());
    Print(out, "  wall time                %.3f s (%.0f frames/s, %.0f vehicle-updates/s)\n",
          measurements.wallSeconds, framesPerSecond, framesPerSecond * options.nrOfCars);
    Print(out, "  trips completed          %d (mean trip time %.1f s)\n", monitor.GetTripsCompleted(),
          monitor.GetMeanTripTime());
    Print(out, "  mean speed               %.2f units/s\n", monitor.GetMeanSpeed());
    Print(out, "  stopped at red lights    %.1f %% of car-time\n", 100.0 * monitor.GetRedLightShare());
    Print(out, "  stopped for another car  %.1f %% of car-time\n", 100.0 * monitor.GetAnotherCarShare());
    Print(out, "  longest stand-still      %.1f s\n", monitor.GetLongestStandStill());
    Print(out, "  gridlock                 %zu cars still for over 60 s", gridlocked.size());
    for (size_t i = 0; i < gridlocked.size(); ++i)
        Print(out, "%s%d", i == 0 ? " (ids " : ", ", gridlocked[i]);
    Print(out, "%s; circular wait: %s\n", gridlocked.empty() ? "" : ")",
          monitor.HasCircularWait() ? "yes" : "no");
    const std::vector<std::pair<const char*, int>> heldBy = GridlockHeldBy(app, gridlocked);
    for (size_t i = 0; i < heldBy.size(); ++i)
        Print(out, "%s%s %d%s", i == 0 ? "  of those, last held by  " : ", ", heldBy[i].first,
              heldBy[i].second, i + 1 == heldBy.size() ? "\n" : "");
    Print(out, "  longest circular wait    %.1f s\n", monitor.GetLongestCircularWait());
    Print(out, "  car-car contacts begun   %" PRId64 "\n", monitor.GetCarContactsBegun());
    Print(out, "  driver model             %s\n", DriverName(options.driver));
    Print(out, "  trips per car-hour       %.1f\n", monitor.GetTripsPerCarHour());
    Print(out, "  contacts per 100 car-min %.2f\n", monitor.GetContactsPer100CarMinutes());
    Print(out, "  deadlocks resolved       %d\n", monitor.GetDeadlocksResolved());
    Print(out, "  junction entries on red  %" PRId64 "\n", monitor.GetJunctionEntriesOnRed());
    Print(out, "  reroutes around jams     %d\n", JamReroutes(app));
    Print(out, "  integrity                %d cars outside the world, %d non-finite positions: %s\n",
          monitor.GetCarsOutsideWorld(), monitor.GetCarsWithNonFinitePosition(),
          monitor.IsIntegrityClean() ? "OK" : "FAILED");
    Print(out, "  resident memory          %ld KiB after warm-up, %ld KiB at end\n",
          measurements.residentKiBAfterWarmUp, measurements.residentKiBAtEnd);
    Print(out, "  state hash               %s\n", Hex(HashSimulationState(app)).c_str());
}
