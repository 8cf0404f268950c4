#include "OsDetect.h"

#include <gtest/gtest.h>

namespace {

struct DetectCase {
    unsigned long platform;
    unsigned long major;
    unsigned long minor;
    OsType expected;
    const char* system;
};

TEST(DetectOs, FamilyFromPlatformAndVersion)
{
    const DetectCase cases[] = {
        {1, 4, 0, Win95, "Windows 95"},
        {1, 4, 10, Win98, "Windows 98"},
        {1, 4, 90, Win98, "Windows Me"},
        {1, 5, 0, Win95, "9x platform, any major, minor 0"},
        {2, 4, 0, WinNT4, "NT 4.0"},
        {2, 4, 1, WinNT4, "NT 4.x"},
        {2, 5, 0, Win2000, "Windows 2000"},
        {2, 5, 1, Win2000, "XP: NT major 5"},
        {2, 5, 2, Win2000, "Server 2003: NT major 5"},
        {2, 3, 51, OsUnknown, "NT 3.51"},
        {2, 6, 1, OsUnknown, "Windows 7 (Wine's default)"},
        {2, 10, 0, OsUnknown, "Windows 10"},
        {0, 3, 10, OsUnknown, "Win32s"},
        {3, 4, 0, OsUnknown, "Windows CE"},
        {4, 5, 0, OsUnknown, "unknown platform"},
    };
    for (const DetectCase& c : cases) {
        EXPECT_EQ(DetectOs(c.platform, c.major, c.minor), c.expected) << c.system;
    }
}

TEST(DetectOs, NumericValuesOfTheFamilies)
{
    EXPECT_EQ(static_cast<int>(Win95), 0);
    EXPECT_EQ(static_cast<int>(Win98), 1);
    EXPECT_EQ(static_cast<int>(WinNT4), 2);
    EXPECT_EQ(static_cast<int>(Win2000), 3);
    EXPECT_EQ(static_cast<int>(OsUnknown), 4);
}

}  // namespace
