#include "DriverRecords.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

uint32_t Address(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    const uint8_t octets[4] = {a, b, c, d};
    uint32_t v;
    std::memcpy(&v, octets, sizeof v);
    return v;
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

AlarmRecord Alarm(uint32_t n)
{
    AlarmRecord r;
    r.srcAddr = Address(10, 0, static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n));
    r.srcPort = static_cast<uint16_t>(1000 + n);
    r.dstPort = static_cast<uint16_t>(2000 + n);
    r.dstAddr = Address(192, 168, 0, static_cast<uint8_t>(n));
    r.kind = n & 1;
    r.protocol = n % 3;
    return r;
}

void ExpectSameAlarm(const AlarmRecord& want, const AlarmRecord& got)
{
    EXPECT_EQ(want.srcAddr, got.srcAddr);
    EXPECT_EQ(want.srcPort, got.srcPort);
    EXPECT_EQ(want.dstPort, got.dstPort);
    EXPECT_EQ(want.dstAddr, got.dstAddr);
    EXPECT_EQ(want.kind, got.kind);
    EXPECT_EQ(want.protocol, got.protocol);
}

}  // namespace

TEST(PortForwardRecord, EncodesFieldByFieldLittleEndian)
{
    PortForwardRecord r;
    r.protocol = 1;
    r.inAddr = Address(192, 168, 0, 10);
    r.port = 8080;
    r.index = 3;
    const PortForwardBytes want = {0x01, 0x00, 0x00, 0x00, 0xC0, 0xA8, 0x00, 0x0A, 0x90, 0x1F, 0x03, 0x00};
    EXPECT_EQ(want, EncodePortForward(r));
}

TEST(PortForwardRecord, DecodesTheExactBytes)
{
    const uint8_t bytes[kPortForwardRecordSize] = {0x00, 0x00, 0x34, 0x12, 10, 1, 2, 3, 0x35, 0x00, 0x07, 0x01};
    PortForwardRecord r;
    ASSERT_TRUE(DecodePortForward(bytes, sizeof bytes, r));
    EXPECT_EQ(0u, r.protocol);
    EXPECT_EQ(0x1234u, r.reserved);
    EXPECT_EQ(Address(10, 1, 2, 3), r.inAddr);
    EXPECT_EQ(53u, r.port);
    EXPECT_EQ(0x0107u, r.index);
}

TEST(PortForwardRecord, RoundTrips)
{
    const PortForwardRecord cases[] = {
        {},
        {1, 0, Address(192, 168, 0, 2), 80, 0},
        {0, 0, Address(255, 255, 255, 255), 65535, 65535},
        {0xFFFF, 0xFFFF, Address(1, 2, 3, 4), 1, 127},
    };
    for (const PortForwardRecord& c : cases) {
        PortForwardBytes bytes = EncodePortForward(c);
        PortForwardRecord back;
        ASSERT_TRUE(DecodePortForward(bytes.data(), bytes.size(), back));
        EXPECT_EQ(c.protocol, back.protocol);
        EXPECT_EQ(c.reserved, back.reserved);
        EXPECT_EQ(c.inAddr, back.inAddr);
        EXPECT_EQ(c.port, back.port);
        EXPECT_EQ(c.index, back.index);
    }
}

TEST(PortForwardRecord, ShortInputIsRefusedAndLeavesTheRecord)
{
    std::vector<uint8_t> bytes(kPortForwardRecordSize - 1, 0xAB);
    PortForwardRecord r;
    r.port = 42;
    EXPECT_FALSE(DecodePortForward(bytes.data(), bytes.size(), r));
    EXPECT_FALSE(DecodePortForward(nullptr, kPortForwardRecordSize, r));
    EXPECT_EQ(42u, r.port);
}

TEST(AlarmRecord, EncodesTheExactBytes)
{
    AlarmRecord r;
    r.srcAddr = Address(203, 0, 113, 9);
    r.srcPort = 0x1F90;
    r.dstPort = 0x8001;
    r.dstAddr = Address(192, 168, 0, 1);
    r.kind = 1;
    r.protocol = 0x01020304;
    const AlarmRecordBytes want = {203, 0, 113,  9,    0x90, 0x1F, 0x01, 0x80, 192, 168, 0, 1, 1, 0,
                                   0,   0, 0x04, 0x03, 0x02, 0x01, 0,    0,    0,   0,   0, 0, 0, 0};
    EXPECT_EQ(want, EncodeAlarmRecord(r));
}

