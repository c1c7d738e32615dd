// Option parsing for the headless runner; every bad value is rejected with a message naming its option.
#include "RunOptions.h"

#include "app/RoadNetwork.h"
#include "framework/Physics/PhysicsWorld.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <ostream>

namespace
{
constexpr std::int64_t MaxFrames = 1'000'000'000;

// Integers are decimal: the option library alone would read 010 as octal and 0x10 as hex. The value
// is rewritten without leading zeros for the conversion that follows. belowMinReason, when given,
// says why values below min are refused.
CLI::Validator DecimalInRange(std::int64_t min, std::int64_t max, const std::string& belowMinReason = {})
{
    return CLI::Validator(
        [min, max, belowMinReason](std::string& value) -> std::string
        {
            const size_t firstDigit = !value.empty() && (value[0] == '-' || value[0] == '+') ? 1 : 0;
            if (firstDigit == value.size() ||
                value.find_first_not_of("0123456789", firstDigit) != std::string::npos)
                return "Value " + value + " is not a number: expected a decimal integer";
            errno = 0;
            const long long number = std::strtoll(value.c_str(), nullptr, 10);
            const std::string range = "expected " + std::to_string(min) + " to " + std::to_string(max);
            if (errno != ERANGE && number < min && !belowMinReason.empty())
                return "Value " + value + " is out of range: " + range + " (" + belowMinReason + ")";
            if (errno == ERANGE || number < min || number > max)
                return "Value " + value + " is out of range: " + range;
            value = std::to_string(number);
            return {};
        },
        "");
}

// The frame time is checked as the float the simulation runs with: a double such as 1e-50 would
// become 0 on the way.
CLI::Validator FrameTime()
{
    return CLI::Validator(
        [](std::string& value) -> std::string
        {
            char* pEnd = nullptr;
            const double seconds = value.find_first_not_of("0123456789.eE+-") == std::string::npos
                                       ? std::strtod(value.c_str(), &pEnd)
                                       : 0.0;
            if (pEnd == nullptr || pEnd == value.c_str() || *pEnd != '\0')
                return "Value " + value + " is not a number: expected seconds as a decimal number";
            const float asRun = static_cast<float>(seconds);
            if (!(asRun >= RunOptions::MinDeltaTime && asRun <= RunOptions::MaxDeltaTime))
                return "Value " + value + " is out of range: expected 0.0001 to 0.25 seconds";
            return {};
        },
        "");
}

CLI::Validator FileName()
{
    return CLI::Validator(
        [](std::string& value) -> std::string
        {
            if (value.empty())
                return "the file name is empty";
            // Otherwise "--csv --quiet" would silently write a file named "--quiet".
            if (value[0] == '-')
                return "Value " + value + " is an option, not a file name (write ./" + value +
                       " for a file of that name)";
            return {};
        },
        "");
}

bool ParseBlocks(const char* pBegin, const char* pEnd, int& blocks)
{
    if (pBegin == pEnd || pEnd - pBegin > 3)
        return false;
    int value = 0;
    for (const char* p = pBegin; p != pEnd; ++p)
    {
        if (*p < '0' || *p > '9')
            return false;
        value = value * 10 + (*p - '0');
    }
    blocks = value;
    return true;
}

const char* const HelpFooter =
    "Integers are decimal. --json prints its summary also with --quiet; --quiet then hides only the\n"
    "progress bar. A first SIGINT or SIGTERM ends the run after the current frame, with complete CSV rows\n"
    "and the summary of the frames run marked as interrupted; a second one ends the program at once.\n"
    "\n"
    "CSV columns: time (simulated seconds), cars_moving, cars_stopped_red_light, cars_stopped_for_car,\n"
    "trips_completed (so far), mean_speed (world units per second, over all cars).\n"
    "\n"
    "Stuck-car log lines: time, car, cycle, chain (the car, the car it waits for, and so on; each with\n"
    "car, cell [column, row], road (ring, road, junction), speed, stood_seconds, stop (red_light,\n"
    "another_car, other), held_by (safe driver: car, light, junction, merge, nothing), next_cell).\n"
    "\n"
    "Trace lines, one per traced car and simulated second: time and the car as in the stuck-car log, with\n"
    "position (world units), waits_for (the car it waits for, or null) and route (the cells it is about to\n"
    "drive through).\n"
    "\n"
    "Exit codes: 0 a sound run; 2 a bad option (nothing is run); 3 integrity failed (cars outside the\n"
    "world or with non-finite positions); 4 a write failed (the CSV file, the stuck-car log, the trace or\n"
    "standard output; no summary follows); 130 interrupted by SIGINT, 143 by SIGTERM. A write failure\n"
    "wins over an interrupt, an interrupt over an integrity failure.";
} // namespace

