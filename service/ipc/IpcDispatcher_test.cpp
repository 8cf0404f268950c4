#include "IpcDispatcher.h"

#include <gtest/gtest.h>

#include "FakeServiceControl.h"

namespace {

using Calls = std::vector<std::string>;

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words)
{
    std::vector<uint8_t> out(words.size() * 4);
    size_t i = 0;
    for (uint32_t w : words) {
        IpcPutWord(&out[i], w);
        i += 4;
    }
    return out;
}

IpcDispatchResult Dispatch(FakeServiceControl& service, uint32_t code, const std::vector<uint8_t>& payload)
{
    return CIpcDispatcher::Dispatch(service, code, payload.empty() ? nullptr : payload.data(), payload.size());
}

// Requests whose answer is the bare acknowledgement, with the effects each must have on a service that
// has no servers yet.
struct AckCase {
    const char* name;
    uint32_t code;
    std::vector<uint8_t> payload;
    Calls effects;
    bool quit;
};

TEST(IpcDispatcher, AcknowledgedRequestsHaveTheirEffects)
{
    const AckCase cases[] = {
        {"ping", IPC_PING, {}, {}, false},
        {"ping with junk", IPC_PING, Words({7, 7, 7}), {}, false},
        {"sharing on", IPC_SET_SHARING, Words({1, 1}), {"SetDriverEnabled(1)"}, false},
        {"sharing off at exit", IPC_SET_SHARING, Words({0, 0}), {"SetDriverEnabled(0)"}, false},
        {"sharing any nonzero", IPC_SET_SHARING, Words({0x100, 1}), {"SetDriverEnabled(1)"}, false},
        {"sharing empty payload", IPC_SET_SHARING, {}, {"SetDriverEnabled(0)"}, false},
        {"dial", IPC_DIAL, Words({0, 0}), {"Dial"}, false},
        {"hang up", IPC_HANG_UP, Words({0, 0}), {"HangUp"}, false},
        {"stop", IPC_STOP_SERVICE, Words({0, 0}), {}, true},
        {"dns relay on", IPC_SET_DNS_RELAY, Words({1, 0}), {"StartDnsRelay", "Write(Application,DnsRelay,1)"}, false},
        {"dns relay off", IPC_SET_DNS_RELAY, Words({0, 0}), {"StopDnsRelay", "Write(Application,DnsRelay,0)"}, false},
        {"dns relay short", IPC_SET_DNS_RELAY, {1, 0}, {"StartDnsRelay", "Write(Application,DnsRelay,1)"}, false},
        {"dhcp use 1",
         IPC_SET_DHCP,
         Words({20, 1, 10, 100, 0}),
         {"Write(Application,UseDHCP,1)", "Write(DHCP,LowAddress,10)", "Write(DHCP,HighAddress,100)", "StartDhcp"},
         false},
        {"dhcp use 0 leaves the range alone",
         IPC_SET_DHCP,
         Words({20, 0, 10, 100, 0}),
         {"Write(Application,UseDHCP,0)", "StopDhcp"},
         false},
        {"dhcp short payload",
         IPC_SET_DHCP,
         Words({20, 1, 10}),
         {"Write(Application,UseDHCP,1)", "Write(DHCP,LowAddress,10)", "Write(DHCP,HighAddress,0)", "StartDhcp"},
         false},
        {"dhcp empty payload", IPC_SET_DHCP, {}, {"Write(Application,UseDHCP,0)", "StopDhcp"}, false},
        {"netalarm set",
         IPC_SET_NETALARM,
         Words({20, 1, 1, 60, 0}),
         {"SetNetAlarm(1)", "Write(NetAlarm,Enable,1)", "Write(NetAlarm,MessageBox,1)", "Write(NetAlarm,DelayTime,60)",
          "Write(NetAlarm,LogAlarms,0)"},
         false},
        {"netalarm short",
         IPC_SET_NETALARM,
         Words({20, 1}),
         {"SetNetAlarm(1)", "Write(NetAlarm,Enable,1)", "Write(NetAlarm,MessageBox,0)", "Write(NetAlarm,DelayTime,0)",
          "Write(NetAlarm,LogAlarms,0)"},
         false},
    };
    for (const AckCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeServiceControl service;
        IpcDispatchResult result = Dispatch(service, c.code, c.payload);
        EXPECT_TRUE(result.sendReply);
        EXPECT_TRUE(result.data.empty());
        EXPECT_EQ(c.quit, result.quitAfterReply);
        EXPECT_EQ(c.effects, service.calls);
        EXPECT_TRUE(service.logLines.empty());
    }
}

