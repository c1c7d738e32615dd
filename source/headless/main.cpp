// traffic-headless: runs the traffic simulation without a window and reports on the traffic.
#include "RunOptions.h"
#include "TrafficMonitor.h"
#include "app/HeadlessSimulation.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>

namespace
{
constexpr int ExitBadOption = 2;
constexpr int ExitIntegrityFailure = 3;

/// Resident set size of this process in KiB, 0 when unknown.
long ResidentKiB()
{
    long pages = 0;
    long resident = 0;
    if (FILE* pFile = std::fopen("/proc/self/statm", "r"))
    {
        if (std::fscanf(pFile, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(pFile);
    }
    return resident * 4;
}

class ProgressBar
{
public:
    explicit ProgressBar(bool enabled) : m_Enabled(enabled), m_Start(Clock::now()), m_LastDraw(m_Start) {}

    /// Draws once the run has taken more than a second, at most five times a second.
    void Update(std::int64_t frame, std::int64_t frames)
    {
        if (!m_Enabled)
            return;
        const auto now = Clock::now();
        if (now - m_Start < std::chrono::seconds(1) || now - m_LastDraw < std::chrono::milliseconds(200))
            return;
        m_LastDraw = now;
        const int width = 40;
        const int filled = static_cast<int>(width * frame / frames);
        std::fprintf(stderr, "\r[%-*.*s] %3d%%  frame %" PRId64 "/%" PRId64, width, filled,
                     "########################################", static_cast<int>(100 * frame / frames),
                     frame, frames);
        std::fflush(stderr);
        m_Shown = true;
    }
    void Finish()
    {
        if (m_Shown)
            std::fprintf(stderr, "\n");
    }

private:
    using Clock = std::chrono::steady_clock;
    bool m_Enabled;
    bool m_Shown = false;
    Clock::time_point m_Start;
    Clock::time_point m_LastDraw;
};

std::string Hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof(text), "%016" PRIx64, value);
    return text;
}
} // namespace

