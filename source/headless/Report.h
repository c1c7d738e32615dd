// The headless runner's summary of a finished run: as JSON or as a text table.
#pragma once

#include "RunLoop.h"
#include "RunOptions.h"

#include <iosfwd>

class App_TrafficSimulation;
class TrafficMonitor;

/// Writes the summary as one JSON object.
void WriteJsonSummary(std::ostream& out, const RunOptions& options, const RunMeasurements& measurements,
                      const TrafficMonitor& monitor, const App_TrafficSimulation& app);
/// Writes the summary as an aligned text table.
void WriteTextSummary(std::ostream& out, const RunOptions& options, const RunMeasurements& measurements,
                      const TrafficMonitor& monitor, const App_TrafficSimulation& app);