TEST(AlarmBlock, RoundTripsZeroOneAndAFullBlock)
{
    for (size_t n : {size_t{0}, size_t{1}, kMaxAlarmRecords}) {
        std::vector<AlarmRecord> in;
        for (size_t i = 0; i < n; ++i)
            in.push_back(Alarm(static_cast<uint32_t>(i)));
        std::vector<uint8_t> buffer(kAlarmBufferSize);
        size_t length = EncodeAlarmBlock(in, buffer.data(), buffer.size());
        EXPECT_EQ(kAlarmHeaderSize + n * kAlarmRecordSize, length);
        buffer.resize(length);  // what the driver reported; anything past it must not be read
        std::vector<AlarmRecord> out(3);
        ASSERT_TRUE(DecodeAlarmBlock(buffer.data(), buffer.size(), out));
        ASSERT_EQ(n, out.size());
        for (size_t i = 0; i < n; ++i)
            ExpectSameAlarm(in[i], out[i]);
    }
}

TEST(AlarmBlock, HeaderLayout)
{
    std::vector<AlarmRecord> in = {Alarm(7), Alarm(8)};
    std::vector<uint8_t> buffer(kAlarmBufferSize, 0xEE);
    ASSERT_EQ(kAlarmHeaderSize + 2 * kAlarmRecordSize, EncodeAlarmBlock(in, buffer.data(), buffer.size()));
    const uint8_t header[kAlarmHeaderSize] = {0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(header, buffer.data(), sizeof header));
    AlarmRecordBytes second = EncodeAlarmRecord(in[1]);
    EXPECT_EQ(0, std::memcmp(second.data(), buffer.data() + kAlarmHeaderSize + kAlarmRecordSize, second.size()));
    EXPECT_EQ(0xEE, buffer[kAlarmHeaderSize + 2 * kAlarmRecordSize]);  // nothing written past the block
}

TEST(AlarmBlock, CountIsClampedToTheBytesAndTo71)
{
    struct Case {
        const char* what;
        uint32_t count;     // what the header says
        size_t records;     // whole records actually present
        size_t extraBytes;  // a partial record after them
        size_t expected;
    };
    const Case cases[] = {
        {"count matches", 5, 5, 0, 5},
        {"count beyond the received bytes", 5, 2, 0, 2},
        {"partial record is not read", 3, 2, 27, 2},
        {"count below what is present", 1, 4, 0, 1},
        {"72 in a 2000-byte reply", 72, 71, kAlarmBufferSize - kAlarmHeaderSize - 71 * kAlarmRecordSize, 71},
        {"more than 71 present", 100, 100, 0, 71},
        {"huge count", 0xFFFFFFFFu, 3, 0, 3},
        {"zero count with records present", 0, 3, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> bytes(kAlarmHeaderSize + c.records * kAlarmRecordSize + c.extraBytes, 0);
        PutU32(bytes, kAlarmHeaderCountOffset, c.count);
        for (size_t i = 0; i < c.records; ++i) {
            AlarmRecordBytes r = EncodeAlarmRecord(Alarm(static_cast<uint32_t>(i)));
            std::memcpy(bytes.data() + kAlarmHeaderSize + i * kAlarmRecordSize, r.data(), r.size());
        }
        std::vector<AlarmRecord> out;
        ASSERT_TRUE(DecodeAlarmBlock(bytes.data(), bytes.size(), out));
        ASSERT_EQ(c.expected, out.size());
        for (size_t i = 0; i < out.size(); ++i)
            ExpectSameAlarm(Alarm(static_cast<uint32_t>(i)), out[i]);
    }
}

TEST(AlarmBlock, MissingHeaderFails)
{
    for (size_t length : {size_t{0}, size_t{4}, kAlarmHeaderSize - 1}) {
        std::vector<uint8_t> bytes(length, 0x01);
        std::vector<AlarmRecord> out(2);
        EXPECT_FALSE(DecodeAlarmBlock(length ? bytes.data() : nullptr, length, out)) << length;
        EXPECT_TRUE(out.empty());
    }
}

TEST(AlarmBlock, EncodeCapsAt71AndAtTheCapacity)
{
    std::vector<AlarmRecord> in;
    for (uint32_t i = 0; i < 80; ++i)
        in.push_back(Alarm(i));
    std::vector<uint8_t> big(kAlarmHeaderSize + 80 * kAlarmRecordSize);
    EXPECT_EQ(kAlarmHeaderSize + kMaxAlarmRecords * kAlarmRecordSize, EncodeAlarmBlock(in, big.data(), big.size()));
    std::vector<uint8_t> small(kAlarmHeaderSize + 2 * kAlarmRecordSize + 5);
    EXPECT_EQ(kAlarmHeaderSize + 2 * kAlarmRecordSize, EncodeAlarmBlock(in, small.data(), small.size()));
    std::vector<uint8_t> tiny(kAlarmHeaderSize - 1);
    EXPECT_EQ(0u, EncodeAlarmBlock(in, tiny.data(), tiny.size()));
}
