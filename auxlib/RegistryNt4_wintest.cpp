// ombrixaux under Wine reporting Windows NT 4: the registry method with fixtures of the installed network
// cards and their services, the stored settings, the shared idle time and the driver presence checks with
// the stand-in packet driver. Runs as nt40 (WineVersionMain).
#include <gtest/gtest.h>

#include "StandInDriver.h"
#include "ombrixaux.h"
#include "testing/FakeTdiStack.h"
#include "testing/RegistryFixture.h"
#include "testing/WineAuxSupport.h"

namespace {

const char kCards[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\";
const char kServices[] = "System\\CurrentControlSet\\Services\\";
const char kTcpipParameters[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters";
const char kTransient[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Transient";
const char kPhonebook[] = "Software\\Microsoft\\Ras Phonebook";
const uint32_t kMadeUp = Ip(10, 66, 6, 6);
const uint32_t kWanAddress = Ip(10, 55, 5, 5);

class RegistryNt4Test : public ::testing::Test {
protected:
    // A network card and the service of its driver, bound to its device, with TCP/IP settings.
    void Card(const char* number, const char* description, const std::string& service, const std::string& address)
    {
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kCards + std::string(number), "Description", description));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kCards + std::string(number), "ServiceName", service));
        const std::string key = kServices + service;
        ASSERT_TRUE(fixture_.SetDword(HKEY_LOCAL_MACHINE, key, "Type", 4));
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, key + "\\Linkage", "Bind", {"\\Device\\" + service}));
        const std::string tcpip = key + "\\Parameters\\TcpIp";
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, tcpip, "IPAddress", {address}));
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, tcpip, "SubnetMask", {"255.255.255.0"}));
        ASSERT_TRUE(fixture_.SetMulti(HKEY_LOCAL_MACHINE, tcpip, "DefaultGateway", {"192.0.2.1"}));
        ASSERT_TRUE(fixture_.SetDword(HKEY_LOCAL_MACHINE, tcpip, "EnableDhcp", 0));
    }

    // Wine lists the host's interfaces as cards 1, 2, ... (with services that do not exist); the fixture's
    // cards are numbered clear of them.
    void SetUp() override
    {
        ASSERT_EQ(GetOs(), WinNT4);
        ASSERT_TRUE(winsock_.ok());
        host_ = HostAddress();
        ASSERT_NE(host_, 0u);
        Card("101", "3Com Etherlink III Adapter", "OmbrixElnk3", FormatDottedAddress(host_));
        Card("102", "Windows NT Remote Access Wan Wrapper", "OmbrixNdisWan4", FormatDottedAddress(kWanAddress));
        Card("103", "Novell NE2000 Adapter", "OmbrixNe2000", FormatDottedAddress(kMadeUp));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kTransient, "NameServer", "192.0.2.53 192.0.2.54"));
        ASSERT_TRUE(fixture_.SetText(HKEY_LOCAL_MACHINE, kTcpipParameters, "NameServer", "192.0.2.55"));
    }

    void TearDown() override
    {
        ClearAdapterInfo();
        fixture_.Restore();
        for (const char* service : {"OmbrixElnk3", "OmbrixNdisWan4", "OmbrixNe2000"})
            EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, kServices + std::string(service)));
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, kCards + std::string("101")));
        EXPECT_FALSE(CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, kTransient));
        EXPECT_FALSE(CRegistryFixture::Read(HKEY_LOCAL_MACHINE, kTcpipParameters, "NameServer").exists);
    }

    StoredValue Tcpip(const char* name)
    {
        return CRegistryFixture::Read(HKEY_LOCAL_MACHINE, kServices + std::string("OmbrixElnk3\\Parameters\\TcpIp"),
                                      name);
    }

    CWinsockSession winsock_;
    CRegistryFixture fixture_;
    uint32_t host_ = 0;
};

TEST_F(RegistryNt4Test, BoundCardsAndTheDialupAdapterStay)
{
    EXPECT_EQ(RefreshByReg(), 2);
    EXPECT_EQ(AdapterNames(),
              (std::vector<std::string>{"3Com Etherlink III Adapter", "Windows NT Remote Access Wan Wrapper"}));
    EXPECT_EQ(GetIpAddress(0, 0), host_);
    EXPECT_EQ(GetSubnetMask(0), Ip(255, 255, 255, 0));
    EXPECT_EQ(GetGateway(0), Ip(192, 0, 2, 1));
    EXPECT_EQ(IsDhcp(0), 0);
    EXPECT_EQ(IsDialup(0), 0);
    // Static with an address the host does not have, but dial-up: kept.
    EXPECT_EQ(GetIpAddress(1, 0), kWanAddress);
    EXPECT_EQ(IsDialup(1), 1);
    EXPECT_EQ(IsDhcp(1), 0);
}

TEST_F(RegistryNt4Test, TransientServersThenConfigured)
{
    RefreshByReg();
    EXPECT_EQ(DnsServers(), (std::vector<uint32_t>{Ip(192, 0, 2, 53), Ip(192, 0, 2, 54), Ip(192, 0, 2, 55)}));
}

TEST_F(RegistryNt4Test, RefreshIsTheRegistryMethodOnNt)
{
    EXPECT_EQ(Refresh(), 2);
    EXPECT_EQ(AdapterNames()[0], "3Com Etherlink III Adapter");
}

