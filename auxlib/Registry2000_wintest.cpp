// ombrixaux under Wine reporting Windows 2000: the registry method with fixtures of the network device
// class and the TCP/IP interfaces, IP Helper's DNS servers, the dial-up pseudo adapter from Wine's RAS
// device, and the stored settings. Runs as win2k (WineVersionMain).
#include <gtest/gtest.h>
#include <iphlpapi.h>

#include <cstring>

#include "ombrixaux.h"
#include "testing/FakeTdiStack.h"
#include "testing/RegistryFixture.h"
#include "testing/WineAuxSupport.h"

namespace {

const char kNetClass[] = "System\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
const char kInterfaces[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
const char kIntelId[] = "{6F3A1E20-0B1D-4C58-9E0A-3C2B1D0E0001}";
const char kRemovedId[] = "{6F3A1E20-0B1D-4C58-9E0A-3C2B1D0E0002}";
const char kDhcpId[] = "{6F3A1E20-0B1D-4C58-9E0A-3C2B1D0E0003}";
const char kSecondDhcpId[] = "{6F3A1E20-0B1D-4C58-9E0A-3C2B1D0E0004}";
const char kWanId[] = "{6F3A1E20-0B1D-4C58-9E0A-3C2B1D0E0005}";
const uint32_t kMadeUp = Ip(10, 66, 6, 6);

// The DNS servers IP Helper reports in this prefix, asked directly.
std::vector<uint32_t> NetworkParamsServers()
{
    ULONG size = 0;
    GetNetworkParams(nullptr, &size);
    std::vector<uint8_t> buffer(size);
    std::vector<uint32_t> servers;
    if (GetNetworkParams(reinterpret_cast<FIXED_INFO*>(buffer.data()), &size) != ERROR_SUCCESS)
        return servers;
    for (const IP_ADDR_STRING* s = &reinterpret_cast<FIXED_INFO*>(buffer.data())->DnsServerList; s; s = s->Next) {
        const uint32_t address = inet_addr(s->IpAddress.String);
        if (address != 0 && address != INADDR_NONE)
            servers.push_back(address);
    }
    return servers;
}

class Registry2000Test : public ::testing::Test {
protected:
    void Instance(const char* number, const std::string& description, const char* id)
    {
        const std::string key = kNetClass + std::string("\\") + number;
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, key, "DriverDesc", description));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, key, "NetCfgInstanceId", id));
    }
    void Static(const char* id, const std::string& address)
    {
        const std::string key = kInterfaces + std::string(id);
        ASSERT_TRUE(fixture_.SetDword(HKEY_LOCAL_MACHINE, key, "EnableDhcp", 0));
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, key, "IpAddress", {address}));
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, key, "SubNetMask", {"255.255.255.0"}));
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, key, "DefaultGateway", {"192.0.2.1"}));
    }
    void Dhcp(const char* id, const char* address)
    {
        const std::string key = kInterfaces + std::string(id);
        ASSERT_TRUE(fixture_.SetDword(HKEY_LOCAL_MACHINE, key, "EnableDhcp", 1));
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, key, "IpAddress", {"0.0.0.0"}));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, key, "DhcpIpAddress", address));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, key, "DhcpSubNetMask", "255.0.0.0"));
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, key, "DhcpDefaultGateway", {"10.0.0.1"}));
    }

    void SetUp() override
    {
        ASSERT_EQ(GetOs(), Win2000);
        ASSERT_TRUE(winsock_.ok());
        host_ = HostAddress();
        ASSERT_NE(host_, 0u);
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kNetClass, "Class", "Net"));
        Instance("0000", "Intel(R) PRO/100 Network Connection", kIntelId);
        Instance("0001", "Removed card", kRemovedId);
        Instance("0002", std::string(200, 'D'), kDhcpId);
        Instance("0003", "Second DHCP card", kSecondDhcpId);
        Instance("0004", "WAN Miniport (PPTP)", kWanId);  // no TCP/IP interface: dropped
        Static(kIntelId, FormatDottedAddress(host_));
        Static(kRemovedId, FormatDottedAddress(kMadeUp));
        Dhcp(kDhcpId, "10.0.0.9");
        Dhcp(kSecondDhcpId, "10.0.0.10");
    }

    void TearDown() override
    {
        ClearAdapterInfo();
        fixture_.Restore();
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, kNetClass));
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, kInterfaces + std::string(kIntelId)));
    }

    StoredValue Interface(const char* id, const char* name)
    {
        return CRegistryFixture::Read(HKEY_LOCAL_MACHINE, kInterfaces + std::string(id), name);
    }

    CWinsockSession winsock_;
    CRegistryFixture fixture_;
    uint32_t host_ = 0;
};

