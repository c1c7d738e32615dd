// Option parsing of the headless runner: defaults, accepted values, and every bad value rejected with
// a message that names its option.
#include "headless/RunOptions.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace
{
struct Parsed
{
    ParseOutcome outcome;
    RunOptions options;
    std::string out;
    std::string err;
};

Parsed Parse(std::vector<const char*> arguments)
{
    arguments.insert(arguments.begin(), "traffic-headless");
    Parsed parsed{};
    std::ostringstream out;
    std::ostringstream err;
    parsed.outcome =
        ParseRunOptions(static_cast<int>(arguments.size()), arguments.data(), parsed.options, out, err);
    parsed.out = out.str();
    parsed.err = err.str();
    return parsed;
}
} // namespace

TEST(RunOptions, DefaultsAreTenMinutesOfTwentyCarsAtSixtyHertz)
{
    const Parsed parsed = Parse({});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run);
    EXPECT_EQ(parsed.options.frames, 36000);
    EXPECT_DOUBLE_EQ(parsed.options.deltaTime, 1.0 / 60.0);
    EXPECT_EQ(parsed.options.nrOfCars, 20);
    EXPECT_FALSE(parsed.options.hasSeed);
    EXPECT_TRUE(parsed.options.csvPath.empty());
    EXPECT_FALSE(parsed.options.quiet);
    EXPECT_FALSE(parsed.options.json);
}

TEST(RunOptions, AcceptsEveryOption)
{
    const Parsed parsed = Parse({"--frames", "120", "--dt", "0.02", "--seed", "4294967295", "--cars", "128",
                                 "--csv", "out.csv", "--quiet", "--json", "--draw"});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.err;
    EXPECT_EQ(parsed.options.frames, 120);
    EXPECT_DOUBLE_EQ(parsed.options.deltaTime, 0.02);
    EXPECT_TRUE(parsed.options.hasSeed);
    EXPECT_EQ(parsed.options.seed, 4294967295u);
    EXPECT_EQ(parsed.options.nrOfCars, 128);
    EXPECT_EQ(parsed.options.csvPath, "out.csv");
    EXPECT_TRUE(parsed.options.quiet && parsed.options.json && parsed.options.draw);
    EXPECT_TRUE(parsed.err.empty());
}

TEST(RunOptions, HelpListsTheOptionsWithRangesColumnsAndExitCodes)
{
    const Parsed parsed = Parse({"--help"});
    EXPECT_EQ(parsed.outcome, ParseOutcome::ExitOk);
    for (const char* text :
         {"--frames", "--dt", "--seed", "--cars", "--csv", "--quiet", "--json", "1 to 1000000000",
          "0.0001 to 0.25", "1 to 4294967295", "128 in the default city", "--city", "1x1 to 100x100",
          "cars_stopped_for_car", "Exit codes", "4 a write failed", "130", "143"})
        EXPECT_NE(parsed.out.find(text), std::string::npos) << text;
}

TEST(RunOptions, IntegersAreDecimalEvenWithLeadingZeros)
{
    const Parsed parsed = Parse({"--cars", "010", "--seed", "0012", "--frames", "+010"});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.err;
    EXPECT_EQ(parsed.options.nrOfCars, 10);
    EXPECT_EQ(parsed.options.seed, 12u);
    EXPECT_EQ(parsed.options.frames, 10);
}

TEST(RunOptions, FrameTimesAreThoseThePhysicsHonours)
{
    for (const char* seconds : {"0.0001", "0.25"})
        EXPECT_EQ(Parse({"--dt", seconds}).outcome, ParseOutcome::Run) << seconds;
    // 1e-50 passes as a double but is 0 as the float the simulation runs with.
    for (const char* seconds : {"1e-50", "1e-30", "0.00009", "0.26", "1"})
    {
        const Parsed parsed = Parse({"--dt", seconds});
        EXPECT_EQ(parsed.outcome, ParseOutcome::ExitError) << seconds;
        EXPECT_NE(parsed.err.find("out of range"), std::string::npos) << parsed.err;
    }
}

