#include "RegistryInventoryNt4.h"

#include <gtest/gtest.h>

#include "RegistryPaths.h"
#include "testing/FakeRegistry.h"
#include "testing/FakeTdiStack.h"

namespace {

constexpr RegRoot kLm = RegRoot::LocalMachine;

class RegistryInventoryNt4Test : public ::testing::Test {
protected:
    void Card(const std::string& number, const char* description, const char* service)
    {
        const std::string key = std::string(kNt4NetworkCardsKey) + "\\" + number;
        registry_.CreateKey(kLm, key);
        if (description)
            registry_.SetText(kLm, key, "Description", description);
        if (service)
            registry_.SetText(kLm, key, "ServiceName", service);
    }
    // The card's service: its type, the device its driver binds and its TCP/IP settings.
    void Service(const std::string& name, uint32_t type, const std::string& bind, const char* address, const char* mask,
                 const char* gateway)
    {
        const std::string key = kServicesKey + name;
        registry_.SetDword(kLm, key, "Type", type);
        registry_.SetMulti(kLm, key + "\\Linkage", "Bind", {bind, "\\Device\\Other"});
        registry_.CreateKey(kLm, key + "\\Parameters\\TcpIp");
        if (address)
            registry_.SetMulti(kLm, key + "\\Parameters\\TcpIp", "IPAddress", {address, "10.99.99.99"});
        if (mask)
            registry_.SetMulti(kLm, key + "\\Parameters\\TcpIp", "SubnetMask", {mask});
        if (gateway)
            registry_.SetMulti(kLm, key + "\\Parameters\\TcpIp", "DefaultGateway", {gateway});
    }

    void SetUp() override
    {
        Card("1", "3Com Etherlink III Adapter", "Elnk31");
        Service("Elnk31", 4, "\\device\\ELNK31", "192.168.0.1", "255.255.255.0", "192.168.0.254");
        Card("2", "Windows NT Remote Access Wan Wrapper", "NdisWan4");
        Service("NdisWan4", 4, "\\Device\\NdisWan4", "0.0.0.0", "0.0.0.0", nullptr);
        Card("3", "Card without service", nullptr);
        Card("4", "Driver, not adapter", "E100B1");
        Service("E100B1", 1, "\\Device\\E100B1", "10.4.4.4", "255.0.0.0", nullptr);
        Card("5", "Bound elsewhere", "Ne2000");
        Service("Ne2000", 4, "\\Device\\Ne2000x", "10.5.5.5", "255.0.0.0", nullptr);
        Card("6", "DHCP card", "Pcnet1");
        Service("Pcnet1", 4, "\\Device\\Pcnet1", "0.0.0.0", "0.0.0.0", nullptr);
        registry_.SetText(kLm, kServicesKey + std::string("Pcnet1\\Parameters\\TcpIp"), "DHCPIpAddress", "10.6.0.9");
        Card("7", "No mask", "Tulip1");
        Service("Tulip1", 4, "\\Device\\Tulip1", "10.7.7.7", nullptr, nullptr);
        Card("8", "No TCP/IP", "Smc1");
        registry_.SetDword(kLm, kServicesKey + std::string("Smc1"), "Type", 4);
        registry_.SetMulti(kLm, kServicesKey + std::string("Smc1\\Linkage"), "Bind", {"\\Device\\Smc1"});
        Card("9", nullptr, "Elnk31");

        registry_.SetText(kLm, kTcpipTransientKey, "NameServer", "10.0.0.53 10.0.0.54");
        registry_.SetText(kLm, kTcpipParametersKey, "NameServer", "192.168.0.53 0.0.0.0");
    }

    void Run()
    {
        CRegistryInventoryNt4(registry_).Run(table_);
        EXPECT_EQ(registry_.OpenHandles(), 0);
    }

    CFakeRegistry registry_;
    CAdapterTable table_;
};

TEST_F(RegistryInventoryNt4Test, CardsWithABoundTcpipService)
{
    Run();
    ASSERT_EQ(table_.AdapterCount(), 3);
    EXPECT_EQ(table_.Adapter(0)->description, "3Com Etherlink III Adapter");
    EXPECT_EQ(table_.Adapter(1)->description, "Windows NT Remote Access Wan Wrapper");
    EXPECT_EQ(table_.Adapter(2)->description, "DHCP card");
}

TEST_F(RegistryInventoryNt4Test, SettingsFromTheServiceKey)
{
    Run();
    const AdapterRecord& card = *table_.Adapter(0);
    EXPECT_EQ(card.configKey, "Elnk31");
    EXPECT_EQ(card.addresses, (std::vector<uint32_t>{Ip(192, 168, 0, 1)}));  // the first of the multi-string
    EXPECT_EQ(card.dhcp, 0);
    EXPECT_EQ(card.subnetMask, Ip(255, 255, 255, 0));
    EXPECT_EQ(card.gateway, Ip(192, 168, 0, 254));
    const AdapterRecord& dhcp = *table_.Adapter(2);
    EXPECT_EQ(dhcp.dhcp, 1);
    EXPECT_EQ(dhcp.addresses, (std::vector<uint32_t>{Ip(10, 6, 0, 9)}));  // from DHCPIpAddress
    EXPECT_EQ(dhcp.gateway, 0u);
    const AdapterRecord& wan = *table_.Adapter(1);
    EXPECT_EQ(wan.dhcp, 1);
    EXPECT_EQ(wan.addresses, (std::vector<uint32_t>{0}));
}

TEST_F(RegistryInventoryNt4Test, TransientServersFirstThenConfigured)
{
    Run();
    EXPECT_EQ(table_.DnsServers(), (std::vector<uint32_t>{Ip(10, 0, 0, 53), Ip(10, 0, 0, 54), Ip(192, 168, 0, 53)}));
}

TEST_F(RegistryInventoryNt4Test, ServerListsLongerThanTheBufferAreNotRead)
{
    registry_.SetText(kLm, kTcpipTransientKey, "NameServer", std::string(60, '1'));
    Run();
    EXPECT_EQ(table_.DnsServers(), (std::vector<uint32_t>{Ip(192, 168, 0, 53)}));
}

TEST_F(RegistryInventoryNt4Test, NoCardsKeyNoAdapters)
{
    CFakeRegistry empty;
    CRegistryInventoryNt4(empty).Run(table_);
    EXPECT_EQ(table_.AdapterCount(), 0);
    EXPECT_EQ(table_.DnsServerCount(), 0);
}

}  // namespace
