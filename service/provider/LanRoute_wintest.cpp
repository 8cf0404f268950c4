// The LAN route under Wine, as Windows 2000: adapters described in the prefix's registry the way that
// system keeps them, Ombrix.Ini's DHCP settings, and the stand-in route.exe (testbed/route) in the test's
// current directory, where the command finds it before the system's own. Runs as win2k (WineVersionMain).
#include "LanRoute.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "DottedAddress.h"
#include "LanRouteCommand.h"
#include "ServiceLog.h"
#include "WineTestSupport.h"
#include "ombrixaux.h"
#include "testing/RegistryFixture.h"
#include "testing/WineAuxSupport.h"

using winetest::CIniFileSnapshot;
using winetest::CScratchFolder;
using winetest::FileExists;
using winetest::LogMessages;
using winetest::ProgramFolder;
using winetest::ReadLines;
using winetest::WaitFor;

namespace {
using Lines = std::vector<std::string>;

const char kNetClass[] = "System\\CurrentControlSet\\Control\\Class\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
const char kInterfaces[] = "System\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\";
const char kRouteRecord[] = "route-calls.txt";
constexpr DWORD kRouteTimeoutMs = 10000;
// Stands for the host's own address: a static adapter keeps its place in the table only with an address
// the host's name resolves to.
const char kHost[] = "HOST";

struct AdapterFixture {
    const char* description;
    bool dhcp;
    const char* address;  ///< "" leaves it out
    const char* gateway;  ///< nullptr leaves it out
};

struct RouteCase {
    const char* what;
    int mode;
    std::vector<AdapterFixture> adapters;
    const char* assignedIp;  ///< nullptr: the key is missing
    const char* subnetMask;  ///< nullptr: the key is missing
    bool succeeds;
    const char* command;  ///< what the route program is run with; nullptr: it is not run
};

const AdapterFixture kStaticWithGateway{"Lab Adapter (static)", false, kHost, "192.0.2.1"};
const AdapterFixture kSecondCard{"Second card", true, "10.2.0.7", "10.2.0.1"};

const RouteCase kCases[] = {
    {"single NIC mode with the default network",
     1,
     {kStaticWithGateway},
     nullptr,
     nullptr,
     true,
     "Route Add 192.168.0.0 Mask 255.255.255.0 HOST Metric 1"},
    {"the host part of AssignedIp goes",
     1,
     {kStaticWithGateway},
     "192.168.0.1",
     nullptr,
     true,
     "Route Add 192.168.0.0 Mask 255.255.255.0 HOST Metric 1"},
    {"another network and mask",
     1,
     {kStaticWithGateway},
     "10.20.30.40",
     "255.255.0.0",
     true,
     "Route Add 10.20.0.0 Mask 255.255.0.0 HOST Metric 1"},
    {"a dial-up adapter is passed over",
     1,
     {{"Dial-up Adapter (ISDN)", true, "10.3.0.9", "10.3.0.1"}, kSecondCard},
     nullptr,
     nullptr,
     true,
     "Route Add 192.168.0.0 Mask 255.255.255.0 10.2.0.7 Metric 1"},
    {"an adapter without gateway is passed over",
     1,
     {{"First card", true, "10.1.0.5", nullptr}, kSecondCard},
     nullptr,
     nullptr,
     true,
     "Route Add 192.168.0.0 Mask 255.255.255.0 10.2.0.7 Metric 1"},
    {"no adapter has a gateway", 1, {{"Only card", false, kHost, nullptr}}, nullptr, nullptr, false, nullptr},
    {"the first adapter with a gateway has no address",
     1,
     {{"No address", true, "", "10.4.0.1"}, kSecondCard},
     nullptr,
     nullptr,
     false,
     nullptr},
    {"modem mode", 0, {kStaticWithGateway}, nullptr, nullptr, true, nullptr},
    {"dual NIC mode", 2, {kStaticWithGateway}, nullptr, nullptr, true, nullptr},
};

std::string WithHost(std::string text, uint32_t host)
{
    const size_t at = text.find(kHost);
    if (at != std::string::npos)
        text.replace(at, sizeof kHost - 1, FormatDottedAddress(host));
    return text;
}

class LanRouteTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(GetOs(), Win2000);
        ASSERT_TRUE(winsock_.ok());
        host_ = HostAddress();
        ASSERT_NE(host_, 0u);
        char current[MAX_PATH] = {};
        GetCurrentDirectoryA(MAX_PATH, current);
        previousDirectory_ = current;
        standIn_ = ProgramFolder() + "route-standin\\route.exe";
        ASSERT_TRUE(FileExists(standIn_)) << standIn_ << " is missing: build the route_standin target";
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(previousDirectory_.c_str());
        CServiceLog::SetPath(nullptr);
        ClearAdapterInfo();
    }

    void Describe(CRegistryFixture& registry, const std::vector<AdapterFixture>& adapters)
    {
        ASSERT_TRUE(registry.SetText(HKEY_LOCAL_MACHINE, kNetClass, "Class", "Net"));
        for (size_t i = 0; i < adapters.size(); ++i) {
            const AdapterFixture& a = adapters[i];
            char number[8];
            std::snprintf(number, sizeof number, "%04u", static_cast<unsigned>(i));
            char id[64];
            std::snprintf(id, sizeof id, "{0A5E17E0-0B1D-4C58-9E0A-3C2B1D0E%04u}", static_cast<unsigned>(i));
            const std::string instance = kNetClass + std::string("\\") + number;
            ASSERT_TRUE(registry.SetText(HKEY_LOCAL_MACHINE, instance, "DriverDesc", a.description));
            ASSERT_TRUE(registry.SetText(HKEY_LOCAL_MACHINE, instance, "NetCfgInstanceId", id));
            const std::string tcpip = kInterfaces + std::string(id);
            const std::string address = WithHost(a.address, host_);
            ASSERT_TRUE(registry.SetDword(HKEY_LOCAL_MACHINE, tcpip, "EnableDhcp", a.dhcp ? 1 : 0));
            if (a.dhcp) {
                if (!address.empty()) {
                    ASSERT_TRUE(registry.SetText(HKEY_LOCAL_MACHINE, tcpip, "DhcpIpAddress", address));
                }
                ASSERT_TRUE(registry.SetText(HKEY_LOCAL_MACHINE, tcpip, "DhcpSubNetMask", "255.255.255.0"));
                if (a.gateway != nullptr) {
                    ASSERT_TRUE(registry.SetMulti(HKEY_LOCAL_MACHINE, tcpip, "DhcpDefaultGateway", {a.gateway}));
                }
            } else {
                if (!address.empty()) {
                    ASSERT_TRUE(registry.SetMulti(HKEY_LOCAL_MACHINE, tcpip, "IpAddress", {address}));
                }
                ASSERT_TRUE(registry.SetMulti(HKEY_LOCAL_MACHINE, tcpip, "SubNetMask", {"255.255.255.0"}));
                if (a.gateway != nullptr) {
                    ASSERT_TRUE(registry.SetMulti(HKEY_LOCAL_MACHINE, tcpip, "DefaultGateway", {a.gateway}));
                }
            }
        }
    }

    CWinsockSession winsock_;
    uint32_t host_ = 0;
    std::string previousDirectory_;
    std::string standIn_;
};
}  // namespace