TEST(RunOptions, RejectsBadValuesNamingTheOption)
{
    const std::vector<std::pair<std::vector<const char*>, const char*>> cases = {
        {{"--frames", "0"}, "--frames"},   {{"--frames", "-5"}, "--frames"},
        {{"--frames", "abc"}, "--frames"}, {{"--frames", "1.5"}, "--frames"},
        {{"--dt", "0"}, "--dt"},           {{"--dt", "-0.1"}, "--dt"},
        {{"--dt", "nan"}, "--dt"},         {{"--dt", "inf"}, "--dt"},
        {{"--dt", "2"}, "--dt"},           {{"--dt", "x"}, "--dt"},
        {{"--seed", "-1"}, "--seed"},      {{"--seed", "4294967296"}, "--seed"},
        {{"--cars", "0"}, "--cars"},       {{"--cars", "129"}, "--cars"},
        {{"--cars", "ten"}, "--cars"},     {{"--frames"}, "--frames"},
        {{"--unknown"}, "--unknown"},      {{"--seed", "0"}, "seed of 0 as 1"},
        {{"--cars", "0x10"}, "--cars"},    {{"--csv", "--quiet"}, "--csv"},
        {{"--csv", ""}, "--csv"},
    };
    for (const auto& [arguments, option] : cases)
    {
        const Parsed parsed = Parse(arguments);
        EXPECT_EQ(parsed.outcome, ParseOutcome::ExitError) << arguments[0];
        EXPECT_NE(parsed.err.find(option), std::string::npos) << parsed.err;
    }
    // Words, hexadecimal and fractions are told apart from numbers out of range.
    for (const char* value : {"ten", "0x10", "1.5", "1e3"})
        EXPECT_NE(Parse({"--frames", value}).err.find("is not a number"), std::string::npos) << value;
    EXPECT_NE(Parse({"--dt", "x"}).err.find("is not a number"), std::string::npos);
}

TEST(RunOptions, TracedCarsComeByCommasOrRepeatedAndNeedTheirLog)
{
    const Parsed parsed =
        Parse({"--cars", "50", "--trace-car", "3,7", "--trace-car", "49", "--trace-log", "trace.jsonl"});
    ASSERT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.err;
    EXPECT_EQ(parsed.options.traceCars, (std::vector<int>{3, 7, 49}));
    EXPECT_NE(Parse({"--trace-car", "1"}).err.find("--trace-car needs --trace-log"), std::string::npos);
    EXPECT_NE(Parse({"--trace-log", "t"}).err.find("--trace-log needs --trace-car"), std::string::npos);
    EXPECT_NE(Parse({"--trace-car", "20", "--trace-log", "t"}).err.find("no car 20 among 20"),
              std::string::npos);
}

TEST(RunOptions, CitySizeSetsTheRangeOfTheCarCount)
{
    const Parsed large = Parse({"--city", "40x20", "--cars", "5000"});
    ASSERT_EQ(large.outcome, ParseOutcome::Run) << large.err;
    EXPECT_EQ(large.options.city, (CityLayout{40, 20}));
    EXPECT_EQ(large.options.nrOfCars, 5000);
    EXPECT_EQ(Parse({}).options.city, CityLayout{});
    EXPECT_EQ(Parse({"--city", "1x1", "--cars", "16"}).outcome, ParseOutcome::Run);
    EXPECT_EQ(Parse({"--city", "40x20", "--cars", "12800"}).outcome, ParseOutcome::Run);

    const std::vector<std::pair<std::vector<const char*>, const char*>> cases = {
        {{"--city", "0x2"}, "--city"},
        {{"--city", "4x"}, "--city"},
        {{"--city", "x2"}, "--city"},
        {{"--city", "4x2x1"}, "--city"},
        {{"--city", "four"}, "--city"},
        {{"--city", "101x1"}, "--city"},
        {{"--city", "-4x2"}, "--city"},
        {{"--city", "4 x 2"}, "--city"},
        {{"--city", "1x1", "--cars", "17"}, "--cars"},
        {{"--city", "40x20", "--cars", "12801"}, "--cars"},
    };
    for (const auto& [arguments, option] : cases)
    {
        const Parsed parsed = Parse(arguments);
        EXPECT_EQ(parsed.outcome, ParseOutcome::ExitError) << arguments[1];
        EXPECT_NE(parsed.err.find(option), std::string::npos) << parsed.err;
    }
}

TEST(RunOptions, DriverModelIsClassicUnlessSafeIsAsked)
{
    EXPECT_EQ(Parse({}).options.driver, DriverModel::Classic);
    EXPECT_EQ(Parse({"--driver", "classic"}).options.driver, DriverModel::Classic);
    EXPECT_EQ(Parse({"--driver", "safe"}).options.driver, DriverModel::Safe);
    const Parsed bad = Parse({"--driver", "fast"});
    EXPECT_EQ(bad.outcome, ParseOutcome::ExitError);
    EXPECT_NE(bad.err.find("--driver"), std::string::npos) << bad.err;
}
