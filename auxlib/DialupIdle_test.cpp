#include "DialupIdle.h"

#include <gtest/gtest.h>

#include "DialupEntryRecord.h"
#include "testing/FakeRegistry.h"

namespace {

constexpr RegRoot kCu = RegRoot::CurrentUser;
const char kPhonebook[] = "Software\\Microsoft\\Ras Phonebook";
const char kEntries[] = "RemoteAccess\\Addresses";

std::vector<uint8_t> Stored(uint8_t key, uint16_t seconds)
{
    std::vector<uint8_t> plain(kEntryStrings, 0x33);
    plain[kEntryScrambleKey] = 0;
    for (const char* s : {"ISP", "", "555-0100"}) {
        plain.insert(plain.end(), s, s + std::char_traits<char>::length(s));
        plain.push_back(0);
    }
    plain.resize(plain.size() + kEntryIdleAfterStrings, 0x44);
    plain.push_back(static_cast<uint8_t>(seconds));
    plain.push_back(static_cast<uint8_t>(seconds >> 8));
    plain.resize(plain.size() + 16, 0x55);
    for (uint8_t& b : plain)
        b = static_cast<uint8_t>(b ^ key);
    return plain;
}

TEST(DialupIdleNt, RoundedMinutesOfTheSharedSetting)
{
    const struct {
        uint32_t seconds;
        int minutes;
    } cases[] = {{89, 1}, {90, 2}, {29, 0}, {30, 1}, {0, 0}, {1200, 20}, {1229, 20}, {1230, 21}};
    for (OsType os : {WinNT4, Win2000}) {
        for (const auto& c : cases) {
            CFakeRegistry registry;
            registry.SetDword(kCu, kPhonebook, "IdleHangupSeconds", c.seconds);
            EXPECT_EQ(CDialupIdle(registry, os).Get("any entry"), c.minutes) << c.seconds;
        }
    }
}

TEST(DialupIdleNt, MissingOrMalformedGivesZero)
{
    CFakeRegistry registry;
    EXPECT_EQ(CDialupIdle(registry, WinNT4).Get("x"), 0);
    registry.CreateKey(kCu, kPhonebook);
    EXPECT_EQ(CDialupIdle(registry, WinNT4).Get("x"), 0);
    registry.SetValue(kCu, kPhonebook, "IdleHangupSeconds", kRegBinary, {1, 2});
    EXPECT_EQ(CDialupIdle(registry, WinNT4).Get("x"), 0);
}

TEST(DialupIdleNt, SetWritesSecondsAsADword)
{
    CFakeRegistry registry;
    registry.CreateKey(kCu, kPhonebook);
    EXPECT_TRUE(CDialupIdle(registry, Win2000).Set("ignored", 15));
    ASSERT_EQ(registry.Writes().size(), 1u);
    EXPECT_EQ(registry.Writes()[0].name, "IdleHangupSeconds");
    EXPECT_EQ(registry.Writes()[0].type, kRegDword);
    EXPECT_EQ(registry.Writes()[0].data, (std::vector<uint8_t>{0x84, 0x03, 0, 0}));  // 900
    EXPECT_EQ(CDialupIdle(registry, Win2000).Get("ignored"), 15);
    // The key is opened, not made.
    CFakeRegistry empty;
    EXPECT_FALSE(CDialupIdle(empty, WinNT4).Set("x", 5));
    EXPECT_FALSE(empty.HasKey(kCu, kPhonebook));
}

TEST(DialupIdle9x, TruncatedMinutesOfTheEntry)
{
    CFakeRegistry registry;
    registry.SetValue(kCu, kEntries, "My ISP", kRegBinary, Stored(0x9C, 119));
    registry.SetValue(kCu, kEntries, "Other", kRegBinary, Stored(0x21, 3599));
    EXPECT_EQ(CDialupIdle(registry, Win98).Get("My ISP"), 1);
    EXPECT_EQ(CDialupIdle(registry, Win95).Get("Other"), 59);
    EXPECT_EQ(CDialupIdle(registry, Win98).Get("Unknown"), 0);
}

TEST(DialupIdle9x, SetRewritesTheRecordWithTheSameLengthAndKey)
{
    CFakeRegistry registry;
    registry.SetValue(kCu, kEntries, "My ISP", kRegBinary, Stored(0x9C, 119));
    EXPECT_TRUE(CDialupIdle(registry, Win98).Set("My ISP", 30));
    ASSERT_EQ(registry.Writes().size(), 1u);
    EXPECT_EQ(registry.Writes()[0].type, kRegBinary);
    EXPECT_EQ(registry.Writes()[0].data, Stored(0x9C, 1800));
    EXPECT_EQ(CDialupIdle(registry, Win98).Get("My ISP"), 30);
}

TEST(DialupIdle9x, UnknownEntryIsNotCreated)
{
    CFakeRegistry registry;
    registry.CreateKey(kCu, kEntries);
    EXPECT_FALSE(CDialupIdle(registry, Win98).Set("Nobody", 10));
    RegValue value;
    EXPECT_FALSE(registry.GetValue(kCu, kEntries, "Nobody", value));
    EXPECT_TRUE(registry.Writes().empty());
}

TEST(DialupIdle9x, RecordTooShortOrTooLong)
{
    CFakeRegistry registry;
    registry.SetValue(kCu, kEntries, "Short", kRegBinary, std::vector<uint8_t>(40, 1));
    std::vector<uint8_t> big = Stored(0x10, 600);
    big.resize(kEntryRecordMax + 1, 0x10);
    registry.SetValue(kCu, kEntries, "Big", kRegBinary, big);
    EXPECT_EQ(CDialupIdle(registry, Win98).Get("Short"), 0);
    EXPECT_FALSE(CDialupIdle(registry, Win98).Set("Short", 1));
    EXPECT_EQ(CDialupIdle(registry, Win98).Get("Big"), 0);
    EXPECT_TRUE(registry.Writes().empty());
}

TEST(DialupIdle, UnknownFamilyAnswersZero)
{
    CFakeRegistry registry;
    registry.SetDword(kCu, kPhonebook, "IdleHangupSeconds", 600);
    registry.SetValue(kCu, kEntries, "My ISP", kRegBinary, Stored(0x9C, 600));
    EXPECT_EQ(CDialupIdle(registry, OsUnknown).Get("My ISP"), 0);
    EXPECT_FALSE(CDialupIdle(registry, OsUnknown).Set("My ISP", 3));
    EXPECT_TRUE(registry.Writes().empty());
}

}  // namespace
