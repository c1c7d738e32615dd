// The headless runner's loop: steps the simulation frame by frame, lets the traffic monitor observe
// every frame, writes the time series and shows progress.
#pragma once

#include "RunOptions.h"

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
};

/// The header line of the time series: one row per simulated second.
extern const char* const CsvHeader;

/// Runs options.frames frames of options.deltaTime. pCsv (may be null) gets one row per simulated
/// second, after the header, which the caller writes.
RunMeasurements RunFrames(const RunOptions& options, HeadlessSimulation& simulation, TrafficMonitor& monitor,
                          std::ostream* pCsv);

/// Resident set size of this process in KiB, 0 when unknown.
long ResidentKiB();
