// ombrixaux under Wine reporting Windows 98: the registry method with fixtures of the 9x Enum tree, the
// stored settings it writes, the dial-up idle record and the driver entry. Runs as win98 (WineVersionMain).
#include <gtest/gtest.h>

#include <cstring>

#include "DialupEntryRecord.h"
#include "ombrixaux.h"
#include "testing/FakeTdiStack.h"
#include "testing/RegistryFixture.h"
#include "testing/WineAuxSupport.h"

namespace {

const char kRealtek[] = "Enum\\PCI\\VEN_10EC&DEV_8029\\BUS_00&DEV_0B&FUNC_00";
const char kIntel[] = "Enum\\PCI\\VEN_8086&DEV_1229\\BUS_00&DEV_0D&FUNC_00";
const char kDialup[] = "Enum\\Root\\Net\\0000";
const char kClass[] = "System\\CurrentControlSet\\Services\\Class\\";
const char kMstcp[] = "System\\CurrentControlSet\\Services\\VxD\\MSTCP";
const char kVxd[] = "SYSTEM\\CurrentControlSet\\Services\\VxD\\Ombrix";
const char kEntries[] = "RemoteAccess\\Addresses";
const uint32_t kMadeUp = Ip(10, 66, 6, 6);  // no interface of the prefix has it

class Registry9xTest : public ::testing::Test {
protected:
    // A network device, its MSTCP binding and the transport key with its TCP/IP settings.
    void Device(const char* key, const char* description, const std::string& instance, const std::string& address)
    {
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, key, "Class", "Net"));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, key, "DeviceDesc", description));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, std::string(key) + "\\Bindings", "MSTCP\\" + instance, ""));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, "Enum\\Network\\MSTCP\\" + instance, "Class", "NetTrans"));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, "Enum\\Network\\MSTCP\\" + instance, "Driver",
                                     "NetTrans\\" + instance));
        const std::string transport = kClass + std::string("NetTrans\\") + instance;
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, transport, "IpAddress", address));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, transport, "IpMask", "255.255.255.0"));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, transport, "DefaultGateway", "192.0.2.1"));
    }

    void SetUp() override
    {
        ASSERT_EQ(GetOs(), Win98);
        ASSERT_TRUE(winsock_.ok());
        host_ = HostAddress();
        ASSERT_NE(host_, 0u) << "the host's name resolves in the prefix";
        Device(kRealtek, "Realtek RTL8029(AS) PCI Ethernet NIC", "0000", FormatDottedAddress(host_));
        Device(kIntel, "Intel 8255x-based PCI Ethernet Adapter (10/100)", "0001", FormatDottedAddress(kMadeUp));
        Device(kDialup, "Dial-Up Adapter", "0002", "0.0.0.0");
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kMstcp, "NameServer", "192.0.2.53,192.0.2.54"));
    }

    void TearDown() override
    {
        ClearAdapterInfo();
        fixture_.Restore();
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, "Enum")) << "the Enum tree is the test's own";
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, kClass));
        EXPECT_FALSE(CRegistryFixture::Read(HKEY_LOCAL_MACHINE, kMstcp, "NameServer").exists);
    }

    StoredValue Transport(const char* instance, const char* name)
    {
        return CRegistryFixture::Read(HKEY_LOCAL_MACHINE, kClass + std::string("NetTrans\\") + instance, name);
    }

    CWinsockSession winsock_;
    CRegistryFixture fixture_;
    uint32_t host_ = 0;
};

TEST_F(Registry9xTest, BoundDevicesStayAndTheUnboundStaticOneGoes)
{
    EXPECT_EQ(RefreshByReg(), 2);
    EXPECT_EQ(AdapterNames(), (std::vector<std::string>{"Realtek RTL8029(AS) PCI Ethernet NIC", "Dial-Up Adapter"}));
    EXPECT_EQ(GetIpCount(0), 1);
    EXPECT_EQ(GetIpAddress(0, 0), host_);
    EXPECT_EQ(GetSubnetMask(0), Ip(255, 255, 255, 0));
    EXPECT_EQ(GetGateway(0), Ip(192, 0, 2, 1));
    EXPECT_EQ(IsDhcp(0), 0);
    EXPECT_EQ(IsDialup(0), 0);
    EXPECT_EQ(IsDhcp(1), 1);
    EXPECT_EQ(IsDialup(1), 1);
    EXPECT_EQ(GetIpAddress(1, 0), 0u);
    char mac[6] = {1, 1, 1, 1, 1, 1};
    EXPECT_EQ(GetMacAddress(0, mac, sizeof mac), 6);
    EXPECT_EQ(std::string(mac, 6), std::string(6, '\0')) << "the registry does not know it";
}

TEST_F(Registry9xTest, ConfiguredServersOnce)
{
    RefreshByReg();
    EXPECT_EQ(DnsServers(), (std::vector<uint32_t>{Ip(192, 0, 2, 53), Ip(192, 0, 2, 54)}));
}

TEST_F(Registry9xTest, WithoutSocketsNothingIsPruned)
{
    WSACleanup();
    RefreshByReg();
    EXPECT_EQ(GetAdapterCount(), 3);
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
}

