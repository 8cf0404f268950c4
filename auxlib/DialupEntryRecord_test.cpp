#include "DialupEntryRecord.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A plain record: 32 bytes of header, three strings, 248 bytes, the idle seconds, some trailing bytes; then
// scrambled with key.
std::vector<uint8_t> MakeRecord(uint8_t key, uint16_t seconds, const std::string& a = "Provider",
                                const std::string& b = "", const std::string& c = "555-0100", size_t trailing = 40)
{
    std::vector<uint8_t> plain(kEntryStrings, 0x5A);
    plain[kEntryScrambleKey] = 0;  // the key byte scrambles to the key itself
    for (const std::string* s : {&a, &b, &c}) {
        plain.insert(plain.end(), s->begin(), s->end());
        plain.push_back(0);
    }
    plain.resize(plain.size() + kEntryIdleAfterStrings, 0x11);
    plain.push_back(static_cast<uint8_t>(seconds));
    plain.push_back(static_cast<uint8_t>(seconds >> 8));
    plain.resize(plain.size() + trailing, 0x22);
    for (uint8_t& byte : plain)
        byte = static_cast<uint8_t>(byte ^ key);
    return plain;
}

TEST(DialupEntryRecord, ReadsTheIdleSecondsBehindTheThreeStrings)
{
    const struct {
        uint8_t key;
        uint16_t seconds;
    } cases[] = {{0x00, 119}, {0xA7, 1200}, {0xFF, 0}, {0x3C, 65535}};
    for (const auto& c : cases) {
        uint16_t seconds = 1;
        ASSERT_TRUE(ReadEntryIdleSeconds(MakeRecord(c.key, c.seconds), seconds)) << int(c.key);
        EXPECT_EQ(seconds, c.seconds) << int(c.key);
    }
}

TEST(DialupEntryRecord, WriteKeepsKeyLengthAndEverythingElse)
{
    std::vector<uint8_t> stored = MakeRecord(0xA7, 600);
    const std::vector<uint8_t> before = stored;
    ASSERT_TRUE(WriteEntryIdleSeconds(stored, 1800));
    ASSERT_EQ(stored.size(), before.size());
    EXPECT_EQ(stored, MakeRecord(0xA7, 1800));
    size_t changed = 0;
    for (size_t i = 0; i < stored.size(); ++i)
        changed += stored[i] != before[i];
    EXPECT_LE(changed, 2u);
    uint16_t seconds = 0;
    ASSERT_TRUE(ReadEntryIdleSeconds(stored, seconds));
    EXPECT_EQ(seconds, 1800);
}

TEST(DialupEntryRecord, TooShortRecordsAreRefused)
{
    uint16_t seconds = 0;
    std::vector<uint8_t> exact = MakeRecord(0x10, 300, "a", "b", "c", 0);
    EXPECT_TRUE(ReadEntryIdleSeconds(exact, seconds));
    std::vector<uint8_t> cut(exact.begin(), exact.end() - 1);
    EXPECT_FALSE(ReadEntryIdleSeconds(cut, seconds));
    std::vector<uint8_t> unchanged = cut;
    EXPECT_FALSE(WriteEntryIdleSeconds(cut, 60));
    EXPECT_EQ(cut, unchanged);
    // Strings that never end.
    std::vector<uint8_t> open(kEntryStrings + 10, 0x41);
    EXPECT_FALSE(ReadEntryIdleSeconds(open, seconds));
    EXPECT_FALSE(ReadEntryIdleSeconds(std::vector<uint8_t>(kEntryScrambleKey), seconds));
    EXPECT_FALSE(ReadEntryIdleSeconds({}, seconds));
}

}  // namespace
