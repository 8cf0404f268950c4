#include "StackInventory.h"

#include <gtest/gtest.h>

#include "AuxBytes.h"
#include "RegistryPaths.h"
#include "testdata/Wine8WsControl.h"
#include "testing/FakeRegistry.h"
#include "testing/FakeSystem.h"
#include "testing/FakeTdiStack.h"

namespace {

const std::vector<uint8_t> kMacA = {0x00, 0x40, 0x05, 0x11, 0x22, 0x33};
const std::vector<uint8_t> kMacB = {0x00, 0x40, 0x05, 0x44, 0x55, 0x66};
const std::vector<uint8_t> kMacC = {0x00, 0x40, 0x05, 0x77, 0x88, 0x99};

uint32_t RequestField(const TdiRequestBytes& request, size_t offset)
{
    uint32_t value = 0;
    auxbytes::GetU32(request.data(), request.size(), offset, value);
    return value;
}

class StackInventoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        registry_.SetText(RegRoot::LocalMachine, kMstcpKey, "NameServer", "192.0.2.53,192.0.2.54");
        // Three Ethernet cards and the loopback interface; A takes its address by DHCP, C has none.
        stack_.Build(
            {{1, kSoftwareLoopbackType, {}, "MS TCP Loopback interface"},
             {2, 6, kMacA, "Card A"},
             {3, 6, kMacB, "Card B"},
             {4, 6, kMacC, "Card C"}},
            {{Ip(127, 0, 0, 1), 1, Ip(255, 0, 0, 0)},
             {Ip(10, 0, 0, 5), 2, Ip(255, 255, 255, 0)},
             {Ip(192, 168, 5, 1), 3, Ip(255, 255, 0, 0)},
             {Ip(192, 168, 6, 1), 3, Ip(255, 255, 255, 0)},
             {0, 4, 0}},
            {{Ip(10, 0, 0, 0), 2, Ip(10, 0, 0, 5)}, {0, 3, 0}, {0, 3, Ip(192, 168, 5, 254)}, {0, 2, Ip(10, 0, 0, 1)}});
        vdhcp_.reply = BuildVdhcpReply({{{0x00, 0x11, 0x11, 0x11, 0x11, 0x11}, Ip(172, 16, 0, 9), {Ip(9, 9, 9, 9)}},
                                        {kMacA, Ip(10, 0, 0, 5), {Ip(10, 0, 0, 53), Ip(10, 0, 0, 54)}}});
    }

    bool Run() { return CStackInventory(stack_, vdhcp_, registry_).Run(table_); }

    CFakeTdiStack stack_;
    CFakeVdhcpDevice vdhcp_;
    CFakeRegistry registry_;
    CAdapterTable table_;
};

TEST_F(StackInventoryTest, InterfacesInReverseEntityOrderWithoutLoopback)
{
    ASSERT_TRUE(Run());
    ASSERT_EQ(table_.AdapterCount(), 3);
    EXPECT_EQ(table_.Adapter(0)->description, "Card C");
    EXPECT_EQ(table_.Adapter(1)->description, "Card B");
    EXPECT_EQ(table_.Adapter(2)->description, "Card A");
    for (const AdapterRecord& record : table_.Adapters())
        EXPECT_TRUE(record.configKey.empty());
}

TEST_F(StackInventoryTest, AddressesMasksGatewaysAndHardware)
{
    ASSERT_TRUE(Run());
    const AdapterRecord& b = *table_.Adapter(1);
    EXPECT_EQ(b.addresses, (std::vector<uint32_t>{Ip(192, 168, 5, 1), Ip(192, 168, 6, 1)}));
    EXPECT_EQ(b.subnetMask, Ip(255, 255, 0, 0));  // of the first address
    EXPECT_EQ(b.gateway, Ip(192, 168, 5, 254));   // the first nonzero next hop of a default route
    EXPECT_EQ(std::vector<uint8_t>(b.hardwareAddress.begin(), b.hardwareAddress.end()), kMacB);
    const AdapterRecord& a = *table_.Adapter(2);
    EXPECT_EQ(a.addresses, (std::vector<uint32_t>{Ip(10, 0, 0, 5)}));
    EXPECT_EQ(a.gateway, Ip(10, 0, 0, 1));  // the route to 10.0.0.0 is not a default route
}

TEST_F(StackInventoryTest, InterfaceWithoutAddressReportsTheAddressZero)
{
    ASSERT_TRUE(Run());
    const AdapterRecord& c = *table_.Adapter(0);
    EXPECT_EQ(c.addresses, (std::vector<uint32_t>{0}));
    EXPECT_EQ(table_.IpCount(0), 1);
    EXPECT_EQ(table_.IpAddress(0, 0), 0u);
    EXPECT_EQ(c.subnetMask, 0u);
    EXPECT_EQ(c.gateway, 0u);
}