int main(int argc, char* argv[])
{
    RunOptions options;
    switch (ParseRunOptions(argc, argv, options, std::cout, std::cerr))
    {
    case ParseOutcome::ExitOk:
        return 0;
    case ParseOutcome::ExitError:
        return ExitBadOption;
    case ParseOutcome::Run:
        break;
    }
    if (!options.hasSeed)
        options.seed = static_cast<std::uint32_t>(std::time(nullptr));

    std::ofstream csv;
    if (!options.csvPath.empty())
    {
        csv.open(options.csvPath);
        if (!csv)
        {
            std::cerr << "traffic-headless: --csv: cannot open '" << options.csvPath << "' for writing\n";
            return ExitBadOption;
        }
        csv << "time,cars_moving,cars_stopped_red_light,cars_stopped_for_car,trips_completed,mean_speed\n";
    }

    srand(options.seed);
    const auto wallStart = std::chrono::steady_clock::now();
    // Without drawing there is no one to look at the panel either.
    HeadlessSimulation simulation({options.nrOfCars, options.draw, options.draw});
    TrafficMonitor monitor(simulation.GetApp());
    ProgressBar progress(!options.quiet);

    const float deltaTime = static_cast<float>(options.deltaTime);
    const std::int64_t warmUpFrame = std::max<std::int64_t>(1, options.frames / 10);
    long residentAfterWarmUp = 0;
    long nextCsvSecond = 1;
    for (std::int64_t frame = 1; frame <= options.frames; ++frame)
    {
        simulation.Step(deltaTime);
        monitor.Observe(deltaTime);
        if (frame == warmUpFrame)
            residentAfterWarmUp = ResidentKiB();
        if (csv.is_open() && monitor.GetSimulatedTime() >= static_cast<double>(nextCsvSecond))
        {
            const TrafficMonitor::Snapshot& snapshot = monitor.GetLastSnapshot();
            csv << nextCsvSecond << ',' << snapshot.moving << ',' << snapshot.stoppedAtRedLight << ','
                << snapshot.stoppedForAnotherCar << ',' << monitor.GetTripsCompleted() << ','
                << snapshot.meanSpeed << '\n';
            ++nextCsvSecond;
        }
        progress.Update(frame, options.frames);
    }
    progress.Finish();
    const double wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    const long residentAtEnd = ResidentKiB();

    const double simulatedSeconds = monitor.GetSimulatedTime();
    const double framesPerSecond = static_cast<double>(options.frames) / wallSeconds;
    const std::vector<int> gridlocked = monitor.GetGridlockedCars();
    const bool circularWait = monitor.HasCircularWait();
    const std::string stateHash = Hex(HashSimulationState(simulation.GetApp()));

    if (options.json)
    {
        nlohmann::json summary = {
            {"seed", options.seed},
            {"cars", options.nrOfCars},
            {"frames", options.frames},
            {"dt", options.deltaTime},
            {"simulated_seconds", simulatedSeconds},
            {"wall_seconds", wallSeconds},
            {"frames_per_second", framesPerSecond},
            {"vehicle_updates_per_second", framesPerSecond * options.nrOfCars},
            {"trips_completed", monitor.GetTripsCompleted()},
            {"mean_trip_seconds", monitor.GetMeanTripTime()},
            {"mean_speed", monitor.GetMeanSpeed()},
            {"stopped_red_light_share", monitor.GetRedLightShare()},
            {"stopped_for_car_share", monitor.GetAnotherCarShare()},
            {"longest_stand_still_seconds", monitor.GetLongestStandStill()},
            {"gridlock", {{"cars", gridlocked.size()}, {"ids", gridlocked}, {"circular_wait", circularWait}}},
            {"car_contacts_begun", monitor.GetCarContactsBegun()},
            {"integrity",
             {{"cars_outside_world", monitor.GetCarsOutsideWorld()},
              {"non_finite_positions", monitor.GetCarsWithNonFinitePosition()},
              {"ok", monitor.IsIntegrityClean()}}},
            {"resident_kib", {{"after_warm_up", residentAfterWarmUp}, {"at_end", residentAtEnd}}},
            {"state_hash", stateHash},
        };
        std::cout << summary.dump(2) << "\n";
    }
    else if (!options.quiet)
    {
        std::printf("Traffic simulation: %d cars, %" PRId64 " frames of %.6f s, seed %u\n", options.nrOfCars,
                    options.frames, options.deltaTime, options.seed);
        std::printf("  simulated time           %.1f s\n", simulatedSeconds);
        std::printf("  wall time                %.3f s (%.0f frames/s, %.0f vehicle-updates/s)\n",
                    wallSeconds, framesPerSecond, framesPerSecond * options.nrOfCars);
        std::printf("  trips completed          %d (mean trip time %.1f s)\n", monitor.GetTripsCompleted(),
                    monitor.GetMeanTripTime());
        std::printf("  mean speed               %.2f units/s\n", monitor.GetMeanSpeed());
        std::printf("  stopped at red lights    %.1f %% of car-time\n", 100.0 * monitor.GetRedLightShare());
        std::printf("  stopped for another car  %.1f %% of car-time\n", 100.0 * monitor.GetAnotherCarShare());
        std::printf("  longest stand-still      %.1f s\n", monitor.GetLongestStandStill());
        std::printf("  gridlock                 %zu cars still for over 60 s", gridlocked.size());
        for (size_t i = 0; i < gridlocked.size(); ++i)
            std::printf("%s%d", i == 0 ? " (ids " : ", ", gridlocked[i]);
        std::printf("%s; circular wait: %s\n", gridlocked.empty() ? "" : ")", circularWait ? "yes" : "no");
        std::printf("  car-car contacts begun   %" PRId64 "\n", monitor.GetCarContactsBegun());
        std::printf("  integrity                %d cars outside the world, %d non-finite positions: %s\n",
                    monitor.GetCarsOutsideWorld(), monitor.GetCarsWithNonFinitePosition(),
                    monitor.IsIntegrityClean() ? "OK" : "FAILED");
        std::printf("  resident memory          %ld KiB after warm-up, %ld KiB at end\n", residentAfterWarmUp,
                    residentAtEnd);
        std::printf("  state hash               %s\n", stateHash.c_str());
    }
    return monitor.IsIntegrityClean() ? 0 : ExitIntegrityFailure;
}
