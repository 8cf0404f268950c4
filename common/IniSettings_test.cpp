#include "IniSettings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every entry as the other programs and existing files know it: a changed spelling or default would leave
// one program reading what another never wrote.
struct IntCase {
    const CIntSetting& setting;
    const char* section;
    const char* key;
    int fallback;
};

struct TextCase {
    const CTextSetting& setting;
    const char* section;
    const char* key;
    const char* fallback;
};

TEST(IniSettings, IntegerEntries)
{
    const IntCase cases[] = {
        {kIniApplicationOmbrixMode, "Application", "OmbrixMode", -1},
        {kIniApplicationEnabled, "Application", "Enabled", 1},
        {kIniApplicationUseDhcp, "Application", "UseDHCP", 1},
        {kIniApplicationDnsRelay, "Application", "DnsRelay", 1},
        {kIniApplicationDialup, "Application", "Dialup", 1},
        {kIniDialupAutoDial, "Dialup", "AutoDial", 1},
        {kIniDialupAutoDialAtStart, "Dialup", "AutoDial", 0},
        {kIniDialupAutoHangup, "Dialup", "AutoHangup", 1},
        {kIniDhcpServerPort, "DHCP", "ServerPort", 67},
        {kIniDhcpLowAddress, "DHCP", "LowAddress", 1},
        {kIniDhcpHighAddress, "DHCP", "HighAddress", 255},
        {kIniDhcpOfferAddrTimeout, "DHCP", "OfferAddrTimeout", 180},
        {kIniDhcpLeaseAddrTimeout, "DHCP", "LeaseAddrTimeout", 900},
        {kIniIpcServerPort, "IPC", "ServerPort", 63259},
        {kIniNetAlarmEnable, "NetAlarm", "Enable", 0},
        {kIniNetAlarmMessageBox, "NetAlarm", "MessageBox", 0},
        {kIniNetAlarmDelayTime, "NetAlarm", "DelayTime", 300},
        {kIniNetAlarmLogAlarms, "NetAlarm", "LogAlarms", 1},
    };
    for (const IntCase& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_STREQ(c.section, c.setting.section);
        EXPECT_STREQ(c.key, c.setting.key);
        EXPECT_EQ(c.fallback, c.setting.fallback);
    }
}

TEST(IniSettings, TextEntries)
{
    const TextCase cases[] = {
        {kIniDialupPhoneBookEntry, "Dialup", "PhoneBookEntry", ""},
        {kIniDialupUsername, "Dialup", "Username", ""},
        {kIniDialupPassword, "Dialup", "Password", ""},
        {kIniDhcpLocalAddress, "DHCP", "LocalAddress", ""},
        {kIniDhcpAssignedIp, "DHCP", "AssignedIp", "192.168.0.0"},
        {kIniDhcpSubNetMask, "DHCP", "SubNetMask", "255.255.255.0"},
        {kIniDhcpNumDomainNameServers, "DHCP", "NumDomainNameServers", "0"},
        {kIniDhcpDomainNameServers, "DHCP", "DomainNameServers", ""},
        {kIniDhcpLogFile, "DHCP", "LogFile", ""},
        {kIniDnsRelayInternalDnsListen, "DnsRelay", "InternalDnsListen", ""},
        {kIniDnsRelayInternetDnsListen, "DnsRelay", "InternetDnsListen", ""},
        {kIniDnsRelayDnsServer, "DnsRelay", "DnsServer", ""},
        {kIniDnsRelayLogFile, "DnsRelay", "LogFile", ""},
        {kIniIpcLocalAddress, "IPC", "LocalAddress", ""},
        {kIniAuthProviderDllName, "AuthProvider", "DllName", ""},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_STREQ(c.section, c.setting.section);
        EXPECT_STREQ(c.key, c.setting.key);
        ASSERT_NE(nullptr, c.setting.fallback);
        EXPECT_STREQ(c.fallback, c.setting.fallback);
    }
}

}  // namespace
