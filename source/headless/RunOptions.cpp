// Option parsing for the headless runner; every bad value is rejected with a message naming its option.
#include "RunOptions.h"

#include "app/RoadNetwork.h"

#include <CLI/CLI.hpp>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <ostream>

namespace
{
constexpr std::int64_t MaxFrames = 1'000'000'000;
constexpr double MaxDeltaTime = 1.0;
} // namespace

ParseOutcome ParseRunOptions(int argc, const char* const argv[], RunOptions& options, std::ostream& out,
                             std::ostream& err)
{
    CLI::App app{
        "Runs the traffic simulation without a window at a fixed frame time and reports on the traffic.",
        "traffic-headless"};
    std::int64_t seed = -1;

    app.add_option("--frames", options.frames, "Frames to simulate (default 36000, ten minutes at 60 Hz)")
        ->check(CLI::Range(std::int64_t{1}, MaxFrames));
    app.add_option("--dt", options.deltaTime, "Seconds per frame (default 1/60)")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string
            {
                char* pEnd = nullptr;
                const double seconds = std::strtod(value.c_str(), &pEnd);
                if (pEnd == value.c_str() || *pEnd != '\0' || !std::isfinite(seconds) || seconds <= 0.0 ||
                    seconds > MaxDeltaTime)
                    return "Value " + value + " is not a frame time above 0 and at most 1 second";
                return {};
            },
            "SECONDS", "frame time"));
    app.add_option("--seed", seed, "Random seed (default: the current time, printed in the summary)")
        ->check(CLI::Range(std::int64_t{0}, std::int64_t{std::numeric_limits<std::uint32_t>::max()}));
    app.add_option("--cars", options.nrOfCars,
                   "Number of cars, " + std::to_string(RoadNetwork::MinNrOfCars) + " to " +
                       std::to_string(RoadNetwork::MaxNrOfCars) + " (default " +
                       std::to_string(RoadNetwork::DefaultNrOfCars) + ")")
        ->check(CLI::Range(RoadNetwork::MinNrOfCars, RoadNetwork::MaxNrOfCars));
    app.add_option("--csv", options.csvPath, "Write a time series, one row per simulated second, to FILE");
    app.add_flag("--quiet", options.quiet, "No progress bar and no summary");
    app.add_flag("--json", options.json, "Print the summary as JSON");
    app.add_option("--driver", options.driver, "Driver model: classic (the documented one, default) or safe")
        ->transform(CLI::CheckedTransformer(std::map<std::string, DriverModel>{
            {"classic", DriverModel::Classic}, {"safe", DriverModel::Safe}}));
    app.add_flag("--draw", options.draw, "Also build each frame's debug geometry, as the window would");

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::CallForHelp&)
    {
        out << app.help();
        return ParseOutcome::ExitOk;
    }
    catch (const CLI::ParseError& error)
    {
        err << "traffic-headless: " << error.what() << "\n";
        return ParseOutcome::ExitError;
    }

    options.hasSeed = seed >= 0;
    if (options.hasSeed)
        options.seed = static_cast<std::uint32_t>(seed);
    return ParseOutcome::Run;
}
