// Long runs of the traffic-headless program: integrity stays clean, memory does not grow with the
// number of frames once the run has warmed up, and the safe driver keeps dense traffic moving.
#include "ProcessRunner.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <string>

namespace
{
nlohmann::json RunSoak(const std::string& arguments)
{
    const Vemox::Testing::ProcessResult result =
        Vemox::Testing::RunProcess(std::string(TRAFFIC_HEADLESS_PATH) + " --quiet --json " + arguments);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return nlohmann::json::parse(result.output);
}

void ExpectSoundAndFlat(const nlohmann::json& summary)
{
    EXPECT_TRUE(summary["integrity"]["ok"].get<bool>()) << summary.dump(2);
#if !defined(__SANITIZE_ADDRESS__)
    // The sanitizer's quarantine holds freed memory back, so resident size says nothing there.
    const long afterWarmUp = summary["resident_kib"]["after_warm_up"].get<long>();
    const long atEnd = summary["resident_kib"]["at_end"].get<long>();
    EXPECT_LE(atEnd - afterWarmUp, 1024)
        << "resident memory grew from " << afterWarmUp << " to " << atEnd << " KiB";
#endif
}
} // namespace

TEST(HeadlessSoak, TwentyCarsForAHundredThousandFrames)
{
    ExpectSoundAndFlat(RunSoak("--cars 20 --frames 100000 --seed 1"));
}

TEST(HeadlessSoak, AHundredAndTwentyEightCarsForTwentyThousandFrames)
{
    ExpectSoundAndFlat(RunSoak("--cars 128 --frames 20000 --seed 2"));
}

// A short version of the driver comparison (benchmarks/drivers/compare.py has the long one): dense
// traffic under the safe driver keeps moving, without contacts and with few last-resort resolutions.
TEST(HeadlessSoak, SafeDriverKeepsDenseTrafficMoving)
{
    for (const char* run : {"--cars 40 --seed 1", "--cars 40 --seed 2", "--cars 64 --seed 3"})
    {
        const nlohmann::json summary = RunSoak(std::string("--driver safe --frames 10800 ") + run);
        EXPECT_TRUE(summary["integrity"]["ok"].get<bool>()) << run;
        EXPECT_LT(summary["longest_stand_still_seconds"].get<double>(), 60.0) << run;
        EXPECT_LE(summary["car_contacts_per_100_car_minutes"].get<double>(), 1.0) << run;
        const double carMinutes =
            summary["cars"].get<double>() * summary["simulated_seconds"].get<double>() / 60.0;
        EXPECT_LE(summary["deadlocks_resolved"].get<double>() / carMinutes * 100.0, 1.0) << run;
        EXPECT_LE(summary["junction_entries_on_red"].get<int>(), 1) << run;
    }
}
