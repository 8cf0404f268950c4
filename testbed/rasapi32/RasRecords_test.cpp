#include "RasRecords.h"

#include <gtest/gtest.h>

namespace {

using rasrecords::Record;

struct SizeCase {
    Record record;
    uint32_t size;
    bool known32;
    bool known64;
};

TEST(RasRecords, KnownSizesPerPointerWidth)
{
    const SizeCase cases[] = {
        {Record::EntryName, 264, true, true},      {Record::EntryName, 532, true, true},
        {Record::EntryName, 263, false, false},    {Record::EntryName, 0, false, false},
        {Record::DialParams, 1052, true, true},    {Record::DialParams, 1060, true, false},
        {Record::DialParams, 1064, true, true},  // 4.01 in 64-bit, 6.01 in 32-bit
        {Record::DialParams, 1068, false, true},   {Record::DialParams, 1056, false, false},
        {Record::Connection, 412, true, false},    {Record::Connection, 416, false, true},
        {Record::Connection, 676, true, false},    {Record::Connection, 680, false, true},
        {Record::Connection, 692, true, false},    {Record::Connection, 696, false, true},
        {Record::Connection, 704, true, false},    {Record::Connection, 708, false, true},
        {Record::Connection, 424, false, false},   {Record::DeviceInfo, 152, true, true},
        {Record::DeviceInfo, 150, false, false},   {Record::ConnectStatus, 160, true, true},
        {Record::ConnectStatus, 288, true, true},  {Record::ConnectStatus, 158, false, false},
        {Record::DialExtensions, 16, true, false}, {Record::DialExtensions, 24, false, true},
        {Record::DialExtensions, 28, true, false}, {Record::DialExtensions, 44, false, true},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "record " << static_cast<int>(c.record) << " size " << c.size);
        EXPECT_EQ(rasrecords::IsKnownSize(c.record, c.size, 4), c.known32);
        EXPECT_EQ(rasrecords::IsKnownSize(c.record, c.size, 8), c.known64);
    }
}

TEST(RasRecords, OffsetsOfTheFieldsThatAreWritten)
{
    namespace rr = rasrecords;
    EXPECT_EQ(rr::dialparams::kUserName, 519u);
    EXPECT_EQ(rr::dialparams::kPassword, 776u);
    EXPECT_EQ(rr::dialparams::kDomain, 1033u);
    EXPECT_EQ(rr::connection::EntryName(4), 8u);
    EXPECT_EQ(rr::connection::EntryName(8), 12u) << "the handle is packed to 4 bytes";
    EXPECT_EQ(rr::connection::DeviceName(4), 282u);
    EXPECT_EQ(rr::connection::DeviceName(8), 286u);
    EXPECT_EQ(rr::deviceinfo::kName, 21u);
    EXPECT_EQ(rr::connectstatus::kDeviceName, 29u);
}

struct PlanCase {
    const char* name;
    size_t items;
    uint32_t recordSize;
    uint32_t bufferBytes;
    uint32_t result;
    uint32_t needed;
};

TEST(RasRecords, ListAnswers)
{
    const PlanCase cases[] = {
        {"one-entry buffer, three entries", 3, 264, 264, 603, 792},
        {"room for all three", 3, 264, 792, 0, 792},
        {"more room than needed", 3, 264, 4096, 0, 792},
        {"one byte short", 3, 264, 791, 603, 792},
        {"nothing to list", 0, 264, 0, 0, 0},
        {"size query without a buffer", 2, 152, 0, 603, 304},
        {"one connection in one record", 1, 412, 412, 0, 412},
        {"two connections in one record", 2, 412, 412, 603, 824},
        {"product capped, never wrapped", size_t(1) << 31, 264, UINT32_MAX, 603, UINT32_MAX},
    };
    for (const PlanCase& c : cases) {
        SCOPED_TRACE(c.name);
        const rasrecords::ListAnswer answer = rasrecords::PlanList(c.items, c.recordSize, c.bufferBytes);
        EXPECT_EQ(answer.result, c.result);
        EXPECT_EQ(answer.neededBytes, c.needed);
    }
}

}  // namespace
