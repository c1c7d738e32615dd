// The traffic-headless program itself: reproducible runs, the summary, the time series, exit codes.
#include "ProcessRunner.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace
{
using Result = Vemox::Testing::ProcessResult;

/// Runs the runner with `arguments`; standard error is folded into the output, then `redirection`
/// applies.
Result RunRunner(const std::string& arguments, const std::string& redirection = "")
{
    return Vemox::Testing::RunProcess(std::string(TRAFFIC_HEADLESS_PATH) + " " + arguments + " 2>&1" +
                                      redirection);
}

nlohmann::json RunJson(const std::string& arguments)
{
    // --quiet keeps the progress bar, which a slow run (a sanitizer build) would show, off the output.
    const Result result = RunRunner(arguments + " --json --quiet");
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return nlohmann::json::parse(result.output);
}
} // namespace

TEST(HeadlessRunner, SameSeedSameStateDifferentSeedDifferentState)
{
    const nlohmann::json first = RunJson("--frames 900 --seed 42 --cars 20");
    const nlohmann::json second = RunJson("--frames 900 --seed 42 --cars 20");
    const nlohmann::json other = RunJson("--frames 900 --seed 43 --cars 20");
    EXPECT_EQ(first["state_hash"], second["state_hash"]);
    EXPECT_EQ(first["trips_completed"], second["trips_completed"]);
    EXPECT_NE(first["state_hash"], other["state_hash"]);
    EXPECT_EQ(first["seed"], 42);
}

TEST(HeadlessRunner, SummaryReportsASoundRun)
{
    const nlohmann::json summary = RunJson("--frames 3600 --seed 7");
    EXPECT_NEAR(summary["simulated_seconds"].get<double>(), 60.0, 1e-3);
    EXPECT_GT(summary["trips_completed"].get<int>(), 0);
    EXPECT_GT(summary["mean_speed"].get<double>(), 1.0);
    EXPECT_LT(summary["mean_speed"].get<double>(), 12.5);
    const double red = summary["stopped_red_light_share"].get<double>();
    const double car = summary["stopped_for_car_share"].get<double>();
    EXPECT_GE(red, 0.0);
    EXPECT_GE(car, 0.0);
    EXPECT_LE(red + car, 1.0);
    EXPECT_TRUE(summary["integrity"]["ok"].get<bool>());
    EXPECT_EQ(summary["integrity"]["cars_outside_world"], 0);
    EXPECT_EQ(summary["integrity"]["non_finite_positions"], 0);
    EXPECT_EQ(summary["state_hash"].get<std::string>().size(), 16u);
}

TEST(HeadlessRunner, ReportsTheFiguresThatCompareDriverModels)
{
    for (const char* driver : {"classic", "safe"})
    {
        const nlohmann::json summary =
            RunJson(std::string("--quiet --frames 3600 --seed 3 --cars 20 --driver ") + driver);
        EXPECT_EQ(summary["driver"], driver);
        const double carHours = 20 * summary["simulated_seconds"].get<double>() / 3600.0;
        EXPECT_NEAR(summary["trips_per_car_hour"].get<double>(),
                    summary["trips_completed"].get<int>() / carHours, 1e-6);
        EXPECT_NEAR(summary["car_contacts_per_100_car_minutes"].get<double>(),
                    summary["car_contacts_begun"].get<double>() / (carHours * 60.0) * 100.0, 1e-6);
        EXPECT_GE(summary["junction_entries_on_red"].get<int>(), 0);
        EXPECT_GE(summary["deadlocks_resolved"].get<int>(), 0);
    }
    EXPECT_EQ(RunJson("--quiet --frames 600 --seed 3 --driver classic")["deadlocks_resolved"], 0);
    EXPECT_NE(RunJson("--quiet --frames 600 --seed 3 --driver classic")["state_hash"],
              RunJson("--quiet --frames 600 --seed 3 --driver safe")["state_hash"]);
}

