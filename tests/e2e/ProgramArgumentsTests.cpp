// The program's command line: the optional window position and how bad values are reported.
#include "VemoxProgram.h"

#include <gtest/gtest.h>

#include <string>

using Vemox::ParsePositionArgument;
using Vemox::ParseWindowPosition;
using Vemox::WindowPosition;

namespace
{
TEST(ParsePositionArgument, ReadsBase10WithLeadingSpaceAndTrailingCharacters)
{
    const struct
    {
        const char* text;
        int value;
    } cases[] = {
        {"100", 100},
        {"  -42", -42},
        {"\t\n7", 7},
        {"+5", 5},
        {"12px", 12},
        {"0x10", 0},
        {"010", 10}, // base 10 only: no hex, no octal
        {"3.9", 3},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
    };
    for (const auto& testCase : cases)
    {
        int value = -999;
        EXPECT_TRUE(ParsePositionArgument(testCase.text, value)) << '"' << testCase.text << '"';
        EXPECT_EQ(value, testCase.value) << '"' << testCase.text << '"';
    }
}

TEST(ParsePositionArgument, RejectsNonNumbersAndValuesOutsideInt)
{
    const char* bad[] = {
        "", "abc", "   ", "-", "+", "x12", "2147483648", "-2147483649", "99999999999999999999999"};
    for (const char* text : bad)
    {
        int value = -999;
        EXPECT_FALSE(ParsePositionArgument(text, value)) << '"' << text << '"';
        EXPECT_EQ(value, -999) << "value changed for \"" << text << '"';
    }
    int value = -999;
    EXPECT_FALSE(ParsePositionArgument(nullptr, value));
}

// Runs ParseWindowPosition on the arguments after the program name and returns its standard output.
std::string Parse(std::initializer_list<const char*> arguments, WindowPosition& position)
{
    std::vector<const char*> argv{"traffic-simulation"};
    argv.insert(argv.end(), arguments);
    testing::internal::CaptureStdout();
    position = ParseWindowPosition(static_cast<int>(argv.size()), argv.data());
    return testing::internal::GetCapturedStdout();
}

TEST(ParseWindowPosition, ExactlyTwoArgumentsSetThePosition)
{
    WindowPosition position;
    EXPECT_EQ(Parse({"100", "200"}, position), "");
    EXPECT_TRUE(position.isSet);
    EXPECT_EQ(position.x, 100);
    EXPECT_EQ(position.y, 200);

    EXPECT_EQ(Parse({" -5", "7abc"}, position), "");
    EXPECT_TRUE(position.isSet);
    EXPECT_EQ(position.x, -5);
    EXPECT_EQ(position.y, 7);
}

TEST(ParseWindowPosition, OtherArgumentCountsAreIgnoredSilently)
{
    for (const auto& arguments :
         {std::initializer_list<const char*>{}, {"100"}, {"100", "200", "300"}, {"abc"}})
    {
        WindowPosition position;
        EXPECT_EQ(Parse(arguments, position), "");
        EXPECT_FALSE(position.isSet);
    }
}

TEST(ParseWindowPosition, BadValueWarnsOnceNamingItAndCentresTheWindow)
{
    WindowPosition position;
    const std::string output = Parse({"abc", "200"}, position);
    EXPECT_FALSE(position.isSet);
    EXPECT_EQ(output,
              "Warning: Invalid window position argument \"abc\": expected a base-10 integer that fits "
              "an int. The window is centred.\n");

    const std::string overflow = Parse({"100", "4294967296"}, position);
    EXPECT_FALSE(position.isSet);
    EXPECT_NE(overflow.find("\"4294967296\""), std::string::npos) << overflow;
    EXPECT_EQ(overflow.find("\"100\""), std::string::npos) << overflow;
    EXPECT_EQ(overflow.find('\n'), overflow.size() - 1) << "one line expected: " << overflow;
}

TEST(ParseWindowPosition, TwoBadValuesAreEachNamed)
{
    WindowPosition position;
    const std::string output = Parse({"left", ""}, position);
    EXPECT_FALSE(position.isSet);
    EXPECT_NE(output.find("\"left\""), std::string::npos) << output;
    EXPECT_NE(output.find("\"\""), std::string::npos) << output;
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 2) << output;
}
} // namespace
