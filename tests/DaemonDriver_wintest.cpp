// The daemon running as an NT service with the stand-in packet driver loaded: the start-up switches reach
// the driver, the tick polls it once a second, and a stop control ends the run cleanly.
#include "DaemonDriverFixture.h"
#include "StandInCodes.h"

TEST_F(DaemonDriverTest, EnabledSwitchesTheDriverOnTicksAndStopsOnControl)
{
    // Single NIC mode: the DNS relay's one socket on the loopback address, forwarding to a server the
    // settings name (nothing is asked of it here).
    Prepare("nt40", "1");
    winetest::WriteIni("Application", "Enabled", "1");
    winetest::WriteIni("DnsRelay", "InternalDnsListen", "127.0.0.1");
    winetest::WriteIni("DnsRelay", "DnsServer", "10.254.254.1");
    InstallAndStartService();
    ASSERT_TRUE(winetest::WaitFor([&] { return LogHas("Ombrix Driver Enabled"); }, kServiceTimeoutMs));
    EXPECT_EQ(1u, Sharing());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), harness::ServiceState(kService));

    // The switch polls the status once; after that each tick polls it again.
    const uint32_t polled = Counts().getStatus;
    EXPECT_GE(polled, 1u);
    EXPECT_TRUE(winetest::WaitFor([&] { return Counts().getStatus >= polled + 2; }, kTickWaitMs))
        << "the status word was read " << Counts().getStatus << " times";

    SERVICE_STATUS status = {};
    ASSERT_TRUE(harness::ControlServiceByName(kService, SERVICE_CONTROL_INTERROGATE, &status));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_RUNNING), status.dwCurrentState);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN), status.dwControlsAccepted);

    StopServiceAndWait();
    EXPECT_EQ(0u, harness::ServiceExitCode(kService));
    std::vector<std::string> expected = kStartLines;
    // The DHCP server and the DNS relay run on the loopback address the test gave them; single NIC mode adds
    // the LAN route; the relay stops first.
    expected.insert(expected.end(), {"DHCP Server Started", "Using DNS Server: 10.254.254.1", "DNS Server Started",
                                     "Ombrix Driver Enabled", "Attempting to Add Route", "DNS Server Stopped",
                                     "DHCP Server Stopped", "Ombrix Service Stopping"});
    EXPECT_TRUE(winetest::WaitFor([&] { return Log() == expected; }, kServiceTimeoutMs));
    EXPECT_EQ(expected, Log());
    // Stopping leaves the driver as it is: sharing stays on for the next start.
    EXPECT_EQ(1u, Sharing());
    EXPECT_EQ(1u, Counts().setSharing);
}

TEST_F(DaemonDriverTest, SwitchesOffInTheSettingsSendNothing)
{
    Prepare("win2k");
    winetest::WriteIni("Application", "Enabled", "0");
    winetest::WriteIni("Application", "UseDhcp", "0");
    winetest::WriteIni("Application", "DnsRelay", "0");
    InstallAndStartService();
    ASSERT_TRUE(winetest::WaitFor([&] { return Counts().getStatus >= 2; }, kTickWaitMs));
    StopServiceAndWait();
    std::vector<std::string> expected = kStartLines;
    expected.push_back("Ombrix Service Stopping");
    EXPECT_TRUE(winetest::WaitFor([&] { return Log() == expected; }, kServiceTimeoutMs));
    EXPECT_EQ(expected, Log());
    EXPECT_EQ(0u, Counts().setSharing);
    EXPECT_EQ(0u, Sharing());
}

TEST_F(DaemonDriverTest, FailingEnableIsLoggedAndStartUpGoesOn)
{
    Prepare("nt40");
    winetest::WriteIni("Application", "UseDhcp", "0");
    winetest::WriteIni("Application", "DnsRelay", "0");
    ASSERT_TRUE(driver_->SetFailMask(1u << OMBRIX_STANDIN_REQ_SET_SHARING)) << driver_->LastError();
    InstallAndStartService();
    ASSERT_TRUE(winetest::WaitFor([&] { return Counts().getStatus >= 1; }, kTickWaitMs));
    StopServiceAndWait();
    driver_->SetFailMask(0);
    std::vector<std::string> expected = kStartLines;
    expected.insert(expected.end(), {"Error Unable to Enable Ombrix Driver", "Ombrix Service Stopping"});
    EXPECT_TRUE(winetest::WaitFor([&] { return Log() == expected; }, kServiceTimeoutMs));
    EXPECT_EQ(expected, Log());
}
