#include "RegistryInventory2000.h"

#include <gtest/gtest.h>

#include "RegistryPaths.h"
#include "testing/FakeRegistry.h"
#include "testing/FakeSystem.h"
#include "testing/FakeTdiStack.h"

namespace {

constexpr RegRoot kLm = RegRoot::LocalMachine;
const std::string kNetClass = std::string(k2000ClassKey) + "\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
const std::string kDisplayClass = std::string(k2000ClassKey) + "\\{4D36E968-E325-11CE-BFC1-08002BE10318}";

class RegistryInventory2000Test : public ::testing::Test {
protected:
    void Instance(const std::string& number, const char* description, const char* id)
    {
        const std::string key = kNetClass + "\\" + number;
        registry_.CreateKey(kLm, key);
        if (description)
            registry_.SetText(kLm, key, "DriverDesc", description);
        if (id)
            registry_.SetText(kLm, key, "NetCfgInstanceId", id);
    }
    std::string Interface(const std::string& id) { return k2000InterfacesKey + id; }

    void SetUp() override
    {
        registry_.SetText(kLm, kDisplayClass, "Class", "Display");
        registry_.SetText(kLm, kDisplayClass + "\\0000", "DriverDesc", "Display adapter");
        registry_.SetText(kLm, kDisplayClass + "\\0000", "NetCfgInstanceId", "{A}");
        registry_.SetText(kLm, kNetClass, "Class", "Net");
        Instance("0000", "Intel(R) PRO/100 Network Connection", "{A}");
        Instance("0001", "WAN Miniport (PPTP)", "{W}");  // no TCP/IP interface
        Instance("0002", nullptr, "{X}");
        Instance("0003", "DHCP Card", "{D}");
        Instance("0004", "Static without address", "{S}");
        Instance("0005", "No identifier", nullptr);
        registry_.CreateKey(kLm, kNetClass + "\\Properties");

        registry_.SetDword(kLm, Interface("{A}"), "EnableDhcp", 0);
        registry_.SetMulti(kLm, Interface("{A}"), "IpAddress", {"192.168.0.1", "192.168.1.1"});
        registry_.SetMulti(kLm, Interface("{A}"), "SubNetMask", {"255.255.255.0", "255.255.255.0"});
        registry_.SetMulti(kLm, Interface("{A}"), "DefaultGateway", {"192.168.0.254"});
        registry_.SetDword(kLm, Interface("{D}"), "EnableDhcp", 1);
        registry_.SetMulti(kLm, Interface("{D}"), "IpAddress", {"0.0.0.0"});
        registry_.SetText(kLm, Interface("{D}"), "DhcpIpAddress", "10.0.0.9");
        registry_.SetText(kLm, Interface("{D}"), "DhcpSubNetMask", "255.0.0.0");
        registry_.SetMulti(kLm, Interface("{D}"), "DhcpDefaultGateway", {"10.0.0.1"});
        registry_.CreateKey(kLm, Interface("{S}"));
        registry_.CreateKey(kLm, Interface("{X}"));

        network_.dnsServers = {"192.0.2.53", "0.0.0.0", "192.0.2.54"};
        network_.rasDevices = 1;
    }

    void Run()
    {
        CRegistryInventory2000(registry_, network_).Run(table_);
        EXPECT_EQ(registry_.OpenHandles(), 0);
    }

    CFakeRegistry registry_;
    CFakeNetworkInfo network_;
    CAdapterTable table_;
};

TEST_F(RegistryInventory2000Test, NetClassInstancesWithAnInterfaceThenTheDialupPseudoAdapter)
{
    Run();
    ASSERT_EQ(table_.AdapterCount(), 4);
    EXPECT_EQ(table_.Adapter(0)->description, "Intel(R) PRO/100 Network Connection");
    EXPECT_EQ(table_.Adapter(1)->description, "DHCP Card");
    EXPECT_EQ(table_.Adapter(2)->description, "Static without address");
    EXPECT_EQ(table_.Adapter(3)->description, "Dial-up Networking Adapter");
}

TEST_F(RegistryInventory2000Test, StaticAndDhcpValues)
{
    Run();
    const AdapterRecord& intel = *table_.Adapter(0);
    EXPECT_EQ(intel.configKey, "{A}");
    EXPECT_EQ(intel.dhcp, 0);
    EXPECT_EQ(intel.addresses, (std::vector<uint32_t>{Ip(192, 168, 0, 1)}));
    EXPECT_EQ(intel.subnetMask, Ip(255, 255, 255, 0));
    EXPECT_EQ(intel.gateway, Ip(192, 168, 0, 254));
    const AdapterRecord& dhcp = *table_.Adapter(1);
    EXPECT_EQ(dhcp.dhcp, 1);
    EXPECT_EQ(dhcp.addresses, (std::vector<uint32_t>{Ip(10, 0, 0, 9)}));
    EXPECT_EQ(dhcp.subnetMask, Ip(255, 0, 0, 0));
    EXPECT_EQ(dhcp.gateway, Ip(10, 0, 0, 1));
    const AdapterRecord& bare = *table_.Adapter(2);
    EXPECT_TRUE(bare.addresses.empty());
    EXPECT_EQ(bare.subnetMask, 0u);
    EXPECT_EQ(bare.gateway, 0u);
}

TEST_F(RegistryInventory2000Test, PseudoAdapterIsDhcpWithTheAddressZero)
{
    Run();
    const AdapterRecord& dialup = *table_.Adapter(3);
    EXPECT_EQ(dialup.dhcp, 1);
    EXPECT_EQ(dialup.addresses, (std::vector<uint32_t>{0}));
    EXPECT_TRUE(dialup.configKey.empty());
    EXPECT_EQ(dialup.subnetMask, 0u);
    for (uint8_t b : dialup.hardwareAddress)
        EXPECT_EQ(b, 0);
}

TEST_F(RegistryInventory2000Test, NoPseudoAdapterWithoutARasDevice)
{
    for (int variant = 0; variant < 2; ++variant) {
        CAdapterTable table;
        CFakeNetworkInfo network = network_;
        if (variant == 0)
            network.rasDevices = 0;
        if (variant == 1)
            network.hasRas = false;
        CRegistryInventory2000(registry_, network).Run(table);
        ASSERT_EQ(table.AdapterCount(), 3) << variant;
        EXPECT_EQ(table.Adapter(2)->description, "Static without address");
    }
}

TEST_F(RegistryInventory2000Test, NonzeroServersOfIpHelper)
{
    Run();
    EXPECT_EQ(table_.DnsServers(), (std::vector<uint32_t>{Ip(192, 0, 2, 53), Ip(192, 0, 2, 54)}));
    CAdapterTable table;
    network_.hasNetworkParams = false;
    CRegistryInventory2000(registry_, network_).Run(table);
    EXPECT_EQ(table.DnsServerCount(), 0);
}

}  // namespace