TEST_F(Registry9xTest, SettingsGoToTheTransportKey)
{
    ASSERT_EQ(RefreshByReg(), 2);
    EXPECT_EQ(SetFixedIp(0, Ip(192, 168, 0, 1)), 1);
    StoredValue address = Transport("0000", "IpAddress");
    EXPECT_EQ(address.type, static_cast<DWORD>(REG_SZ));
    // Written without its NUL; Wine, like NT, stores one (9x would not).
    EXPECT_EQ(address.data, TextBytes("192.168.0.1", true));
    EXPECT_EQ(SetSubnet(0, Ip(255, 255, 0, 0)), 1);
    EXPECT_EQ(Transport("0000", "IpMask").data, TextBytes("255.255.0.0", true));
    EXPECT_EQ(SetGateway(0, Ip(192, 168, 0, 254)), 1);
    EXPECT_EQ(Transport("0000", "DefaultGateway").data, TextBytes("192.168.0.254", true));
    EXPECT_EQ(SetGateway(0, 0), 1);
    EXPECT_EQ(Transport("0000", "DefaultGateway").data, TextBytes("", true));

    EXPECT_EQ(SetDhcp(1), 1);
    for (const char* name : {"IpAddress", "IpMask"}) {
        const StoredValue value = Transport("0002", name);
        EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ)) << name;
        EXPECT_EQ(value.data, TextBytes("0.0.0.0", true)) << name;
    }
    EXPECT_EQ(Transport("0002", "DefaultGateway").data, TextBytes("", true));
    // The unbound card's settings were not touched.
    EXPECT_EQ(Transport("0001", "IpAddress").data, TextBytes(FormatDottedAddress(kMadeUp), true));
}

TEST_F(Registry9xTest, NoIpAddressNoWrites)
{
    ASSERT_EQ(RefreshByReg(), 2);
    ASSERT_TRUE(fixture_.DeleteValue(HKEY_LOCAL_MACHINE, kClass + std::string("NetTrans\\0000"), "IpAddress"));
    EXPECT_EQ(SetFixedIp(0, Ip(192, 168, 0, 1)), 0);
    EXPECT_EQ(SetDhcp(0), 0);
    EXPECT_EQ(SetSubnet(0, Ip(255, 0, 0, 0)), 0);
    EXPECT_EQ(SetGateway(0, 0), 0);
    EXPECT_FALSE(Transport("0000", "IpAddress").exists);
    EXPECT_EQ(Transport("0000", "IpMask").data, TextBytes("255.255.255.0", true));
    EXPECT_EQ(Transport("0000", "DefaultGateway").data, TextBytes("192.0.2.1", true));
}

TEST_F(Registry9xTest, BadIndexesLeaveEverythingAlone)
{
    ASSERT_EQ(RefreshByReg(), 2);
    for (int bad : {-1, 2}) {
        char name[128];
        memset(name, 'k', sizeof name);
        EXPECT_EQ(GetAdapterName(bad, name, sizeof name), 0);
        EXPECT_EQ(name[0], 'k');
        EXPECT_EQ(IsDhcp(bad), 0);
        EXPECT_EQ(IsDialup(bad), 0);
        EXPECT_EQ(GetGateway(bad), 0u);
        EXPECT_EQ(GetIpAddress(bad, 0), 0u);
        EXPECT_EQ(SetFixedIp(bad, Ip(1, 2, 3, 4)), 0);
    }
    EXPECT_EQ(GetIpAddress(0, 1), 0u);
    EXPECT_EQ(GetIpAddress(0, -1), 0u);
    EXPECT_EQ(GetDnsServer(2), 0u);
}

// The 9x settings record of a dial-up entry, scrambled with key, with seconds of idle time.
std::vector<uint8_t> EntryRecord(uint8_t key, uint16_t seconds)
{
    std::vector<uint8_t> plain(kEntryStrings, 0x33);
    plain[kEntryScrambleKey] = 0;
    for (const char* s : {"My ISP", "", "555-0100"}) {
        plain.insert(plain.end(), s, s + strlen(s));
        plain.push_back(0);
    }
    plain.resize(plain.size() + kEntryIdleAfterStrings, 0x44);
    plain.push_back(static_cast<uint8_t>(seconds));
    plain.push_back(static_cast<uint8_t>(seconds >> 8));
    plain.resize(plain.size() + 24, 0x55);
    for (uint8_t& b : plain)
        b = static_cast<uint8_t>(b ^ key);
    return plain;
}

TEST_F(Registry9xTest, DialupIdleFromTheScrambledRecord)
{
    ASSERT_TRUE(fixture_.SetValue(HKEY_CURRENT_USER, kEntries, "My ISP", REG_BINARY, EntryRecord(0x9C, 119)));
    EXPECT_EQ(GetDialupIdle("My ISP"), 1);  // truncated, not rounded
    EXPECT_EQ(GetDialupIdle("Nobody"), 0);
    EXPECT_EQ(SetDialupIdle("My ISP", 30), 1);
    const StoredValue stored = CRegistryFixture::Read(HKEY_CURRENT_USER, kEntries, "My ISP");
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(stored.data, EntryRecord(0x9C, 1800));
    EXPECT_EQ(GetDialupIdle("My ISP"), 30);
    fixture_.Restore();
    EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_CURRENT_USER, "RemoteAccess"));
}

TEST_F(Registry9xTest, DialupIdleOfAnUnknownEntryCreatesNothing)
{
    ASSERT_TRUE(fixture_.CreateKey(HKEY_CURRENT_USER, kEntries));
    EXPECT_EQ(SetDialupIdle("Nobody", 10), 0);
    EXPECT_FALSE(CRegistryFixture::Read(HKEY_CURRENT_USER, kEntries, "Nobody").exists);
}

TEST_F(Registry9xTest, DriverInstalledByItsStaticVxd)
{
    EXPECT_EQ(IsDriverInstalled(), 0);
    ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kVxd, "StaticVxD", "C:\\WINDOWS\\SYSTEM\\ombrix.vxd"));
    EXPECT_EQ(IsDriverInstalled(), 1);
    ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kVxd, "StaticVxD", "C:\\WINDOWS\\SYSTEM\\other.vxd"));
    EXPECT_EQ(IsDriverInstalled(), 0);
}

}  // namespace