TEST_F(LanRouteTest, RunsTheRouteCommandOnlyInSingleNicModeWithAGateway)
{
    for (const RouteCase& c : kCases) {
        SCOPED_TRACE(c.what);
        CScratchFolder folder;
        ASSERT_TRUE(folder.Created());
        ASSERT_TRUE(folder.CopyIn(standIn_, "route.exe"));
        ASSERT_TRUE(SetCurrentDirectoryA(folder.Path().c_str()));
        const std::string log = folder.Path() + "OmbrixDaemon.log";
        CServiceLog::SetPath(log.c_str());
        CIniFileSnapshot ini;
        ASSERT_TRUE(winetest::WriteIni(kIniDhcpAssignedIp.section, kIniDhcpAssignedIp.key, c.assignedIp));
        ASSERT_TRUE(winetest::WriteIni(kIniDhcpSubNetMask.section, kIniDhcpSubNetMask.key, c.subnetMask));
        CRegistryFixture registry;
        Describe(registry, c.adapters);

        EXPECT_EQ(c.succeeds, CLanRoute::Add(c.mode));

        const std::string record = folder.Path() + kRouteRecord;
        Lines expectedLog;
        if (c.mode == kLanRouteSharingMode)
            expectedLog.push_back(kLanRouteAttemptLine);
        if (c.command != nullptr) {
            const std::string command = WithHost(c.command, host_);
            expectedLog.push_back(command);
            // Started, not waited for: the stand-in writes its line in its own time.
            EXPECT_TRUE(WaitFor([&] { return !ReadLines(record).empty(); }, kRouteTimeoutMs));
            EXPECT_EQ(Lines{command}, ReadLines(record));
        } else {
            // Nothing was started: a command of our own, started now, is the only one the stand-in sees.
            const char kMarker[] = "Route marker";
            WinExec(kMarker, SW_HIDE);
            EXPECT_TRUE(WaitFor([&] { return !ReadLines(record).empty(); }, kRouteTimeoutMs));
            EXPECT_EQ(Lines{kMarker}, ReadLines(record));
        }
        EXPECT_EQ(expectedLog, LogMessages(log));
        SetCurrentDirectoryA(previousDirectory_.c_str());
    }
}