bool ParseCityLayout(const std::string& text, CityLayout& layout)
{
    const size_t separator = text.find('x');
    if (separator == std::string::npos)
        return false;
    CityLayout parsed;
    const char* pText = text.c_str();
    if (!ParseBlocks(pText, pText + separator, parsed.blocksX) ||
        !ParseBlocks(pText + separator + 1, pText + text.size(), parsed.blocksY) || !parsed.IsValid())
        return false;
    layout = parsed;
    return true;
}

ParseOutcome ParseRunOptions(int argc, const char* const argv[], RunOptions& options, std::ostream& out,
                             std::ostream& err)
{
    CLI::App app{
        "Runs the traffic simulation without a window at a fixed frame time and reports on the traffic.",
        "traffic-headless"};
    app.footer(HelpFooter);
    std::int64_t seed = 0;

    app.add_option("--frames", options.frames,
                   "Frames to simulate, 1 to " + std::to_string(MaxFrames) +
                       " (default 36000, ten minutes at 60 Hz)")
        ->type_name("N")
        ->transform(DecimalInRange(1, MaxFrames));
    app.add_option(
           "--dt", options.deltaTime,
           "Seconds per frame, 0.0001 to 0.25: the physics adds at most 0.25 s per frame (default 1/60)")
        ->type_name("SECONDS")
        ->transform(FrameTime());
    app.add_option("--seed", seed,
                   "Random seed, 1 to 4294967295 (default: the current time, printed in the summary)")
        ->type_name("S")
        ->transform(
            DecimalInRange(1, std::numeric_limits<std::uint32_t>::max(),
                           "the C library's generator treats a seed of 0 as 1, so 0 would repeat seed 1"));
    const CityLayout largestCity{CityLayout::MaxBlocks, CityLayout::MaxBlocks};
    app.add_option("--cars", options.nrOfCars,
                   "Number of cars, " + std::to_string(RoadNetwork::MinNrOfCars) +
                       " to the city's road cells (" + std::to_string(RoadNetwork::MaxNrOfCars) +
                       " in the default city; default " + std::to_string(RoadNetwork::DefaultNrOfCars) + ")")
        ->type_name("N")
        ->transform(DecimalInRange(RoadNetwork::MinNrOfCars, largestCity.GetNrOfRoadCells()));
    std::string cityText;
    app.add_option("--city", cityText,
                   "City size in blocks of 3 x 3 cells, across x up, 1x1 to " +
                       std::to_string(CityLayout::MaxBlocks) + "x" + std::to_string(CityLayout::MaxBlocks) +
                       " (default 4x2, the documented city)")
        ->type_name("BXxBY")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string
            {
                CityLayout layout;
                if (!ParseCityLayout(value, layout))
                    return "Value " + value + " is not a city size BXxBY with 1 to " +
                           std::to_string(CityLayout::MaxBlocks) + " blocks either way";
                return {};
            },
            ""));
    app.add_option("--csv", options.csvPath, "Write a time series, one row per simulated second, to FILE")
        ->type_name("FILE")
        ->transform(FileName());
    app.add_option("--stuck-log", options.stuckLogPath,
                   "Write a JSON line to FILE for each car that passes 60 s standing: what it waits for")
        ->type_name("FILE")
        ->transform(FileName());
    app.add_option("--trace-car", options.traceCars,
                   "Trace car ID (0 to the number of cars - 1; repeat it or separate IDs by commas) into "
                   "the --trace-log")
        ->type_name("ID")
        ->delimiter(',')
        ->transform(DecimalInRange(0, largestCity.GetNrOfRoadCells() - 1));
    app.add_option("--trace-log", options.traceLogPath,
                   "Write a JSON line to FILE for every traced car every simulated second: where it is, "
                   "what stops it and its way ahead")
        ->type_name("FILE")
        ->transform(FileName());
    app.add_flag("--quiet", options.quiet, "No progress bar and no text summary (--json still prints)");
    app.add_flag("--json", options.json, "Print the summary as JSON, also with --quiet");
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

    if (!cityText.empty())
        ParseCityLayout(cityText, options.city);
    if (options.nrOfCars > options.city.GetNrOfRoadCells())
    {
        err << "traffic-headless: --cars: " << options.nrOfCars << " cars do not fit the city "
            << options.city.blocksX << "x" << options.city.blocksY << ", which has "
            << options.city.GetNrOfRoadCells() << " road cells to start on\n";
        return ParseOutcome::ExitError;
    }

    if (options.traceCars.empty() != options.traceLogPath.empty())
    {
        err << "traffic-headless: "
            << (options.traceCars.empty() ? "--trace-log needs --trace-car" : "--trace-car needs --trace-log")
            << "\n";
        return ParseOutcome::ExitError;
    }
    for (const int car : options.traceCars)
    {
        if (car >= options.nrOfCars)
        {
            err << "traffic-headless: --trace-car: there is no car " << car << " among " << options.nrOfCars
                << " (they are numbered from 0)\n";
            return ParseOutcome::ExitError;
        }
    }

    options.hasSeed = app.count("--seed") > 0;
    if (options.hasSeed)
        options.seed = static_cast<std::uint32_t>(seed);
    return ParseOutcome::Run;
}
