#pragma once
// CSharingService: the work of OmbrixDaemon once the service shell has it running. It owns the packet
// driver handle, the IPC endpoint, the DHCP server, the DNS relay, the port forwards, NetAlarm, the dial-out
// and the control window; it starts them in their order, serves the console's requests and the tick from
// its message loop, and stops them in their order. All of it runs on the service-main thread.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "ControlWindow.h"
#include "DialOut.h"
#include "DnsRelayHost.h"
#include "IServiceControl.h"
#include "IServiceTick.h"
#include "IpcServer.h"
#include "NetAlarm.h"
#include "PacketDriver.h"
#include "PortForwards.h"
#include "ServerComponent.h"

class CSharingService : public IServiceControl, public IServiceTick {
public:
    CSharingService();
    CSharingService(const CSharingService&) = delete;
    CSharingService& operator=(const CSharingService&) = delete;

    /// The start-up, from opening the driver to the control window with its timer. False, after its own
    /// log line, when the service cannot run: no driver, no IPC endpoint, no control window. Switches that
    /// fail here log and do not stop the start-up.
    bool Start(HINSTANCE instance, int sharingMode);
    /// Gets and dispatches the thread's messages until the quit message arrives.
    void Serve();
    /// Closes the driver handle (its sharing and NetAlarm stay as they are), stops and destroys the DNS
    /// relay, the DHCP server and the IPC endpoint, and logs "Ombrix Service Stopping".
    void ShutDown();
    /// What the process gives up at its end, whichever way the service main ended: the driver handle, the
    /// access provider plug-in, the dial-up library and the adapter table.
    void ReleaseAtExit();

    // The server switches of the start-up and the control protocol; each logs its own outcome.
    bool StartDhcpServer();
    bool StopDhcpServer();
    bool StartDnsRelay() override;
    bool StopDnsRelay() override;
    /// Driver request 5; the setting is not written to Ombrix.Ini.
    bool SetDriverEnabled(bool enabled) override;

    // What console requests do (IServiceControl).
    void Dial() override;
    void HangUp() override;
    bool DhcpExists() override;
    bool DhcpRunning() override;
    bool StartDhcp() override { return StartDhcpServer(); }
    bool StopDhcp() override { return StopDhcpServer(); }
    void SetDhcpPool(uint32_t low, uint32_t high) override;
    uint32_t DhcpPoolLow() override;
    uint32_t DhcpPoolHigh() override;
    uint32_t DhcpNetwork() override;
    std::vector<IpcClientEntry> DhcpClients() override;
    bool DnsRelayExists() override;
    bool DnsRelayRunning() override;
    uint32_t DnsRelayLanAddress() override;
    bool SetNetAlarm(bool enable) override;
    bool NetAlarmFlag() override;
    int ReadSettingInt(const char* section, const char* key, int def) override;
    void WriteSetting(const char* section, const char* key, const char* text) override;
    void Log(const char* message) override;

    /// The one-second tick: polls the driver and acts on its status flags.
    void Tick() override;

private:
    /// The dial-out as the DNS relay sees it in modem mode: whether a connection is up, and a dial.
    class CRelayDialUp : public IDnsInternetConnection {
    public:
        explicit CRelayDialUp(CDialOut& dialOut) : dialOut_(dialOut) {}
        bool ConnectionUp() override { return dialOut_.ConnectionUp(); }
        int Dial() override { return static_cast<IDialOnDemand&>(dialOut_).Dial(); }

    private:
        CDialOut& dialOut_;
    };

    std::unique_ptr<IDhcpServerComponent> NewDhcpServer();
    std::unique_ptr<IDnsRelayComponent> NewDnsRelay();
    void PollDriverStatus();

    int sharingMode_ = -1;
    CPacketDriver driver_;
    CPortForwards portForwards_;
    CNetAlarm netAlarm_;
    CDialOut dialOut_;
    CRelayDialUp relayDialUp_{dialOut_};
    std::unique_ptr<CIpcServer> ipcServer_;
    std::unique_ptr<IDhcpServerComponent> dhcpServer_;
    std::unique_ptr<IDnsRelayComponent> dnsRelay_;
    CControlWindow controlWindow_;
    /// Read once at start (default off); the dial-out reads its own switch again at every dial.
    bool autoDial_ = false;
    /// The last status word the driver reported; kept when a poll fails.
    uint32_t driverStatus_ = 0;
};
