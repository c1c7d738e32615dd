// Long runs of the traffic-headless program: integrity stays clean, and memory does not grow with
// the number of frames once the run has warmed up.
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