TEST_F(StackInventoryTest, DhcpByHardwareAddressAndDnsPerAdapter)
{
    ASSERT_TRUE(Run());
    EXPECT_EQ(table_.IsDhcp(0), 0);
    EXPECT_EQ(table_.IsDhcp(1), 0);
    EXPECT_EQ(table_.IsDhcp(2), 1);
    // Two static adapters bring the configured servers twice; the DHCP one the servers of its lease.
    EXPECT_EQ(table_.DnsServers(), (std::vector<uint32_t>{Ip(192, 0, 2, 53), Ip(192, 0, 2, 54), Ip(192, 0, 2, 53),
                                                          Ip(192, 0, 2, 54), Ip(10, 0, 0, 53), Ip(10, 0, 0, 54)}));
    // One table read per interface for the DHCP flag, one more for the DHCP adapter's servers.
    EXPECT_EQ(vdhcp_.reads, 4);
}

TEST_F(StackInventoryTest, WithoutTheDhcpDeviceEveryAdapterIsStatic)
{
    vdhcp_.present = false;
    ASSERT_TRUE(Run());
    for (int i = 0; i < table_.AdapterCount(); ++i)
        EXPECT_EQ(table_.IsDhcp(i), 0) << i;
    EXPECT_EQ(table_.DnsServerCount(), 6);
}

TEST_F(StackInventoryTest, DhcpAdapterWhoseAddressHasNoLeaseGetsNoServers)
{
    vdhcp_.reply = BuildVdhcpReply({{kMacA, Ip(10, 9, 9, 9), {Ip(10, 0, 0, 53)}}});
    ASSERT_TRUE(Run());
    EXPECT_EQ(table_.IsDhcp(2), 1);
    EXPECT_EQ(table_.DnsServerCount(), 4);
}

TEST_F(StackInventoryTest, RequestsHaveTheQueryLayout)
{
    ASSERT_TRUE(Run());
    const std::vector<TdiRequestBytes>& requests = stack_.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(RequestField(requests[0], kTdiRequestEntity), kGenericEntity);
    EXPECT_EQ(RequestField(requests[0], kTdiRequestClass), kGenericClass);
    EXPECT_EQ(RequestField(requests[0], kTdiRequestType), kProviderType);
    EXPECT_EQ(RequestField(requests[0], kTdiRequestId), kEntityListId);
    for (const TdiRequestBytes& request : requests) {
        for (size_t i = kTdiRequestContext; i < kTdiRequestSize; ++i)
            EXPECT_EQ(request[i], 0) << i;
        EXPECT_EQ(RequestField(request, kTdiRequestType), kProviderType);
    }
    // List, then per interface kind and entry, then the IP entity's kind, statistics, addresses, routes.
    EXPECT_EQ(requests.size(), 1u + 4 * 2 + 4);
}

TEST_F(StackInventoryTest, EntityListGrowsToTheLengthTheStackAsksFor)
{
    // 40 entities need 320 bytes, more than the first 256.
    std::vector<TdiEntity> entities;
    for (uint32_t i = 0; i < 39; ++i)
        entities.push_back({0x400, i});
    entities.push_back({kInterfaceEntity, 3});
    std::vector<uint8_t> list = BuildEntityList(entities);
    list.resize(list.size() + 5);  // a partial record at the end is rounded away
    stack_.SetReply({kGenericEntity, 0, kGenericClass, kProviderType, kEntityListId}, list);
    ASSERT_TRUE(Run());
    ASSERT_EQ(table_.AdapterCount(), 1);
    EXPECT_EQ(table_.Adapter(0)->description, "Card B");
    EXPECT_EQ(RequestField(stack_.Requests()[0], kTdiRequestId), kEntityListId);
    EXPECT_EQ(RequestField(stack_.Requests()[1], kTdiRequestId), kEntityListId);
}

TEST_F(StackInventoryTest, RouteTableGrowsWhenTheStatisticsUndercount)
{
    stack_.SetReply({kNetworkEntity, 1, kProtocolClass, kProviderType, kIpStatisticsId}, BuildIpStatistics(5, 1));
    ASSERT_TRUE(Run());
    EXPECT_EQ(table_.Adapter(1)->gateway, Ip(192, 168, 5, 254));  // from the third route
    EXPECT_EQ(table_.Adapter(2)->gateway, Ip(10, 0, 0, 1));       // from the fourth
}

TEST_F(StackInventoryTest, AddressTableIsReadForTheCountOnly)
{
    // Statistics claim two addresses: the two entries of the loopback and card A are read, the rest not.
    stack_.SetReply({kNetworkEntity, 1, kProtocolClass, kProviderType, kIpStatisticsId}, BuildIpStatistics(2, 4));
    ASSERT_TRUE(Run());
    EXPECT_EQ(table_.Adapter(2)->addresses, (std::vector<uint32_t>{Ip(10, 0, 0, 5)}));
    EXPECT_EQ(table_.Adapter(1)->addresses, (std::vector<uint32_t>{0}));
}