TEST_F(RegistryNt4Test, SettingsGoToTheServiceTcpipKey)
{
    ASSERT_EQ(RefreshByReg(), 2);
    EXPECT_EQ(SetFixedIp(0, Ip(192, 168, 0, 1)), 1);
    StoredValue address = Tcpip("IpAddress");
    EXPECT_EQ(address.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(address.data, TextBytes("192.168.0.1", true));  // Wine, like NT, adds the NUL left out
    EXPECT_EQ(Tcpip("EnableDhcp").data, DwordBytes(0));
    EXPECT_EQ(SetSubnet(0, Ip(255, 255, 0, 0)), 1);
    EXPECT_EQ(Tcpip("SubnetMask").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Tcpip("SubnetMask").data, TextBytes("255.255.0.0", true));
    EXPECT_EQ(SetGateway(0, 0), 1);
    EXPECT_EQ(Tcpip("DefaultGateway").type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Tcpip("DefaultGateway").data, TextBytes("0.0.0.0", true));

    EXPECT_EQ(SetDhcp(0), 1);
    for (const char* name : {"IpAddress", "SubnetMask"}) {
        EXPECT_EQ(Tcpip(name).type, static_cast<DWORD>(REG_MULTI_SZ)) << name;
        EXPECT_EQ(Tcpip(name).data, MultiBytes("0.0.0.0")) << name;
        EXPECT_EQ(Tcpip(name).data.size(), 9u);
    }
    EXPECT_EQ(Tcpip("DefaultGateway").type, static_cast<DWORD>(REG_MULTI_SZ));
    EXPECT_EQ(Tcpip("DefaultGateway").data, std::vector<uint8_t>(1, 0));
    EXPECT_EQ(Tcpip("EnableDhcp").data, DwordBytes(1));
}

TEST_F(RegistryNt4Test, SettingsOfACardWithoutTcpipKeyFail)
{
    ASSERT_EQ(RefreshByReg(), 2);
    // Remove the TCP/IP settings behind the table's back: the key no longer opens.
    HKEY parameters;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, (kServices + std::string("OmbrixNdisWan4\\Parameters")).c_str(), 0,
                            KEY_ALL_ACCESS, &parameters),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(parameters, "TcpIp"), ERROR_SUCCESS);
    RegCloseKey(parameters);
    EXPECT_EQ(SetDhcp(1), 0);
    EXPECT_FALSE(
        CRegistryFixture::KeyExists(HKEY_LOCAL_MACHINE, kServices + std::string("OmbrixNdisWan4\\Parameters\\TcpIp")));
}

TEST_F(RegistryNt4Test, IdleMinutesAreRounded)
{
    EXPECT_EQ(GetDialupIdle("any"), 0);
    EXPECT_EQ(SetDialupIdle("any", 3), 0) << "the phonebook key is opened, not made";
    ASSERT_TRUE(fixture_.SetDword(HKEY_CURRENT_USER, kPhonebook, "IdleHangupSeconds", 89));
    EXPECT_EQ(GetDialupIdle("any"), 1);
    ASSERT_TRUE(fixture_.SetDword(HKEY_CURRENT_USER, kPhonebook, "IdleHangupSeconds", 90));
    EXPECT_EQ(GetDialupIdle("other"), 2);
    EXPECT_EQ(SetDialupIdle("any", 3), 1);
    const StoredValue seconds = CRegistryFixture::Read(HKEY_CURRENT_USER, kPhonebook, "IdleHangupSeconds");
    EXPECT_EQ(seconds.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(seconds.data, DwordBytes(180));
}

// The stand-in packet driver registers the kernel service Ombrix with ImagePath ...\ombrix.sys.
TEST_F(RegistryNt4Test, DriverPresenceFollowsTheStandIn)
{
    CStandInDriver driver;
    ASSERT_FALSE(driver.IsInstalled()) << "no other test left the stand-in behind";
    EXPECT_EQ(IsDriverInstalled(), 0);
    EXPECT_EQ(IsDriverLoaded(), 0);
    ASSERT_TRUE(driver.Install(CStandInDriver::FileBesideProgram())) << driver.LastError();
    EXPECT_EQ(IsDriverInstalled(), 1);
    EXPECT_EQ(IsDriverLoaded(), 0);
    ASSERT_TRUE(driver.Start()) << driver.LastError();
    EXPECT_EQ(IsDriverLoaded(), 1);
    EXPECT_EQ(IsDriverLoaded(), 1) << "the handle of the first check was closed again";
    StandInRequestCounts counts;
    ASSERT_TRUE(driver.GetRequestCounts(counts)) << driver.LastError();
    EXPECT_EQ(counts.getStatus + counts.setSharing + counts.getForward + counts.addForward + counts.removeForward +
                  counts.setAlarm + counts.getAlarms,
              0u)
        << "the check sends no request";
    ASSERT_TRUE(driver.Stop()) << driver.LastError();
    EXPECT_EQ(IsDriverLoaded(), 0);
    ASSERT_TRUE(driver.Uninstall()) << driver.LastError();
    EXPECT_EQ(IsDriverInstalled(), 0);
}

}  // namespace