TEST(IpcDispatcher, UnknownCodeIsLoggedInHexAndUnanswered)
{
    struct Case {
        uint32_t code;
        const char* line;
    };
    const Case cases[] = {
        {1235, "Rec'd Unknown Control Message: 4d3"},
        {0, "Rec'd Unknown Control Message: 0"},
        {0xFFFFFFFF, "Rec'd Unknown Control Message: ffffffff"},
        {IPC_PING + 1, "Rec'd Unknown Control Message: 465"},
    };
    for (const Case& c : cases) {
        FakeServiceControl service;
        IpcDispatchResult result = Dispatch(service, c.code, Words({1, 2}));
        EXPECT_FALSE(result.sendReply) << c.code;
        EXPECT_FALSE(result.quitAfterReply);
        EXPECT_TRUE(service.calls.empty());
        ASSERT_EQ(1u, service.logLines.size());
        EXPECT_EQ(c.line, service.logLines[0]);
        EXPECT_FALSE(CIpcDispatcher::IsKnownCode(c.code));
    }
}

TEST(IpcDispatcher, EveryProtocolCodeHasARow)
{
    const uint32_t codes[] = {IPC_PING,         IPC_SET_SHARING,     IPC_DIAL,          IPC_HANG_UP,
                              IPC_STOP_SERVICE, IPC_GET_CLIENTS,     IPC_SET_DNS_RELAY, IPC_GET_DNS_STATUS,
                              IPC_SET_DHCP,     IPC_GET_DHCP_STATUS, IPC_GET_NETALARM,  IPC_SET_NETALARM};
    for (uint32_t code : codes) {
        EXPECT_TRUE(CIpcDispatcher::IsKnownCode(code)) << code;
        FakeServiceControl service;
        EXPECT_TRUE(Dispatch(service, code, {}).sendReply) << code;
    }
}

TEST(IpcDispatcher, RunningDhcpServerLearnsTheNewPoolFirst)
{
    struct Case {
        uint32_t use;
        Calls effects;
    };
    const Case cases[] = {
        {1,
         {"Write(Application,UseDHCP,1)", "Write(DHCP,LowAddress,20)", "Write(DHCP,HighAddress,30)",
          "SetDhcpPool(20,30)", "StartDhcp"}},
        // Updated even though the same request then stops it.
        {0, {"Write(Application,UseDHCP,0)", "SetDhcpPool(20,30)", "StopDhcp"}},
    };
    for (const Case& c : cases) {
        FakeServiceControl service;
        service.dhcpExists = true;
        service.dhcpRunning = true;
        Dispatch(service, IPC_SET_DHCP, Words({20, c.use, 20, 30, 99}));
        EXPECT_EQ(c.effects, service.calls) << "use " << c.use;
    }
}

TEST(IpcDispatcher, StoppedDhcpServerKeepsItsPool)
{
    FakeServiceControl service;
    service.dhcpExists = true;
    service.switchesSucceed = false;  // the start fails: the request is still acknowledged
    IpcDispatchResult result = Dispatch(service, IPC_SET_DHCP, Words({20, 1, 20, 30, 0}));
    EXPECT_TRUE(result.sendReply);
    EXPECT_EQ(0u, service.poolLow);
    EXPECT_EQ("StartDhcp", service.calls.back());
}

TEST(IpcDispatcher, UseFlagZeroLeavesTheStoredRangeUnchanged)
{
    FakeServiceControl service;
    service.settings["DHCP/LowAddress"] = "5";
    service.settings["DHCP/HighAddress"] = "50";
    Dispatch(service, IPC_SET_DHCP, Words({20, 0, 10, 100, 0}));
    EXPECT_EQ("5", service.settings["DHCP/LowAddress"]);
    EXPECT_EQ("50", service.settings["DHCP/HighAddress"]);
    EXPECT_EQ("0", service.settings["Application/UseDHCP"]);
}

struct DhcpStatusCase {
    const char* name;
    bool exists;
    bool running;
    std::vector<uint8_t> expected;
};

TEST(IpcDispatcher, DhcpStatusFillsThePoolOnlyWhileRunning)
{
    const DhcpStatusCase cases[] = {
        {"no server", false, false, Words({20, 0, 0, 0, 0})},
        {"stopped", true, false, Words({20, 0, 0, 0, 0})},
        {"running", true, true, Words({20, 1, 2, 254, 0x0000A8C0})},
    };
    for (const DhcpStatusCase& c : cases) {
        FakeServiceControl service;
        service.dhcpExists = c.exists;
        service.dhcpRunning = c.running;
        service.poolLow = 2;
        service.poolHigh = 254;
        service.network = 0x0000A8C0;
        IpcDispatchResult result = Dispatch(service, IPC_GET_DHCP_STATUS, {});
        EXPECT_TRUE(result.sendReply);
        EXPECT_EQ(c.expected, result.data) << c.name;
        EXPECT_TRUE(service.calls.empty());
    }
}

