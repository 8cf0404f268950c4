// The running daemon answers the console over loopback: every request code reaches the service's own
// state, the settings file and the driver, and IPC_STOP_SERVICE ends the run in both Windows families.
#include <winsock.h>

#include <algorithm>

#include "DaemonDriverFixture.h"
#include "IpcWire.h"
#include "NetTestSupport.h"

using nettest::LeWords;

namespace {
constexpr unsigned short kTestIpcPort = 47301;
const std::vector<uint8_t> kAck = {0xB2, 0x9A, 0x65, 0xF4};

std::string IniString(const char* section, const char* key)
{
    return winetest::ReadIni(section, key, "(missing)");
}

uint32_t Word(const std::vector<uint8_t>& reply, size_t index)
{
    const size_t at = kIpcReplyDataOffset + index * kIpcWordSize;
    if (reply.size() < at + kIpcWordSize)
        return 0xDEADBEEF;
    return reply[at] | reply[at + 1] << 8 | reply[at + 2] << 16 | static_cast<uint32_t>(reply[at + 3]) << 24;
}

class DaemonIpcTest : public DaemonDriverTest {
protected:
    void SetUp() override
    {
        DaemonDriverTest::SetUp();
        ASSERT_TRUE(console_.Bound());
    }

    /// Starts the daemon as the 9x family runs it: a plain background process.
    void StartNineX()
    {
        Prepare("win98");
        winetest::WriteIni("IPC", "ServerPort", std::to_string(kTestIpcPort).c_str());
        ASSERT_TRUE(daemon_.Start("\"" + ExePath() + "\""));
        ASSERT_TRUE(winetest::WaitFor([&] { return Ask(LeWords({IPC_PING}), 200).size() == 4; }, kServiceTimeoutMs))
            << "the service never answered a ping";
    }

    /// Sends one request and returns the reply, or nothing when none came within waitMs.
    std::vector<uint8_t> Ask(const std::vector<uint8_t>& request, DWORD waitMs = nettest::kPromptMs)
    {
        std::vector<uint8_t> reply;
        if (!console_.SendTo(kTestIpcPort, request) || !console_.Receive(&reply, waitMs))
            return {};
        return reply;
    }

    void StopByRequestAndExpectExit()
    {
        EXPECT_EQ(kAck, Ask(LeWords({IPC_STOP_SERVICE, 0, 0})));
        DWORD exitCode = 1;
        ASSERT_TRUE(daemon_.Wait(kServiceTimeoutMs, &exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_TRUE(Ask(LeWords({IPC_PING}), nettest::kSilenceMs).empty()) << "answered after the stop";
        ASSERT_FALSE(Log().empty());
        EXPECT_EQ("Ombrix Service Stopping", Log().back());
    }

    nettest::UdpPeer console_;
    harness::CChildProcess daemon_;
};
}  // namespace

TEST_F(DaemonIpcTest, PingUnknownCodeOversizeAndStop)
{
    StartNineX();
    EXPECT_EQ(kAck, Ask(LeWords({IPC_PING})));

    EXPECT_TRUE(Ask(LeWords({1235}), nettest::kSilenceMs).empty());
    EXPECT_TRUE(winetest::WaitFor([&] { return LogHas("Rec'd Unknown Control Message: 4d3"); }, kServiceTimeoutMs));

    std::vector<uint8_t> oversize = LeWords({IPC_PING});
    oversize.resize(12289, 0x55);
    EXPECT_TRUE(Ask(oversize, nettest::kSilenceMs).empty());
    EXPECT_TRUE(Ask({0x64, 0x04, 0x00}, nettest::kSilenceMs).empty()) << "a 3-byte datagram is no request";
    EXPECT_EQ(kAck, Ask(LeWords({IPC_PING}))) << "the endpoint survived what it dropped";

    StopByRequestAndExpectExit();
}

// Any program on the desktop finds the control window by its class and title and can post it the request
// message with whatever parameters it likes: the service must neither crash nor act on them.
TEST_F(DaemonIpcTest, ForgedRequestMessagesFromAnotherProgramChangeNothing)
{
    winetest::WriteIni("Application", "Enabled", "0");
    StartNineX();
    const HWND window = FindWindowA("OmbrixServiceWindow", "OmbrixService");
    ASSERT_NE(static_cast<HWND>(NULL), window) << "the control window is not on this desktop";
    constexpr UINT kRequestMessage = 0x590;
    const LPARAM forged[] = {0x41414141, 0, 1, 2, 3, 4, 5, -1};
    for (LPARAM lParam : forged) {
        for (WPARAM code : {static_cast<WPARAM>(IPC_PING), static_cast<WPARAM>(IPC_SET_SHARING),
                            static_cast<WPARAM>(IPC_STOP_SERVICE)}) {
            ASSERT_TRUE(PostMessageA(window, kRequestMessage, code, lParam));
        }
    }
    // Sent, not posted: it has been through the window procedure when the call returns.
    DWORD_PTR result = 0;
    EXPECT_NE(0, SendMessageTimeoutA(window, kRequestMessage, IPC_STOP_SERVICE, 0x41414141, SMTO_NORMAL,
                                     kServiceTimeoutMs, &result));
    // Everything posted before the datagram is handled before its request.
    EXPECT_EQ(kAck, Ask(LeWords({IPC_PING}))) << "the service stopped answering";
    EXPECT_TRUE(daemon_.Running()) << "the service ended";
    EXPECT_EQ(0u, Sharing()) << "a forged request reached the driver";
    EXPECT_FALSE(LogHas("Ombrix Service Stopping"));

    EXPECT_EQ(kAck, Ask(LeWords({IPC_SET_SHARING, 1, 1})));
    EXPECT_EQ(1u, Sharing());
    StopByRequestAndExpectExit();
}

TEST_F(DaemonIpcTest, SharingSwitchReachesTheDriverAndShortPayloadReadsAsZero)
{
    winetest::WriteIni("Application", "Enabled", "0");
    StartNineX();
    EXPECT_EQ(kAck, Ask(LeWords({IPC_SET_SHARING, 1, 1})));
    EXPECT_EQ(1u, Sharing());
    // Only the code: the flag word counts as zero.
    EXPECT_EQ(kAck, Ask(LeWords({IPC_SET_SHARING})));
    EXPECT_EQ(0u, Sharing());
    EXPECT_EQ("0", IniString("Application", "Enabled")) << "sharing from the console is not written to the settings";
    StopByRequestAndExpectExit();
    const std::vector<std::string> log = Log();
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "Ombrix Driver Enabled"));
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "Ombrix Driver Disabled"));
}

