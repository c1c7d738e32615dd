// Command-line options of the headless traffic runner.
#pragma once

#include "app/City.h"
#include "app/RoadNetwork.h"
#include "app/TrafficScenario.h"
#include "framework/Physics/PhysicsWorld.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

struct RunOptions
{
    /// Frame times the simulation honours, in seconds: the physics adds at most MaxFrameTime per frame;
    /// at MinDeltaTime its float time accumulator still takes in each frame to within 0.001 %, while
    /// far below it the frame time is lost to rounding and the physics never steps.
    static constexpr float MinDeltaTime = 1e-4f;
    static constexpr float MaxDeltaTime = Vemox::PhysicsWorld::MaxFrameTime;

    std::int64_t frames = 36000;                 ///< ten simulated minutes at 60 Hz
    double deltaTime = 1.0 / 60.0;               ///< seconds per frame
    std::uint32_t seed = 0;                      ///< 1 and up: the C library's generator treats 0 as 1
    bool hasSeed = false;                        ///< false: the seed is taken from the clock
    int nrOfCars = RoadNetwork::DefaultNrOfCars; ///< at most the city's road cells
    CityLayout city{};
    std::string csvPath;        ///< empty: no time series
    std::string stuckLogPath;   ///< empty: no log of the cars that pass the gridlock threshold
    std::vector<int> traceCars; ///< the cars (indices) whose state goes to the trace every simulated second
    std::string traceLogPath;   ///< where the trace goes; set exactly when traceCars is not empty
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

/// Reads a city size written BXxBY (blocks across, then up, e.g. "4x2"); false (layout untouched) unless
/// both are whole numbers in CityLayout's range and nothing else follows.
bool ParseCityLayout(const std::string& text, CityLayout& layout);

/// Parses argv into options. Help goes to `out`, errors to `err`.
ParseOutcome ParseRunOptions(int argc, const char* const argv[], RunOptions& options, std::ostream& out,
                             std::ostream& err);
