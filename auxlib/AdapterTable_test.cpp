#include "AdapterTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testing/FakeTdiStack.h"

namespace {

AdapterRecord Record(const std::string& description, std::vector<uint32_t> addresses, int dhcp = 0)
{
    AdapterRecord record;
    record.SetDescription(description);
    record.addresses = addresses;
    record.dhcp = dhcp;
    record.subnetMask = Ip(255, 255, 255, 0);
    record.gateway = Ip(10, 0, 0, 254);
    for (size_t i = 0; i < kHardwareAddressSize; ++i)
        record.hardwareAddress[i] = static_cast<uint8_t>(0xA0 + i);
    return record;
}

class AdapterTableTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        table_.AddAdapter(Record("First", {Ip(10, 0, 0, 1), Ip(10, 0, 1, 1)}));
        table_.AddAdapter(Record("Second", {0}, 1));
        table_.AddAdapter(Record("Third", {Ip(10, 0, 0, 3)}));
        table_.AddAdapter(Record("Fourth", {Ip(10, 0, 0, 4)}));
        table_.AddDnsServer(Ip(10, 0, 0, 53));
    }
    CAdapterTable table_;
};

TEST_F(AdapterTableTest, BadIndexesAnswerZeroAndLeaveBuffersAlone)
{
    for (int bad : {-1, table_.AdapterCount(), 1000}) {
        char name[128];
        std::memset(name, 'k', sizeof name);
        EXPECT_EQ(table_.CopyName(bad, name, sizeof name), 0) << bad;
        EXPECT_EQ(name[0], 'k');
        char mac[6] = {'k', 'k', 'k', 'k', 'k', 'k'};
        EXPECT_EQ(table_.CopyHardwareAddress(bad, mac, sizeof mac), 0);
        EXPECT_EQ(mac[0], 'k');
        EXPECT_EQ(table_.IsDhcp(bad), 0);
        EXPECT_EQ(table_.IpCount(bad), 0);
        EXPECT_EQ(table_.IpAddress(bad, 0), 0u);
        EXPECT_EQ(table_.SubnetMask(bad), 0u);
        EXPECT_EQ(table_.Gateway(bad), 0u);
    }
    EXPECT_EQ(table_.DnsServer(-1), 0u);
    EXPECT_EQ(table_.DnsServer(1), 0u);
    EXPECT_EQ(table_.DnsServer(0), Ip(10, 0, 0, 53));
}

TEST_F(AdapterTableTest, AddressIndexWithinTheAdapter)
{
    EXPECT_EQ(table_.IpCount(0), 2);
    EXPECT_EQ(table_.IpAddress(0, 1), Ip(10, 0, 1, 1));
    EXPECT_EQ(table_.IpAddress(0, 2), 0u);
    EXPECT_EQ(table_.IpAddress(0, -1), 0u);
    EXPECT_EQ(table_.SubnetMask(0), Ip(255, 255, 255, 0));
    EXPECT_EQ(table_.Gateway(2), Ip(10, 0, 0, 254));
    EXPECT_EQ(table_.IsDhcp(1), 1);
}

TEST_F(AdapterTableTest, NameCopyNeverExceedsTheBuffer)
{
    char name[8];
    std::memset(name, 'k', sizeof name);
    EXPECT_EQ(table_.CopyName(1, name, 4), 6);  // the length of "Second"
    EXPECT_STREQ(name, "Sec");
    EXPECT_EQ(name[4], 'k');
    EXPECT_EQ(table_.CopyName(1, name, 0), 6);
    EXPECT_EQ(name[4], 'k');
    char full[128];
    EXPECT_EQ(table_.CopyName(0, full, sizeof full), 5);
    EXPECT_STREQ(full, "First");
}

TEST_F(AdapterTableTest, DescriptionIsCutAt127Characters)
{
    table_.AddAdapter(Record(std::string(200, 'n'), {Ip(1, 2, 3, 4)}));
    char name[128];
    EXPECT_EQ(table_.CopyName(4, name, sizeof name), 127);
    EXPECT_EQ(std::string(name), std::string(127, 'n'));
}

TEST_F(AdapterTableTest, HardwareAddressIsSixBytes)
{
    char mac[8] = {};
    EXPECT_EQ(table_.CopyHardwareAddress(0, mac, 6), 6);
    EXPECT_EQ(static_cast<uint8_t>(mac[0]), 0xA0);
    EXPECT_EQ(static_cast<uint8_t>(mac[5]), 0xA5);
    EXPECT_EQ(mac[6], 0);
    char shorter[2] = {};
    EXPECT_EQ(table_.CopyHardwareAddress(0, shorter, 2), 2);
}

TEST_F(AdapterTableTest, LocalAddressesSkipZeroAndStopAtMax)
{
    uint32_t out[4] = {7, 7, 7, 7};
    EXPECT_EQ(table_.LocalAddresses(out, 2), 2);
    EXPECT_EQ(out[0], Ip(10, 0, 0, 1));
    EXPECT_EQ(out[1], Ip(10, 0, 0, 3));  // Second's first address is 0
    EXPECT_EQ(out[2], 7u);
    uint32_t all[5] = {7, 7, 7, 7, 7};
    EXPECT_EQ(table_.LocalAddresses(all, 5), 3);
    EXPECT_EQ(all[3], 0u);  // every slot up to max is zeroed
    EXPECT_EQ(all[4], 0u);
    EXPECT_EQ(table_.LocalAddresses(all, 0), 0);
}

TEST_F(AdapterTableTest, RemoveMovesLaterAdaptersDown)
{
    table_.RemoveAdapter(1);
    ASSERT_EQ(table_.AdapterCount(), 3);
    EXPECT_EQ(table_.Adapter(1)->description, "Third");
    table_.RemoveAdapter(7);
    EXPECT_EQ(table_.AdapterCount(), 3);
}

TEST_F(AdapterTableTest, ClearEmptiesBoth)
{
    table_.Clear();
    EXPECT_EQ(table_.AdapterCount(), 0);
    EXPECT_EQ(table_.DnsServerCount(), 0);
    EXPECT_EQ(table_.Adapters().capacity(), 0u);
}

TEST(AdapterTable, GrowsInBlocksOfTen)
{
    CAdapterTable table;
    table.AddDnsServer(1);
    EXPECT_EQ(table.DnsServers().capacity(), kTableBlock);
    for (uint32_t i = 2; i <= 11; ++i)
        table.AddDnsServer(i);
    EXPECT_EQ(table.DnsServers().capacity(), 2 * kTableBlock);
    table.AddAdapter(AdapterRecord());
    EXPECT_EQ(table.Adapters().capacity(), kTableBlock);
}

TEST(AdapterRecord, ConfigKeyIsCutAt129Characters)
{
    AdapterRecord record;
    record.SetConfigKey(std::string(300, 'c'));
    EXPECT_EQ(record.configKey.size(), kConfigKeyMax);
}

}  // namespace