TEST_F(DaemonIpcTest, SettingsRequestsGoThroughTheFile)
{
    winetest::WriteIni("DHCP", "LowAddress", "10");
    winetest::WriteIni("DHCP", "HighAddress", "20");
    winetest::WriteIni("NetAlarm", "MessageBox", "1");
    StartNineX();

    // The DHCP server runs (on the loopback address the fixture gave it) with the pool from the file.
    std::vector<uint8_t> running = Ask(LeWords({IPC_GET_DHCP_STATUS}));
    ASSERT_EQ(4 + kIpcDhcpBlockSize, running.size());
    EXPECT_EQ(1u, Word(running, 1));
    EXPECT_EQ(10u, Word(running, 2));
    EXPECT_EQ(20u, Word(running, 3));
    EXPECT_EQ(0x0000A8C0u, Word(running, 4)) << "192.168.0.0, the default AssignedIp";

    // Use flag 0: the pool keys stay as they were, and the server stops.
    EXPECT_EQ(kAck, Ask(LeWords({IPC_SET_DHCP, 20, 0, 50, 60})));
    EXPECT_EQ("0", IniString("Application", "UseDHCP"));
    EXPECT_EQ("10", IniString("DHCP", "LowAddress"));
    EXPECT_EQ("20", IniString("DHCP", "HighAddress"));

    std::vector<uint8_t> alarm = Ask(LeWords({IPC_GET_NETALARM}));
    ASSERT_EQ(4 + kIpcNetAlarmSize, alarm.size());
    EXPECT_EQ(20u, Word(alarm, 0));
    EXPECT_EQ(0u, Word(alarm, 1));
    EXPECT_EQ(1u, Word(alarm, 2));    // from the file
    EXPECT_EQ(300u, Word(alarm, 3));  // defaults
    EXPECT_EQ(1u, Word(alarm, 4));

    EXPECT_EQ(kAck, Ask(LeWords({IPC_SET_NETALARM, 20, 0, 0, 45, 0})));
    EXPECT_EQ("0", IniString("NetAlarm", "MessageBox"));
    EXPECT_EQ("45", IniString("NetAlarm", "DelayTime"));
    EXPECT_EQ("0", IniString("NetAlarm", "LogAlarms"));
    alarm = Ask(LeWords({IPC_GET_NETALARM}));
    EXPECT_EQ(0u, Word(alarm, 2));
    EXPECT_EQ(45u, Word(alarm, 3));
    EXPECT_EQ(0u, Word(alarm, 4));

    // Stopped now: its status says so; the client list of the existing server object is empty.
    std::vector<uint8_t> clients = Ask(LeWords({IPC_GET_CLIENTS}));
    ASSERT_EQ(4u + 128u, clients.size());
    EXPECT_EQ(0u, Word(clients, 2));
    std::vector<uint8_t> dhcp = Ask(LeWords({IPC_GET_DHCP_STATUS}));
    ASSERT_EQ(4 + kIpcDhcpBlockSize, dhcp.size());
    EXPECT_EQ(20u, Word(dhcp, 0));
    for (size_t w = 1; w < 5; ++w)
        EXPECT_EQ(0u, Word(dhcp, w)) << "word " << w;
    std::vector<uint8_t> dns = Ask(LeWords({IPC_GET_DNS_STATUS}));
    ASSERT_EQ(4 + kIpcDnsStatusSize, dns.size());
    EXPECT_EQ(16u, Word(dns, 0));
    EXPECT_EQ(0u, Word(dns, 1));

    EXPECT_EQ(kAck, Ask(LeWords({IPC_SET_DNS_RELAY, 0, 0})));
    EXPECT_EQ("0", IniString("Application", "DnsRelay"));
    StopByRequestAndExpectExit();
}

TEST_F(DaemonIpcTest, NtServiceStopsOnTheConsoleRequest)
{
    Prepare("win2k");
    winetest::WriteIni("IPC", "ServerPort", std::to_string(kTestIpcPort).c_str());
    InstallAndStartService();
    ASSERT_TRUE(winetest::WaitFor([&] { return Ask(LeWords({IPC_PING}), 200).size() == 4; }, kServiceTimeoutMs));
    EXPECT_EQ(kAck, Ask(LeWords({IPC_STOP_SERVICE, 0, 0})));
    ASSERT_TRUE(harness::WaitForServiceState(kService, SERVICE_STOPPED, kServiceTimeoutMs));
    EXPECT_TRUE(Ask(LeWords({IPC_PING}), nettest::kSilenceMs).empty());
    ASSERT_FALSE(Log().empty());
    EXPECT_EQ("Ombrix Service Stopping", Log().back());
}
