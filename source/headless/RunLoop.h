// The headless runner's loop: steps the simulation frame by frame, lets the traffic monitor observe
// every frame, writes the time series and shows progress.
#pragma once

#include "RunOptions.h"

#include <csignal>
#include <cstdint>
#include <iosfwd>

class HeadlessSimulation;
class TrafficMonitor;

/// What the loop measured about the run itself (not about the traffic).
struct RunMeasurements
{
    std::int64_t framesRun = 0;
    double wallSeconds = 0.0;
    long residentKiBAfterWarmUp = 0; ///< resident set after a tenth of the frames (at least one)
    long residentKiBAtEnd = 0;
    int stopSignal = 0;               ///< the signal that ended the run early, 0 when it ran every frame
    bool csvWriteFailed = false;      ///< a row could not be written; the run stopped there
    int csvError = 0;                 ///< errno of that failed write
    bool stuckLogWriteFailed = false; ///< a stuck-car log line could not be written; the run stopped
    int stuckLogError = 0;            ///< errno of that failed write
    bool traceWriteFailed = false;    ///< a trace line could not be written; the run stopped
    int traceError = 0;               ///< errno of that failed write
};

/// The header line of the time series: one row per simulated second.
extern const char* const CsvHeader;

/// Runs options.frames frames of options.deltaTime. pCsv (may be null) gets one row per simulated
/// second, after the header, which the caller writes; the run stops at the first row that fails.
/// pStuckLog (may be null) gets a line for every car that passes the gridlock threshold (see
/// WriteStuckCars); pTrace (may be null) a line per car of options.traceCars and simulated second (see
/// WriteCarTrace); the run stops at the first line that fails. pStopSignal (may be null) is polled after
/// every frame: a non-zero value (a signal number, set by a signal handler) ends the run after that frame,
/// with its rows written.
RunMeasurements RunFrames(const RunOptions& options, HeadlessSimulation& simulation, TrafficMonitor& monitor,
                          std::ostream* pCsv, std::ostream* pStuckLog, std::ostream* pTrace,
                          const volatile std::sig_atomic_t* pStopSignal = nullptr);

/// Resident set size of this process in KiB, 0 when unknown.
long ResidentKiB();
