#include "framework/VemoxCore/VemoxAssert.h"

#include <gtest/gtest.h>

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