TEST(IpcDispatcher, DnsStatusFillsTheRestOnlyWhileTheRelayRuns)
{
    struct Case {
        const char* name;
        bool relayExists;
        bool relayRunning;
        bool dhcpRunning;
        std::vector<uint8_t> expected;
    };
    const Case cases[] = {
        {"no relay", false, false, true, Words({16, 0, 0, 0})},
        {"relay stopped, dhcp running", true, false, true, Words({16, 0, 0, 0})},
        {"relay running, dhcp stopped", true, true, false, Words({16, 1, 0, 0x0100A8C0})},
        {"both running", true, true, true, Words({16, 1, 1, 0x0100A8C0})},
    };
    for (const Case& c : cases) {
        FakeServiceControl service;
        service.dnsExists = c.relayExists;
        service.dnsRunning = c.relayRunning;
        service.dhcpExists = true;
        service.dhcpRunning = c.dhcpRunning;
        service.dnsLanAddress = 0x0100A8C0;
        IpcDispatchResult result = Dispatch(service, IPC_GET_DNS_STATUS, {});
        EXPECT_EQ(c.expected, result.data) << c.name;
    }
}

TEST(IpcDispatcher, NetAlarmReadsTheFlagAndTheStoredOptions)
{
    FakeServiceControl service;
    EXPECT_EQ(Words({20, 0, 0, 300, 1}), Dispatch(service, IPC_GET_NETALARM, {}).data) << "defaults";
    service.netAlarm = true;
    service.settings["NetAlarm/MessageBox"] = "1";
    service.settings["NetAlarm/DelayTime"] = "45";
    service.settings["NetAlarm/LogAlarms"] = "0";
    service.settings["NetAlarm/Enable"] = "0";  // the flag the service holds counts, not the file
    EXPECT_EQ(Words({20, 1, 1, 45, 0}), Dispatch(service, IPC_GET_NETALARM, {}).data);
}

TEST(IpcDispatcher, NetAlarmSettingsRoundTrip)
{
    FakeServiceControl service;
    Dispatch(service, IPC_SET_NETALARM, Words({20, 1, 1, 600, 0}));
    EXPECT_TRUE(service.netAlarm);
    EXPECT_EQ(Words({20, 1, 1, 600, 0}), Dispatch(service, IPC_GET_NETALARM, {}).data);
    Dispatch(service, IPC_SET_NETALARM, Words({20, 0, 0, 0xFFFFFFFF, 1}));
    EXPECT_EQ(Words({20, 0, 0, 0xFFFFFFFF, 1}), Dispatch(service, IPC_GET_NETALARM, {}).data)
        << "any word survives the file";
}

TEST(IpcDispatcher, ClientListWithoutAServerIsEmpty)
{
    FakeServiceControl service;
    IpcClientEntry stray;
    stray.idHostname = "never";
    service.clients.push_back(stray);  // not asked for: there is no server object
    IpcDispatchResult result = Dispatch(service, IPC_GET_CLIENTS, {});
    ASSERT_EQ(128u, result.data.size());
    EXPECT_EQ(1u, IpcGetWord(&result.data[0]));
    EXPECT_EQ(0u, IpcGetWord(&result.data[4]));
    EXPECT_EQ(0u, IpcGetWord(&result.data[8]));
}

TEST(IpcDispatcher, ClientListFromTheServer)
{
    FakeServiceControl service;
    service.dhcpExists = true;
    for (int i = 0; i < 3; ++i) {
        IpcClientEntry client;
        client.idHostname = "pc" + std::to_string(i);
        client.inAddr = 0x0000A8C0u | static_cast<uint32_t>(10 + i) << 24;
        client.hdwrAddr[5] = static_cast<uint8_t>(i);
        client.internetAccess = static_cast<uint32_t>(i % 2);
        service.clients.push_back(client);
    }
    IpcDispatchResult result = Dispatch(service, IPC_GET_CLIENTS, {});
    ASSERT_EQ(128u + 3 * 116u, result.data.size());
    EXPECT_EQ(0u, IpcGetWord(&result.data[4]));
    IpcClientList list;
    ASSERT_TRUE(IpcDecodeClientList(result.data.data(), result.data.size(), &list));
    ASSERT_EQ(3u, list.count);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(service.clients[i].idHostname, list.clients[i].idHostname);
        EXPECT_EQ(service.clients[i].inAddr, list.clients[i].inAddr);
        EXPECT_EQ(i, list.clients[i].hdwrAddr[5]);
        EXPECT_EQ(service.clients[i].internetAccess, list.clients[i].internetAccess);
    }

    service.clients.clear();
    EXPECT_EQ(128u, Dispatch(service, IPC_GET_CLIENTS, {}).data.size()) << "empty table";
}

}  // namespace
