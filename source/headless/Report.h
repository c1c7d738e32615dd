// The headless runner's summary of a finished run: as JSON or as a text table.
#pragma once

#include "RunLoop.h"
#include "RunOptions.h"

#include <iosfwd>
#include <vector>

class App_TrafficSimulation;
class TrafficMonitor;

/// Writes the summary as one JSON object.
void WriteJsonSummary(std::ostream& out, const RunOptions& options, const RunMeasurements& measurements,
                      const TrafficMonitor& monitor, const App_TrafficSimulation& app);
/// Writes one JSON line for every car that passed the monitor's gridlock threshold in the frame it last
/// observed: the time and the chain of cars it waits for, from the car itself on, each with its cell
/// ([column, row]), road, speed, stand-still, what stops it and (safe driver) what last held it, and its
/// next cell. The chain ends at a car that waits for nobody, or where it comes back to a car already in
/// it ("cycle": true). Writes nothing when no car passed the threshold; the lines written are flushed.
void WriteStuckCars(std::ostream& out, const TrafficMonitor& monitor, const App_TrafficSimulation& app);
/// Writes one JSON line for each car of `cars` (indices into the application's cars): the simulated time,
/// the car as WriteStuckCars describes it, its position (world units), the car it waits for (null: none)
/// and its route (the cells it is about to drive through, its own first). The lines written are flushed.
void WriteCarTrace(std::ostream& out, const TrafficMonitor& monitor, const App_TrafficSimulation& app,
                   const std::vector<int>& cars);
/// Writes the summary as an aligned text table.
void WriteTextSummary(std::ostream& out, const RunOptions& options, const RunMeasurements& measurements,
                      const TrafficMonitor& monitor, const App_TrafficSimulation& app);
