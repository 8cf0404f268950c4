#include "RegistryInventory9x.h"

#include <gtest/gtest.h>

#include "RegistryPaths.h"
#include "testing/FakeRegistry.h"
#include "testing/FakeSystem.h"
#include "testing/FakeTdiStack.h"

namespace {

constexpr RegRoot kLm = RegRoot::LocalMachine;
const std::string kPci = "Enum\\PCI\\VEN_8086&DEV_1229&SUBSYS_00000000&REV_08\\";

class RegistryInventory9xTest : public ::testing::Test {
protected:
    // A network device under Enum with its bindings, and the transport key each binding leads to.
    void Device(const std::string& key, const std::string& description, const std::vector<std::string>& bindings)
    {
        registry_.SetText(kLm, key, "Class", "Net");
        registry_.SetText(kLm, key, "DeviceDesc", description);
        registry_.CreateKey(kLm, key + "\\Bindings");
        for (const std::string& binding : bindings)
            registry_.SetText(kLm, key + "\\Bindings", binding, "");
    }
    void Binding(const std::string& name, const std::string& driver)
    {
        registry_.SetText(kLm, std::string(k9xNetworkEnumKey) + name, "Class", "NetTrans");
        registry_.SetText(kLm, std::string(k9xNetworkEnumKey) + name, "Driver", driver);
    }
    void Transport(const std::string& driver, const char* address, const char* mask, const char* gateway)
    {
        const std::string key = std::string(k9xClassKey) + driver;
        registry_.SetText(kLm, key, "DriverDesc", "TCP/IP");
        if (address)
            registry_.SetText(kLm, key, "IpAddress", address);
        if (mask)
            registry_.SetText(kLm, key, "IpMask", mask);
        if (gateway)
            registry_.SetText(kLm, key, "DefaultGateway", gateway);
    }

    void SetUp() override
    {
        Device(kPci + "000800", "Intel 8255x-based PCI Ethernet Adapter (10/100)", {"NETBEUI\\0000", "MSTCP\\0000"});
        Binding("MSTCP\\0000", "NetTrans\\0000");
        Transport("NetTrans\\0000", "192.168.0.1", "255.255.255.0", "192.168.0.254");

        // The first binding leads to no transport key, the second does.
        Device(kPci + "000900", "Realtek RTL8029(AS) PCI Ethernet NIC", {"MSTCP\\0009", "mstcp\\0001"});
        Binding("MSTCP\\0009", "NetTrans\\0009");
        Binding("MSTCP\\0001", "NetTrans\\0001");
        Transport("NetTrans\\0001", "0.0.0.0", "0.0.0.0", nullptr);

        // The dial-up adapter, and a second static adapter.
        Device("Enum\\Root\\Net\\0000", "Dial-Up Adapter", {"MSTCP\\0002"});
        Binding("MSTCP\\0002", "NetTrans\\0002");
        Transport("NetTrans\\0002", "0.0.0.0", "0.0.0.0", "");
        Device("Enum\\Root\\Net\\0001", "Second Card", {"MSTCP\\0003"});
        Binding("MSTCP\\0003", "NetTrans\\0003");
        Transport("NetTrans\\0003", "10.0.0.2", "255.0.0.0", "10.0.0.1");

        registry_.SetText(kLm, kMstcpKey, "NameServer", "192.168.0.53,192.168.0.54");
        vdhcp_.reply = BuildVdhcpReply({{{0, 1, 2, 3, 4, 5}, 0, {Ip(172, 16, 0, 53)}}});
    }

    void Run()
    {
        CRegistryInventory9x(registry_, vdhcp_).Run(table_);
        EXPECT_EQ(registry_.OpenHandles(), 0) << "every key is closed again";
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const AdapterRecord& record : table_.Adapters())
            names.push_back(record.description);
        return names;
    }

    CFakeRegistry registry_;
    CFakeVdhcpDevice vdhcp_;
    CAdapterTable table_;
};

TEST_F(RegistryInventory9xTest, EveryBoundDeviceInWalkOrder)
{
    Run();
    EXPECT_EQ(Names(),
              (std::vector<std::string>{"Intel 8255x-based PCI Ethernet Adapter (10/100)",
                                        "Realtek RTL8029(AS) PCI Ethernet NIC", "Dial-Up Adapter", "Second Card"}));
}