TEST_F(Registry2000Test, InterfacesOfTheNetClassThenTheDialupAdapter)
{
    EXPECT_EQ(RefreshByReg(), 4);
    const std::vector<std::string> names = AdapterNames();
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[0], "Intel(R) PRO/100 Network Connection");
    EXPECT_EQ(names[1], std::string(127, 'D')) << "cut to 127 characters";
    EXPECT_EQ(names[2], "Second DHCP card");
    EXPECT_EQ(names[3], "Dial-up Networking Adapter");
    EXPECT_EQ(GetIpAddress(0, 0), host_);
    EXPECT_EQ(GetSubnetMask(0), Ip(255, 255, 255, 0));
    EXPECT_EQ(GetGateway(0), Ip(192, 0, 2, 1));
    EXPECT_EQ(IsDhcp(0), 0);
    EXPECT_EQ(IsDhcp(1), 1);
    EXPECT_EQ(GetIpAddress(1, 0), Ip(10, 0, 0, 9));
    EXPECT_EQ(GetSubnetMask(1), Ip(255, 0, 0, 0));
    EXPECT_EQ(GetGateway(1), Ip(10, 0, 0, 1));
}

TEST_F(Registry2000Test, RasDeviceGivesTheDialupPseudoAdapter)
{
    // Wine's RASAPI32 reports one device (a modem) and no connection.
    RefreshByReg();
    ASSERT_EQ(GetAdapterCount(), 4);
    EXPECT_EQ(IsDialup(3), 1);
    EXPECT_EQ(IsDhcp(3), 1);
    EXPECT_EQ(GetIpCount(3), 1);
    EXPECT_EQ(GetIpAddress(3, 0), 0u);
    EXPECT_EQ(GetGateway(3), 0u);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(IsDialup(i), 0) << i;
}

TEST_F(Registry2000Test, DnsServersAreIpHelpers)
{
    RefreshByReg();
    const std::vector<uint32_t> expected = NetworkParamsServers();
    ASSERT_FALSE(expected.empty()) << "the prefix has a DNS server";
    EXPECT_EQ(DnsServers(), expected);
}

TEST_F(Registry2000Test, LocalAddressesOfTheFirstAdapters)
{
    RefreshByReg();
    unsigned long out[3] = {7, 7, 7};
    EXPECT_EQ(GetLocalIpAddress(out, 2), 2);
    EXPECT_EQ(out[0], host_);
    EXPECT_EQ(out[1], Ip(10, 0, 0, 9));
    EXPECT_EQ(out[2], 7u);
    unsigned long all[5] = {7, 7, 7, 7, 7};
    EXPECT_EQ(GetLocalIpAddress(all, 5), 3);  // the pseudo adapter's address is 0
    EXPECT_EQ(all[2], Ip(10, 0, 0, 10));
    EXPECT_EQ(all[3], 0u);
    EXPECT_EQ(all[4], 0u);
}

TEST_F(Registry2000Test, SettingsAreMultiStringsOfTheInterface)
{
    ASSERT_EQ(RefreshByReg(), 4);
    EXPECT_EQ(SetFixedIp(0, Ip(192, 168, 0, 1)), 1);
    EXPECT_EQ(Interface(kIntelId, "IpAddress").type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(Interface(kIntelId, "IpAddress").data, MultiBytes("192.168.0.1"));
    EXPECT_EQ(Interface(kIntelId, "EnableDhcp").data, DwordBytes(0));
    EXPECT_EQ(SetSubnet(0, Ip(255, 255, 0, 0)), 1);
    EXPECT_EQ(Interface(kIntelId, "SubnetMask").data, MultiBytes("255.255.0.0"));
    EXPECT_EQ(SetGateway(0, Ip(192, 168, 0, 254)), 1);
    EXPECT_EQ(Interface(kIntelId, "DefaultGateway").data, MultiBytes("192.168.0.254"));
    EXPECT_EQ(SetGateway(0, 0), 1);
    EXPECT_EQ(Interface(kIntelId, "DefaultGateway").data, MultiBytes("0.0.0.0"));

    EXPECT_EQ(SetDhcp(0), 1);
    EXPECT_EQ(Interface(kIntelId, "IpAddress").data.size(), 9u);
    EXPECT_EQ(Interface(kIntelId, "SubnetMask").data, MultiBytes("0.0.0.0"));
    EXPECT_EQ(Interface(kIntelId, "DefaultGateway").type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(Interface(kIntelId, "DefaultGateway").data, std::vector<uint8_t>(2, 0));
    EXPECT_EQ(Interface(kIntelId, "EnableDhcp").data, DwordBytes(1));
}

TEST_F(Registry2000Test, PseudoAdapterHasNoSettingsToWrite)
{
    ASSERT_EQ(RefreshByReg(), 4);
    const StoredValue before = Interface(kIntelId, "IpAddress");
    EXPECT_EQ(SetFixedIp(3, Ip(192, 168, 0, 1)), 0);
    EXPECT_EQ(SetDhcp(3), 0);
    EXPECT_EQ(SetSubnet(3, Ip(255, 0, 0, 0)), 0);
    EXPECT_EQ(SetGateway(3, 0), 0);
    EXPECT_EQ(Interface(kIntelId, "IpAddress").data, before.data);
}

TEST_F(Registry2000Test, IdleTimeIsTheSharedSetting)
{
    ASSERT_TRUE(fixture_.SetDword(HKEY_CURRENT_USER, "Software\\Microsoft\\Ras Phonebook", "IdleHangupSeconds", 90));
    EXPECT_EQ(GetDialupIdle("whatever"), 2);
}

}  // namespace
