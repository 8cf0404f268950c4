#include "ByteOrder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// Usable in constant expressions: wire headers may size and check their layouts with them.
constexpr uint8_t kFour[] = {0x01, 0x02, 0x03, 0x04};
static_assert(LoadLe32(kFour) == 0x04030201u, "little-endian read at compile time");
static_assert(LoadBe32(kFour) == 0x01020304u, "big-endian read at compile time");

std::string Hex(const uint8_t* bytes, size_t n)
{
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        text += two;
    }
    return text;
}

// Four bytes as they lie in the buffer, and what each reading of them gives. The high bytes are set in
// some cases, so that a read widening a signed or narrower value would show.
struct Case {
    uint8_t bytes[4];
    uint16_t le16;
    uint32_t le32;
    uint16_t be16;
    uint32_t be32;
};

const Case kCases[] = {
    {{0x00, 0x00, 0x00, 0x00}, 0x0000, 0x00000000u, 0x0000, 0x00000000u},
    {{0x01, 0x02, 0x03, 0x04}, 0x0201, 0x04030201u, 0x0102, 0x01020304u},
    {{0xFF, 0x00, 0x00, 0x00}, 0x00FF, 0x000000FFu, 0xFF00, 0xFF000000u},
    {{0x00, 0x00, 0x00, 0xFF}, 0x0000, 0xFF000000u, 0x0000, 0x000000FFu},
    {{0x80, 0x81, 0xFE, 0xFF}, 0x8180, 0xFFFE8180u, 0x8081, 0x8081FEFFu},
    {{0xC0, 0xA8, 0x00, 0x01}, 0xA8C0, 0x0100A8C0u, 0xC0A8, 0xC0A80001u},  // 192.168.0.1 as it lies
    {{0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFF, 0xFFFFFFFFu, 0xFFFF, 0xFFFFFFFFu},
};

TEST(ByteOrder, Loads)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(Hex(c.bytes, 4));
        EXPECT_EQ(c.le16, LoadLe16(c.bytes));
        EXPECT_EQ(c.le32, LoadLe32(c.bytes));
        EXPECT_EQ(c.be16, LoadBe16(c.bytes));
        EXPECT_EQ(c.be32, LoadBe32(c.bytes));
    }
}

TEST(ByteOrder, StoresGiveTheBytesBack)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(Hex(c.bytes, 4));
        uint8_t out[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        StoreLe32(out, c.le32);
        EXPECT_EQ(Hex(c.bytes, 4), Hex(out, 4));
        StoreBe32(out, c.be32);
        EXPECT_EQ(Hex(c.bytes, 4), Hex(out, 4));

        // The 16-bit stores write two bytes and leave the next alone.
        uint8_t two[3] = {0xAA, 0xAA, 0xAA};
        StoreLe16(two, c.le16);
        EXPECT_EQ(Hex(c.bytes, 2) + "aa", Hex(two, 3));
        StoreBe16(two, c.be16);
        EXPECT_EQ(Hex(c.bytes, 2) + "aa", Hex(two, 3));
    }
}

TEST(ByteOrder, FieldsInsideALargerBuffer)
{
    // A field at an odd offset: no alignment is assumed.
    uint8_t buffer[9] = {};
    StoreLe32(buffer + 1, 0x11223344u);
    StoreBe32(buffer + 5, 0x11223344u);
    EXPECT_EQ("004433221111223344", Hex(buffer, sizeof buffer));
    EXPECT_EQ(0x11223344u, LoadLe32(buffer + 1));
    EXPECT_EQ(0x11223344u, LoadBe32(buffer + 5));
    EXPECT_EQ(0x3344, LoadLe16(buffer + 1));
    EXPECT_EQ(0x2233, LoadBe16(buffer + 6));
}

}  // namespace
