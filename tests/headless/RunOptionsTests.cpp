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

TEST(RunOptions, HelpListsTheOptions)
{
    const Parsed parsed = Parse({"--help"});
    EXPECT_EQ(parsed.outcome, ParseOutcome::ExitOk);
    for (const char* option : {"--frames", "--dt", "--seed", "--cars", "--csv", "--quiet", "--json"})
        EXPECT_NE(parsed.out.find(option), std::string::npos) << option;
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
        {{"--unknown"}, "--unknown"},
    };
    for (const auto& [arguments, option] : cases)
    {
        const Parsed parsed = Parse(arguments);
        EXPECT_EQ(parsed.outcome, ParseOutcome::ExitError) << arguments[0];
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
