#include "TdiQuery.h"

#include <gtest/gtest.h>

#include "testdata/Wine8WsControl.h"
#include "testing/FakeTdiStack.h"

namespace {

const CapturedTdiReply& Captured(uint32_t entity, uint32_t instance, uint32_t id, uint32_t infoClass)
{
    for (const CapturedTdiReply& reply : Wine8WsControlReplies()) {
        if (reply.entity == entity && reply.instance == instance && reply.id == id && reply.infoClass == infoClass)
            return reply;
    }
    static const CapturedTdiReply none = {};
    ADD_FAILURE() << "no captured reply for entity " << entity << " instance " << instance << " id " << id;
    return none;
}

TEST(EncodeTdiRequest, FieldsLittleEndianContextZero)
{
    TdiRequest request;
    request.entity = kNetworkEntity;
    request.instance = 2;
    request.infoClass = kProtocolClass;
    request.infoType = kProviderType;
    request.id = kAddressTableId;
    const TdiRequestBytes bytes = EncodeTdiRequest(request);
    const uint8_t expected[kTdiRequestSize] = {0x01, 0x03, 0, 0, 2,    0,    0, 0, 0x00, 0x02, 0, 0,
                                               0x00, 0x01, 0, 0, 0x02, 0x01, 0, 0, 0,    0,    0, 0,
                                               0,    0,    0, 0, 0,    0,    0, 0, 0,    0,    0, 0};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.end()),
              std::vector<uint8_t>(expected, expected + kTdiRequestSize));
}

TEST(ParseEntityList, WholeRecordsOnly)
{
    const CapturedTdiReply& list = Captured(kGenericEntity, 0, kEntityListId, kGenericClass);
    const std::vector<TdiEntity> entities = ParseEntityList(list.bytes.data(), list.bytes.size());
    ASSERT_EQ(entities.size(), 8u);
    EXPECT_EQ(entities[0].type, 0x400u);
    EXPECT_EQ(entities[4].type, kInterfaceEntity);
    EXPECT_EQ(entities[4].instance, 1u);
    EXPECT_EQ(entities[7].type, kNetworkEntity);
    EXPECT_EQ(entities[7].instance, 3u);
    // A partial last record is not an entity.
    EXPECT_EQ(ParseEntityList(list.bytes.data(), 15).size(), 1u);
    EXPECT_TRUE(ParseEntityList(list.bytes.data(), 7).empty());
}

TEST(ParseInterfaceEntry, CapturedEthernetEntry)
{
    const CapturedTdiReply& reply = Captured(kInterfaceEntity, 2, kInterfaceEntryId, kProtocolClass);
    TdiInterface entry;
    ASSERT_TRUE(ParseInterfaceEntry(reply.bytes.data(), reply.bytes.size(), entry));
    EXPECT_EQ(entry.index, 2u);
    EXPECT_EQ(entry.type, 6u);
    EXPECT_EQ(entry.hardwareLength, 6u);
    EXPECT_EQ(entry.hardware[0], 0x3a);
    EXPECT_EQ(entry.hardware[5], 0xea);
    EXPECT_EQ(entry.description, "ifb0");
}

TEST(ParseInterfaceEntry, CapturedLoopbackEntry)
{
    const CapturedTdiReply& reply = Captured(kInterfaceEntity, 1, kInterfaceEntryId, kProtocolClass);
    TdiInterface entry;
    ASSERT_TRUE(ParseInterfaceEntry(reply.bytes.data(), reply.bytes.size(), entry));
    EXPECT_EQ(entry.type, kSoftwareLoopbackType);
    EXPECT_EQ(entry.description, "lo");
}

TEST(ParseInterfaceEntry, LengthsAreBoundedByTheReply)
{
    FakeInterface iface;
    iface.index = 7;
    iface.hardware = {1, 2, 3, 4, 5, 6, 7, 8};
    iface.description = std::string(300, 'x');
    std::vector<uint8_t> bytes = BuildInterfaceEntry(iface);
    bytes[kInterfaceHardwareLength] = 200;  // claims more than the field holds
    TdiInterface entry;
    ASSERT_TRUE(ParseInterfaceEntry(bytes.data(), bytes.size(), entry));
    EXPECT_EQ(entry.hardwareLength, kInterfaceHardwareMax);
    EXPECT_EQ(entry.description.size(), kInterfaceDescriptionTaken);
    // A description length beyond the reply takes only what is there.
    ASSERT_TRUE(ParseInterfaceEntry(bytes.data(), kInterfaceDescription + 3, entry));
    EXPECT_EQ(entry.description, "xxx");
    // A description with a NUL inside ends there.
    bytes[kInterfaceDescription + 2] = 0;
    ASSERT_TRUE(ParseInterfaceEntry(bytes.data(), bytes.size(), entry));
    EXPECT_EQ(entry.description, "xx");
    EXPECT_FALSE(ParseInterfaceEntry(bytes.data(), kInterfaceDescription - 1, entry));
}

TEST(ParseIpStatistics, ExactlyNinetyTwoBytes)
{
    const CapturedTdiReply& reply = Captured(kNetworkEntity, 1, kIpStatisticsId, kProtocolClass);
    TdiIpCounts counts;
    ASSERT_TRUE(ParseIpStatistics(reply.bytes.data(), reply.bytes.size(), counts));
    EXPECT_EQ(counts.addresses, 2u);
    EXPECT_EQ(counts.routes, 2u);
    EXPECT_FALSE(ParseIpStatistics(reply.bytes.data(), kIpStatisticsSize - 1, counts));
    std::vector<uint8_t> longer(reply.bytes);
    longer.push_back(0);
    EXPECT_FALSE(ParseIpStatistics(longer.data(), longer.size(), counts));
}

TEST(ParseAddressTable, CapturedLoopbackAddress)
{
    const CapturedTdiReply& reply = Captured(kNetworkEntity, 1, kAddressTableId, kProtocolClass);
    const std::vector<TdiAddressEntry> entries = ParseAddressTable(reply.bytes.data(), reply.bytes.size(), 2);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].address, Ip(127, 0, 0, 1));
    EXPECT_EQ(entries[0].index, 1u);
    EXPECT_EQ(entries[0].mask, Ip(255, 0, 0, 0));
}

TEST(ParseAddressTable, AtMostMaxWholeEntries)
{
    const std::vector<uint8_t> bytes =
        BuildAddressTable({{Ip(10, 0, 0, 1), 1, Ip(255, 0, 0, 0)}, {Ip(10, 0, 0, 2), 2, Ip(255, 255, 0, 0)}});
    EXPECT_EQ(ParseAddressTable(bytes.data(), bytes.size(), 1).size(), 1u);
    EXPECT_EQ(ParseAddressTable(bytes.data(), bytes.size() - 1, 5).size(), 1u);
    EXPECT_EQ(ParseAddressTable(bytes.data(), bytes.size(), 5).size(), 2u);
}

TEST(ParseRouteTable, CapturedDefaultRoute)
{
    const CapturedTdiReply& reply = Captured(kNetworkEntity, 1, kRouteTableId, kProtocolClass);
    const std::vector<TdiRouteEntry> routes = ParseRouteTable(reply.bytes.data(), reply.bytes.size());
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(routes[0].destination, 0u);
    EXPECT_EQ(routes[0].index, 4u);
    EXPECT_EQ(routes[0].nextHop, Ip(192, 0, 2, 1));
    EXPECT_EQ(routes[1].destination, Ip(192, 0, 2, 0));
    EXPECT_EQ(ParseRouteTable(reply.bytes.data(), kRouteEntrySize + 20).size(), 1u);
}

}  // namespace
