// Long runs of the traffic-headless program: integrity stays clean, and memory does not grow with
// the number of frames once the run has warmed up.
#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace
{
nlohmann::json RunSoak(const std::string& arguments)
{
    const std::string command = std::string(TRAFFIC_HEADLESS_PATH) + " --quiet --json " + arguments;
    std::string output;
    FILE* pPipe = popen(command.c_str(), "r");
    EXPECT_NE(pPipe, nullptr);
    if (pPipe == nullptr)
        return {};
    std::array<char, 4096> buffer{};
    size_t count = 0;
    while ((count = fread(buffer.data(), 1, buffer.size(), pPipe)) > 0)
        output.append(buffer.data(), count);
    const int status = pclose(pPipe);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    return nlohmann::json::parse(output);
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
