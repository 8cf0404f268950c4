#include "IniNumber.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct ParseCase {
    const char* text;
    int expected;
};

TEST(ParseIniInt, LeadingSignedDecimal)
{
    const ParseCase cases[] = {
        {"0", 0},
        {"1", 1},
        {"-1", -1},
        {"+5", 5},
        {"63259", 63259},
        {"007", 7},
        {"12abc", 12},
        {"-3x", -3},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"- 3", 0},
        {"0x10", 0},
        {"1.5", 1},
        {"255.255.255.0", 255},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"4294967295", -1},
        {"1, 80, 192", 1},
    };
    for (const ParseCase& c : cases) {
        EXPECT_EQ(ParseIniInt(c.text), c.expected) << "text \"" << c.text << "\"";
    }
}

TEST(ParseIniInt, NullIsZero)
{
    EXPECT_EQ(ParseIniInt(nullptr), 0);
}

TEST(FormatIniInt, DecimalTextRoundTrips)
{
    const int values[] = {0, 1, -1, 2, 67, 900, 63259, INT_MAX, INT_MIN};
    for (int value : values) {
        char text[kIniIntTextSize];
        size_t n = FormatIniInt(value, text);
        EXPECT_EQ(n, std::string(text).size());
        EXPECT_EQ(std::string(text), std::to_string(value));
        EXPECT_EQ(ParseIniInt(text), value);
    }
}

}  // namespace
