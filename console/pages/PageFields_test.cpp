#include "PageFields.h"

#include <climits>

#include <gtest/gtest.h>

TEST(PageFieldsTest, AddressesShowTheirOctetsInMemoryOrder)
{
    EXPECT_EQ("192.168.0.7", FormatPageAddress(0x0700A8C0u));
    EXPECT_EQ("0.0.0.0", FormatPageAddress(0));
    EXPECT_EQ("255.255.255.255", FormatPageAddress(0xFFFFFFFFu));
    EXPECT_EQ("192.168.0.", FormatPagePrefix(0x0700A8C0u));
    EXPECT_EQ("10.1.2.", FormatPagePrefix(0xFF02010Au));
}

TEST(PageFieldsTest, UnsignedFieldTakesDigitsOnly)
{
    const struct {
        const char* text;
        bool ok;
        uint32_t value;
    } cases[] = {
        {"10", true, 10},         {"0", true, 0},
        {" 12 ", true, 12},       {"", false, 0},
        {"   ", false, 0},        {"-5", false, 0},
        {"+5", false, 0},         {"12a", false, 0},
        {"1 2", false, 0},        {"4294967295", true, 4294967295u},
        {"4294967296", false, 0}, {"99999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        uint32_t value = 77;
        EXPECT_EQ(c.ok, ReadUnsignedField(c.text, &value));
        EXPECT_EQ(c.ok ? c.value : 77u, value);
    }
}

TEST(PageFieldsTest, LeadingSignedFieldReadsTheNumberAtTheStart)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"80 - HTTP", 80},
        {"110", 110},
        {"", 0},
        {"HTTP", 0},
        {"  25", 25},
        {"-1", -1},
        {"+8080x", 8080},
        {"65536", 65536},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"4294967376", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value, ReadLeadingSignedField(c.text));
    }
}

TEST(PageFieldsTest, PathBesideTheConsoleReplacesTheFilePart)
{
    std::string path = "untouched";
    EXPECT_TRUE(BuildPathBesideConsole("C:\\Program Files\\Ombrix\\OmbrixConsole.exe", "NetAlarm.log", &path));
    EXPECT_EQ("C:\\Program Files\\Ombrix\\NetAlarm.log", path);
    EXPECT_TRUE(BuildPathBesideConsole("C:\\x.exe", "OmbrixDaemon.log", &path));
    EXPECT_EQ("C:\\OmbrixDaemon.log", path);
    path = "untouched";
    EXPECT_FALSE(BuildPathBesideConsole("OmbrixConsole.exe", "NetAlarm.log", &path));
    EXPECT_EQ("untouched", path);
}
