#include "framework/VemoxCore/VemoxAssert.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

TEST(VemoxAssertDeathTest, ReportsConditionFileAndLineAndStops)
{
    const int value = 3;
    EXPECT_DEATH(VEMOX_ASSERT(value < 0 && "<Test::Case>: value must be negative"),
                 "Assertion failed: value < 0 && \"<Test::Case>: value must be negative\", file "
                 ".*VemoxAssertTests\\.cpp, line [0-9]+");
}

TEST(VemoxAssert, PassingConditionDoesNothing)
{
    int evaluations = 0;
    VEMOX_ASSERT(++evaluations == 1);
    EXPECT_EQ(evaluations, 1); // the condition is evaluated exactly once, also in Release builds
}

TEST(VemoxAssertDeathTest, KeepsWhatWasPrintedToARedirectedStandardOutput)
{
    const std::string path = (std::filesystem::temp_directory_path() / "vemox-assert-stdout.txt").string();
    // Redirected to a file, standard output is fully buffered: the log line is still in the buffer
    // when the assertion stops the program.
    EXPECT_DEATH(
        {
            if (std::freopen(path.c_str(), "w", stdout) != nullptr)
                std::printf("shader log \n");
            VEMOX_ASSERT(path.empty());
        },
        "Assertion failed: path.empty\\(\\)");
    std::ifstream file(path);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "shader log \n");
    std::filesystem::remove(path);
}