TEST(HeadlessRunner, TextSummaryPrintsTheSeedForARepeat)
{
    const Result result = RunRunner("--frames 60 --seed 99");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.output.find("seed 99"), std::string::npos) << result.output;
    EXPECT_NE(result.output.find("state hash"), std::string::npos);
    EXPECT_TRUE(RunRunner("--frames 60 --seed 99 --quiet").output.empty());
    // JSON asked for by name wins over --quiet, which then hides only the progress bar.
    EXPECT_EQ(RunJson("--frames 60 --seed 99 --quiet")["seed"], 99);
}

TEST(HeadlessRunner, TimeSeriesHasOneRowPerSimulatedSecond)
{
    const std::filesystem::path csvPath =
        std::filesystem::temp_directory_path() / "traffic-headless-test.csv";
    std::filesystem::remove(csvPath);
    ASSERT_EQ(RunRunner("--frames 600 --seed 5 --quiet --csv " + csvPath.string()).exitCode, 0);
    std::ifstream csv(csvPath);
    std::string line;
    ASSERT_TRUE(std::getline(csv, line));
    EXPECT_EQ(line,
              "time,cars_moving,cars_stopped_red_light,cars_stopped_for_car,trips_completed,mean_speed");
    int rows = 0;
    while (std::getline(csv, line))
    {
        ++rows;
        EXPECT_EQ(line.rfind(std::to_string(rows) + ",", 0), 0u) << line;
    }
    EXPECT_EQ(rows, 10);
    std::filesystem::remove(csvPath);
}

TEST(HeadlessRunner, TheTraceFollowsTheChosenCarsEverySecondAndLeavesTheRunAsItIs)
{
    const std::filesystem::path tracePath =
        std::filesystem::temp_directory_path() / "traffic-headless-trace.jsonl";
    std::filesystem::remove(tracePath);
    const nlohmann::json traced =
        RunJson("--frames 300 --seed 5 --driver safe --trace-car 19,0 --trace-log " + tracePath.string());
    EXPECT_EQ(traced["state_hash"], RunJson("--frames 300 --seed 5 --driver safe")["state_hash"]);

    std::ifstream trace(tracePath);
    std::string text;
    int lines = 0;
    while (std::getline(trace, text))
    {
        const nlohmann::json line = nlohmann::json::parse(text);
        EXPECT_NEAR(line["time"].get<double>(), 1.0 + lines / 2, 0.02) << text;
        EXPECT_EQ(line["car"], lines % 2 == 0 ? 19 : 0) << text;
        ASSERT_FALSE(line["route"].empty()) << text;
        EXPECT_EQ(line["route"][0], line["cell"]) << text;
        for (const int axis : {0, 1}) // the documented city's cells are 15 units wide
            EXPECT_EQ(static_cast<int>(line["position"][axis].get<double>() / 15.0), line["cell"][axis])
                << text;
        EXPECT_TRUE(line["waits_for"].is_null() || line["waits_for"] != line["car"]) << text;
        ++lines;
    }
    EXPECT_EQ(lines, 10); // five seconds, two cars
    std::filesystem::remove(tracePath);

    const Result full = RunRunner("--frames 120 --quiet --trace-car 0 --trace-log /dev/full");
    EXPECT_EQ(full.exitCode, 4);
    EXPECT_NE(full.output.find("--trace-log: cannot write '/dev/full'"), std::string::npos) << full.output;
}

