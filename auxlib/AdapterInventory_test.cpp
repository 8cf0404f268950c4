#include "AdapterInventory.h"

#include <gtest/gtest.h>

#include "RegistryPaths.h"
#include "testing/FakeRegistry.h"
#include "testing/FakeSystem.h"
#include "testing/FakeTdiStack.h"

namespace {

constexpr RegRoot kLm = RegRoot::LocalMachine;

class AdapterInventoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The stack knows one card; the registry of each family two static ones, of which only the first is
        // bound now.
        stack_.Build({{2, 6, {0, 1, 2, 3, 4, 5}, "Stack card"}}, {{Ip(10, 0, 0, 1), 2, Ip(255, 0, 0, 0)}}, {});
        vdhcp_.present = false;
        network_.hostAddresses = {Ip(10, 0, 0, 1)};
        for (const char* n : {"0", "1"}) {
            const std::string enumKey = std::string("Enum\\PCI\\CARD\\") + n;
            registry_.SetText(kLm, enumKey, "Class", "Net");
            registry_.SetText(kLm, enumKey, "DeviceDesc", std::string("Card ") + n);
            registry_.SetText(kLm, enumKey + "\\Bindings", std::string("MSTCP\\000") + n, "");
            registry_.SetText(kLm, std::string(k9xNetworkEnumKey) + "MSTCP\\000" + n, "Driver",
                              std::string("NetTrans\\000") + n);
            registry_.SetText(kLm, std::string(k9xClassKey) + "NetTrans\\000" + n, "IpAddress",
                              n[0] == '0' ? "10.0.0.1" : "10.0.0.2");
        }
        registry_.SetText(kLm, kMstcpKey, "NameServer", "10.0.0.53");
    }

    CAdapterInventory Inventory() { return CAdapterInventory(table_, AuxSystem{registry_, stack_, vdhcp_, network_}); }

    CFakeRegistry registry_;
    CFakeTdiStack stack_;
    CFakeVdhcpDevice vdhcp_;
    CFakeNetworkInfo network_;
    CAdapterTable table_;
};

TEST_F(AdapterInventoryTest, RefreshOn9xAsksTheStack)
{
    EXPECT_EQ(Inventory().Refresh(Win98), 1);
    EXPECT_EQ(table_.Adapter(0)->description, "Stack card");
    EXPECT_TRUE(table_.Adapter(0)->configKey.empty());
}

TEST_F(AdapterInventoryTest, RefreshByRegistryOn9xWalksAndPrunes)
{
    EXPECT_EQ(Inventory().RefreshByRegistry(Win95), 1);
    EXPECT_EQ(table_.Adapter(0)->description, "Card 0");
    EXPECT_EQ(table_.Adapter(0)->configKey, "NetTrans\\0000");
    EXPECT_EQ(table_.DnsServers(), (std::vector<uint32_t>{Ip(10, 0, 0, 53)}));
}

TEST_F(AdapterInventoryTest, RefreshOnNtIsTheRegistryMethod)
{
    registry_.SetText(kLm, std::string(kNt4NetworkCardsKey) + "\\1", "Description", "NT card");
    registry_.SetText(kLm, std::string(kNt4NetworkCardsKey) + "\\1", "ServiceName", "Card1");
    registry_.SetDword(kLm, std::string(kServicesKey) + "Card1", "Type", 4);
    registry_.SetMulti(kLm, std::string(kServicesKey) + "Card1\\Linkage", "Bind", {"\\Device\\Card1"});
    registry_.SetMulti(kLm, std::string(kServicesKey) + "Card1\\Parameters\\TcpIp", "IPAddress", {"10.0.0.1"});
    registry_.SetMulti(kLm, std::string(kServicesKey) + "Card1\\Parameters\\TcpIp", "SubnetMask", {"255.0.0.0"});
    EXPECT_EQ(Inventory().Refresh(WinNT4), 1);
    EXPECT_EQ(table_.Adapter(0)->description, "NT card");
    EXPECT_TRUE(stack_.Requests().empty());
}

TEST_F(AdapterInventoryTest, UnknownFamilyFillsNothing)
{
    table_.AddAdapter(AdapterRecord());
    table_.AddDnsServer(1);
    EXPECT_EQ(Inventory().Refresh(OsUnknown), 0);
    EXPECT_EQ(table_.DnsServerCount(), 0);
    EXPECT_TRUE(stack_.Requests().empty());
}

TEST_F(AdapterInventoryTest, FailingStackLeavesBothTablesEmpty)
{
    table_.AddAdapter(AdapterRecord());
    stack_.FailQuery(kNetworkEntity, kProtocolClass, kAddressTableId);
    EXPECT_EQ(Inventory().Refresh(Win98), 0);
    EXPECT_EQ(table_.DnsServerCount(), 0);
}

TEST_F(AdapterInventoryTest, EachRefreshStartsFromEmptyTables)
{
    Inventory().RefreshByRegistry(Win98);
    Inventory().RefreshByRegistry(Win98);
    EXPECT_EQ(table_.AdapterCount(), 1);
    EXPECT_EQ(table_.DnsServerCount(), 1);
}

}  // namespace
