// The headless run loop, its progress bar and the time series rows.
#include "RunLoop.h"

#include "HeadlessSimulation.h"
#include "Report.h"
#include "app/TrafficMonitor.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <ostream>

const char* const CsvHeader =
    "time,cars_moving,cars_stopped_red_light,cars_stopped_for_car,trips_completed,mean_speed";

namespace
{
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
} // namespace

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

RunMeasurements RunFrames(const RunOptions& options, HeadlessSimulation& simulation, TrafficMonitor& monitor,
                          std::ostream* pCsv, std::ostream* pStuckLog, std::ostream* pTrace,
                          const volatile std::sig_atomic_t* pStopSignal)
{
    RunMeasurements measurements;
    ProgressBar progress(!options.quiet);
    const auto wallStart = std::chrono::steady_clock::now();

    const float deltaTime = static_cast<float>(options.deltaTime);
    const std::int64_t warmUpFrame = std::max<std::int64_t>(1, options.frames / 10);
    long nextCsvSecond = 1;
    long nextTraceSecond = 1;
    for (std::int64_t frame = 1; frame <= options.frames; ++frame)
    {
        simulation.Step(deltaTime);
        monitor.Observe(deltaTime);
        measurements.framesRun = frame;
        if (frame == warmUpFrame)
            measurements.residentKiBAfterWarmUp = ResidentKiB();
        if (pCsv != nullptr && monitor.GetSimulatedTime() >= static_cast<double>(nextCsvSecond))
        {
            const TrafficMonitor::Snapshot& snapshot = monitor.GetLastSnapshot();
            *pCsv << nextCsvSecond << ',' << snapshot.moving << ',' << snapshot.stoppedAtRedLight << ','
                  << snapshot.stoppedForAnotherCar << ',' << monitor.GetTripsCompleted() << ','
                  << snapshot.meanSpeed << '\n'
                  << std::flush; // followed as it goes
            ++nextCsvSecond;
            if (!*pCsv)
            {
                measurements.csvWriteFailed = true;
                measurements.csvError = errno;
                break;
            }
        }
        if (pStuckLog != nullptr)
        {
            WriteStuckCars(*pStuckLog, monitor, simulation.GetApp());
            if (!*pStuckLog)
            {
                measurements.stuckLogWriteFailed = true;
                measurements.stuckLogError = errno;
                break;
            }
        }
        if (pTrace != nullptr && monitor.GetSimulatedTime() >= static_cast<double>(nextTraceSecond))
        {
            WriteCarTrace(*pTrace, monitor, simulation.GetApp(), options.traceCars);
            ++nextTraceSecond;
            if (!*pTrace)
            {
                measurements.traceWriteFailed = true;
                measurements.traceError = errno;
                break;
            }
        }
        progress.Update(frame, options.frames);
        if (pStopSignal != nullptr && *pStopSignal != 0)
        {
            measurements.stopSignal = *pStopSignal;
            break;
        }
    }
    progress.Finish();
    measurements.wallSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    measurements.residentKiBAtEnd = ResidentKiB();
    return measurements;
}