TEST_F(StackInventoryTest, EntitiesOfOtherKindsAreNotAsked)
{
    std::vector<uint8_t> kind(kEntityKindSize);
    StoreLe32(kind.data(), 0x999);
    stack_.SetReply({kInterfaceEntity, 3, kGenericClass, kProviderType, kEntityKindId}, kind);
    ASSERT_TRUE(Run());
    ASSERT_EQ(table_.AdapterCount(), 2);
    EXPECT_EQ(table_.Adapter(0)->description, "Card C");
    EXPECT_EQ(table_.Adapter(1)->description, "Card A");
}

TEST_F(StackInventoryTest, AnyFailingQueryLeavesNothing)
{
    struct Query {
        uint32_t entity, infoClass, id;
    };
    const Query queries[] = {
        {kGenericEntity, kGenericClass, kEntityListId},        {kInterfaceEntity, kGenericClass, kEntityKindId},
        {kInterfaceEntity, kProtocolClass, kInterfaceEntryId}, {kNetworkEntity, kGenericClass, kEntityKindId},
        {kNetworkEntity, kProtocolClass, kIpStatisticsId},     {kNetworkEntity, kProtocolClass, kAddressTableId},
        {kNetworkEntity, kProtocolClass, kRouteTableId},
    };
    for (const Query& query : queries) {
        CFakeTdiStack stack = stack_;
        stack.FailQuery(query.entity, query.infoClass, query.id);
        CAdapterTable table;
        EXPECT_FALSE(CStackInventory(stack, vdhcp_, registry_).Run(table))
            << query.entity << "/" << query.infoClass << "/" << query.id;
        EXPECT_EQ(table.AdapterCount(), 0);
        EXPECT_EQ(table.DnsServerCount(), 0);
    }
}

TEST_F(StackInventoryTest, StatisticsOfAnotherLengthFail)
{
    std::vector<uint8_t> shorter = BuildIpStatistics(5, 4);
    shorter.resize(kIpStatisticsSize - 4);
    stack_.SetReply({kNetworkEntity, 1, kProtocolClass, kProviderType, kIpStatisticsId}, shorter);
    EXPECT_FALSE(Run());
    EXPECT_EQ(table_.AdapterCount(), 0);
}

TEST_F(StackInventoryTest, LongDescriptionIsCut)
{
    stack_.SetReply({kInterfaceEntity, 2, kProtocolClass, kProviderType, kInterfaceEntryId},
                    BuildInterfaceEntry({2, 6, kMacA, std::string(200, 'd')}));
    ASSERT_TRUE(Run());
    EXPECT_EQ(table_.Adapter(2)->description, std::string(kDescriptionMax, 'd'));
}

TEST_F(StackInventoryTest, StackThatKeepsAskingForMoreFails)
{
    // An entity list that claims a length beyond any real stack.
    std::vector<uint8_t> huge(kTdiMaxReply + 8);
    stack_.SetReply({kGenericEntity, 0, kGenericClass, kProviderType, kEntityListId}, huge);
    EXPECT_FALSE(Run());
    EXPECT_EQ(table_.AdapterCount(), 0);
}

// The replies Wine 8 gave (testdata/Wine8WsControl.h): only ifb0 has an interface entity besides the
// loopback, and its address entry is empty.
TEST(StackInventoryWine8, CapturedRepliesGiveOneAdapterWithoutAddress)
{
    CFakeTdiStack stack;
    for (const CapturedTdiReply& reply : Wine8WsControlReplies())
        stack.SetReply({reply.entity, reply.instance, reply.infoClass, kProviderType, reply.id}, reply.bytes);
    CFakeVdhcpDevice vdhcp;
    vdhcp.present = false;
    CFakeRegistry registry;
    registry.SetText(RegRoot::LocalMachine, kMstcpKey, "NameServer", "10.255.255.53");
    CAdapterTable table;
    ASSERT_TRUE(CStackInventory(stack, vdhcp, registry).Run(table));
    ASSERT_EQ(table.AdapterCount(), 1);
    EXPECT_EQ(table.Adapter(0)->description, "ifb0");
    EXPECT_EQ(table.Adapter(0)->addresses, (std::vector<uint32_t>{0}));
    EXPECT_EQ(table.Adapter(0)->gateway, 0u);  // the default route belongs to interface 4
    EXPECT_EQ(table.Adapter(0)->hardwareAddress[0], 0x3a);
    EXPECT_EQ(table.DnsServers(), (std::vector<uint32_t>{Ip(10, 255, 255, 53)}));
}

}  // namespace
