#pragma once
// The daemon started as the 9x family runs it, with the stand-in packet driver loaded, and a console's
// UDP endpoint that asks it what a console asks. Each suite talks on a port of its own, so that suites run
// side by side never answer each other's requests.
#include <winsock.h>

#include <string>
#include <vector>

#include "DaemonDriverFixture.h"
#include "IpcWire.h"
#include "NetTestSupport.h"

/// The service's acknowledgement of a request.
inline const std::vector<uint8_t> kDaemonAck = {0xB2, 0x9A, 0x65, 0xF4};

class DaemonConsoleTest : public DaemonDriverTest {
protected:
    explicit DaemonConsoleTest(unsigned short ipcPort) : ipcPort_(ipcPort) {}

    void SetUp() override
    {
        DaemonDriverTest::SetUp();
        ASSERT_TRUE(console_.Bound());
    }
    void TearDown() override
    {
        if (daemon_.Running()) {
            Ask(nettest::LeWords({IPC_STOP_SERVICE, 0, 0}));
            daemon_.Wait(kServiceTimeoutMs, nullptr);
        }
        DaemonDriverTest::TearDown();
    }

    /// Starts the daemon with the DHCP server and the DNS relay switched off, so that only what the test
    /// looks at talks to the driver, and waits until it answers a ping.
    void Start()
    {
        winetest::WriteIni("IPC", "ServerPort", std::to_string(ipcPort_).c_str());
        winetest::WriteIni("Application", "UseDHCP", "0");
        winetest::WriteIni("Application", "DnsRelay", "0");
        ASSERT_TRUE(daemon_.Start("\"" + ExePath() + "\""));
        ASSERT_TRUE(
            winetest::WaitFor([&] { return Ask(nettest::LeWords({IPC_PING}), 200).size() == 4; }, kServiceTimeoutMs))
            << "the service never answered a ping";
    }

    /// One request and its reply; empty when none came within waitMs.
    std::vector<uint8_t> Ask(const std::vector<uint8_t>& request, DWORD waitMs = nettest::kPromptMs)
    {
        std::vector<uint8_t> reply;
        if (!console_.SendTo(ipcPort_, request) || !console_.Receive(&reply, waitMs))
            return {};
        return reply;
    }

    /// Asks the service to stop and waits for its process to end.
    void Stop()
    {
        EXPECT_EQ(kDaemonAck, Ask(nettest::LeWords({IPC_STOP_SERVICE, 0, 0})));
        ASSERT_TRUE(daemon_.Wait(kServiceTimeoutMs, nullptr));
    }

    const unsigned short ipcPort_;
    nettest::UdpPeer console_;
    harness::CChildProcess daemon_;
};