TEST_F(RegistryInventory9xTest, SettingsFromTheTransportKey)
{
    Run();
    const AdapterRecord& intel = *table_.Adapter(0);
    EXPECT_EQ(intel.configKey, "NetTrans\\0000");
    EXPECT_EQ(intel.addresses, (std::vector<uint32_t>{Ip(192, 168, 0, 1)}));
    EXPECT_EQ(intel.dhcp, 0);
    EXPECT_EQ(intel.subnetMask, Ip(255, 255, 255, 0));
    EXPECT_EQ(intel.gateway, Ip(192, 168, 0, 254));
    for (uint8_t b : intel.hardwareAddress)
        EXPECT_EQ(b, 0);

    const AdapterRecord& realtek = *table_.Adapter(1);
    EXPECT_EQ(realtek.configKey, "NetTrans\\0001");
    EXPECT_EQ(realtek.addresses, (std::vector<uint32_t>{0}));
    EXPECT_EQ(realtek.dhcp, 1);      // "0.0.0.0" is how DHCP adapters are kept
    EXPECT_EQ(realtek.gateway, 0u);  // no value
}

TEST_F(RegistryInventory9xTest, ConfiguredServersOnceAndLeaseServersPerDhcpAdapter)
{
    Run();
    // Realtek and Dial-Up take DHCP (leased address 0 in the registry), so the lease of address 0 is listed
    // for each; the configured servers come once although two adapters are static.
    EXPECT_EQ(table_.DnsServers(), (std::vector<uint32_t>{Ip(192, 168, 0, 53), Ip(192, 168, 0, 54), Ip(172, 16, 0, 53),
                                                          Ip(172, 16, 0, 53)}));
}

TEST_F(RegistryInventory9xTest, DeviceWithoutTcpipBindingIsDroppedAndItsSubkeysWalked)
{
    Device(kPci + "000A00", "NetBEUI only", {"NETBEUI\\0004"});
    Device(kPci + "000A00\\Child", "Nested card", {"MSTCP\\0005"});
    Binding("MSTCP\\0005", "NetTrans\\0005");
    Transport("NetTrans\\0005", "10.5.5.5", "255.0.0.0", nullptr);
    Run();
    EXPECT_EQ(Names().size(), 5u);
    EXPECT_EQ(Names()[2], "Nested card");
}

TEST_F(RegistryInventory9xTest, SubkeysOfAnAcceptedDeviceAreNotWalked)
{
    Device(kPci + "000800\\Child", "Hidden", {"MSTCP\\0006"});
    Binding("MSTCP\\0006", "NetTrans\\0006");
    Transport("NetTrans\\0006", "10.6.6.6", "255.0.0.0", nullptr);
    Run();
    EXPECT_EQ(Names().size(), 4u);
}

TEST_F(RegistryInventory9xTest, DriverMustNameATransportKey)
{
    Device("Enum\\Root\\Net\\0002", "Odd", {"MSTCP\\0007"});
    Binding("MSTCP\\0007", "Net\\0007");
    registry_.CreateKey(kLm, std::string(k9xClassKey) + "Net\\0007");
    Run();
    EXPECT_EQ(Names().size(), 4u);
}

TEST_F(RegistryInventory9xTest, ClassIsComparedIgnoringCaseAndMustBeLongerThanOneByte)
{
    registry_.SetText(kLm, kPci + "000800", "Class", "NET");
    registry_.SetValue(kLm, kPci + "000900", "Class", kRegBinary, {'N'});
    Run();
    EXPECT_EQ(Names().size(), 3u);
    EXPECT_EQ(Names()[0], "Intel 8255x-based PCI Ethernet Adapter (10/100)");
}

TEST_F(RegistryInventory9xTest, LongNamesAreNotFollowed)
{
    const std::string longName(51, 'L');
    Device("Enum\\Root\\" + longName, "Too deep a name", {"MSTCP\\0008"});
    Binding("MSTCP\\0008", "NetTrans\\0008");
    Transport("NetTrans\\0008", "10.8.8.8", "255.0.0.0", nullptr);
    Device("Enum\\Root\\Net\\0003", "Long binding", {"MSTCP\\" + std::string(50, '9')});
    Run();
    EXPECT_EQ(Names().size(), 4u);
}

TEST_F(RegistryInventory9xTest, DescriptionIsCut)
{
    registry_.SetText(kLm, kPci + "000800", "DeviceDesc", std::string(200, 'x'));
    Run();
    EXPECT_EQ(table_.Adapter(0)->description, std::string(127, 'x'));
}

TEST_F(RegistryInventory9xTest, NoEnumKeyNoAdapters)
{
    CFakeRegistry empty;
    CRegistryInventory9x(empty, vdhcp_).Run(table_);
    EXPECT_EQ(table_.AdapterCount(), 0);
    EXPECT_EQ(table_.DnsServerCount(), 0);
}

}  // namespace
