#include "PortForwardValue.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {
struct NumberCase {
    const char* piece;
    int32_t expected;
};

const NumberCase kNumbers[] = {
    {"80", 80},       {"  8080", 8080},  {"\t21", 21}, {" 12abc", 12},  // stops at the first other character
    {"TCP", 0},                                                         // no digits
    {"", 0},          {" ", 0},          {"-1", -1},   {"+7", 7},
    {"- 5", 0},                           // a sign must be followed by the digits
    {"70000", 70000}, {"4294967297", 1},  // wraps: the low bits are those of the number written
    {"8 0", 8},
};

struct ValueCase {
    const char* value;
    bool accepted;
    int32_t fields[kPortForwardFieldCount];
};

const ValueCase kValues[] = {
    {"1, 80, 192, 168, 0, 5", true, {1, 80, 192, 168, 0, 5}},
    {"0,53,192,168,0,9", true, {0, 53, 192, 168, 0, 9}},
    {"1,,80,192,168,0", false, {}},                        // an empty piece is skipped: five numbers left
    {"1,,80,192,168,0,7", true, {1, 80, 192, 168, 0, 7}},  // the later numbers move up one place
    {",,,1,2,3,4,5,6", true, {1, 2, 3, 4, 5, 6}},
    {"1,2,3,4,5,6,7,8", true, {1, 2, 3, 4, 5, 6}},  // pieces after the sixth are ignored
    {"TCP, 80, 10, 0, 0, 1", true, {0, 80, 10, 0, 0, 1}},
    {"1, ,80,1,2,3", true, {1, 0, 80, 1, 2, 3}},  // a blank piece is not empty: it reads 0
    {"1,2,3,4,5", false, {}},
    {"", false, {}},
    {",,,,,,", false, {}},
};
}  // namespace

TEST(PortForwardValue, NumbersReadAsTheStoredValuesAlwaysWere)
{
    for (const NumberCase& c : kNumbers) {
        SCOPED_TRACE(testing::Message() << "piece \"" << c.piece << "\"");
        EXPECT_EQ(c.expected, ParsePortForwardNumber(c.piece, std::strlen(c.piece)));
    }
    // The length bounds the piece: nothing past it is read.
    EXPECT_EQ(12, ParsePortForwardNumber("123", 2));
}

TEST(PortForwardValue, SplitsAtCommasSkippingEmptyPieces)
{
    for (const ValueCase& c : kValues) {
        SCOPED_TRACE(testing::Message() << "value \"" << c.value << "\"");
        int32_t fields[kPortForwardFieldCount] = {-9, -9, -9, -9, -9, -9};
        ASSERT_EQ(c.accepted, ParsePortForwardValue(c.value, fields));
        for (size_t i = 0; i < kPortForwardFieldCount; ++i)
            EXPECT_EQ(c.accepted ? c.fields[i] : -9, fields[i]) << "field " << i;
    }
}

TEST(PortForwardValue, RecordTakesTheLowBitsOfEachField)
{
    struct Case {
        int32_t fields[kPortForwardFieldCount];
        uint16_t protocol;
        uint16_t port;
        uint32_t inAddr;
    };
    const Case cases[] = {
        {{1, 80, 192, 168, 0, 5}, 1, 80, 0x0500A8C0u},
        {{0, 70000, 10, 0, 0, 1}, 0, 4464, 0x0100000Au},             // 70000 is sent as its low 16 bits
        {{65537, 8080, 256 + 192, -1, 0, 1}, 1, 8080, 0x0100FFC0u},  // 65537 -> 1 (TCP); octets low 8 bits
        {{2, -1, 1, 2, 3, 4}, 2, 0xFFFF, 0x04030201u},
    };
    for (const Case& c : cases) {
        const PortForwardRecord r = PortForwardFromFields(c.fields);
        SCOPED_TRACE(testing::Message() << "port field " << c.fields[1]);
        EXPECT_EQ(c.protocol, r.protocol);
        EXPECT_EQ(c.port, r.port);
        EXPECT_EQ(c.inAddr, r.inAddr);
        EXPECT_EQ(0, r.reserved);
        EXPECT_EQ(0, r.index);
    }
    // Address first octet first on the wire.
    const int32_t fields[kPortForwardFieldCount] = {1, 80, 192, 168, 0, 5};
    const PortForwardBytes bytes = EncodePortForward(PortForwardFromFields(fields));
    EXPECT_EQ(192, bytes[kForwardAddressOffset]);
    EXPECT_EQ(5, bytes[kForwardAddressOffset + 3]);
}

TEST(PortForwardValue, KeyNames)
{
    EXPECT_EQ("PortForward0", PortForwardKeyName(0));
    EXPECT_EQ("PortForward12", PortForwardKeyName(12));
}
