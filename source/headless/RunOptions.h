// Command-line options of the headless traffic runner.
#pragma once

#include "app/RoadNetwork.h"
#include "app/TrafficScenario.h"

#include <cstdint>
#include <iosfwd>
#include <string>

struct RunOptions
{
    std::int64_t frames = 36000;   ///< ten simulated minutes at 60 Hz
    double deltaTime = 1.0 / 60.0; ///< seconds per frame
    std::uint32_t seed = 0;
    bool hasSeed = false; ///< false: the seed is taken from the clock
    int nrOfCars = RoadNetwork::DefaultNrOfCars;
    std::string csvPath; ///< empty: no time series
    bool quiet = false;
    bool json = false;
    bool draw = false; ///< also build each frame's debug geometry
    DriverModel driver = DriverModel::Classic;
};

enum class ParseOutcome
{
    Run,       ///< options are valid
    ExitOk,    ///< help was printed
    ExitError, ///< a message naming the bad option was printed; exit code 2
};

/// Parses argv into options. Help goes to `out`, errors to `err`.
ParseOutcome ParseRunOptions(int argc, const char* const argv[], RunOptions& options, std::ostream& out,
                             std::ostream& err);