TEST(HeadlessRunner, BadOptionsExitWithTwoAndRunNothing)
{
    const std::filesystem::path csvPath = std::filesystem::temp_directory_path() / "traffic-headless-bad.csv";
    std::filesystem::remove(csvPath);
    for (const char* arguments : {"--cars 0", "--cars 200", "--frames -1", "--dt 0", "--seed x", "--what"})
    {
        const Result result = RunRunner(std::string(arguments) + " --csv " + csvPath.string());
        EXPECT_EQ(result.exitCode, 2) << arguments;
        EXPECT_NE(result.output.find(std::string(arguments).substr(0, std::string(arguments).find(' '))),
                  std::string::npos)
            << result.output;
        EXPECT_FALSE(std::filesystem::exists(csvPath)) << arguments;
    }
    const Result unwritable = RunRunner("--frames 10 --csv /nonexistent-dir/out.csv");
    EXPECT_EQ(unwritable.exitCode, 2);
    EXPECT_NE(unwritable.output.find("--csv"), std::string::npos);
    const Result unwritableLog = RunRunner("--frames 10 --stuck-log /nonexistent-dir/stuck.jsonl");
    EXPECT_EQ(unwritableLog.exitCode, 2);
    EXPECT_NE(unwritableLog.output.find("--stuck-log"), std::string::npos);
}

TEST(HeadlessRunner, WriteFailuresNameTheFileAndExitWithFour)
{
    const Result csv = RunRunner("--frames 600 --seed 5 --quiet --csv /dev/full");
    EXPECT_EQ(csv.exitCode, 4);
    EXPECT_NE(csv.output.find("--csv: cannot write '/dev/full'"), std::string::npos) << csv.output;
    // The documented city's 128 cars jam within two minutes: the log gets lines.
    const Result log = RunRunner("--cars 128 --frames 7200 --seed 1 --quiet --stuck-log /dev/full");
    EXPECT_EQ(log.exitCode, 4);
    EXPECT_NE(log.output.find("--stuck-log: cannot write '/dev/full'"), std::string::npos) << log.output;

    for (const char* redirection : {" >/dev/full", " >&-"})
    {
        const Result summary = RunRunner("--frames 60 --seed 5", redirection);
        EXPECT_EQ(summary.exitCode, 4) << redirection;
        EXPECT_NE(summary.output.find("cannot write the summary to standard output"), std::string::npos)
            << summary.output;
    }
}

TEST(HeadlessRunner, ASignalEndsTheRunWithCompleteRowsAndAnInterruptedSummary)
{
    const std::string csvPath =
        (std::filesystem::temp_directory_path() / "traffic-headless-signal.csv").string();
    const std::string outPath = csvPath + ".json";
    for (const int signal : {SIGINT, SIGTERM})
    {
        std::filesystem::remove(csvPath);
        std::fflush(stdout);
        const pid_t pid = fork();
        if (pid == 0 && std::freopen(outPath.c_str(), "w", stdout) != nullptr)
            execl(TRAFFIC_HEADLESS_PATH, TRAFFIC_HEADLESS_PATH, "--frames", "1000000000", "--json", "--csv",
                  csvPath.c_str(), static_cast<char*>(nullptr));
        if (pid == 0)
            _exit(127);
        // Once rows have gone out in buffers of their own, the signal lands in the middle of a row.
        for (int i = 0;
             i < 500 && !(std::filesystem::exists(csvPath) && std::filesystem::file_size(csvPath) > 9000);
             ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        kill(pid, signal);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << status;

        std::ifstream out(outPath);
        const nlohmann::json summary = nlohmann::json::parse(out);
        EXPECT_TRUE(summary["interrupted"].get<bool>());
        EXPECT_LT(summary["frames"].get<std::int64_t>(), 1000000000);
        // Whole rows of six fields, one per simulated second run, after the header.
        std::stringstream csv;
        csv << std::ifstream(csvPath).rdbuf();
        const std::string rows = csv.str();
        const auto lines = std::count(rows.begin(), rows.end(), '\n');
        EXPECT_EQ(rows.back(), '\n');
        EXPECT_EQ(std::count(rows.begin(), rows.end(), ','), 5 * lines);
        EXPECT_EQ(lines - 1, static_cast<int>(summary["simulated_seconds"].get<double>()));
    }
    std::filesystem::remove(csvPath);
    std::filesystem::remove(outPath);
}
