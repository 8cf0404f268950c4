#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "IServiceControl.h"
#include "IpcServer.h"
#include "PacketDriver.h"
#include "ServerComponent.h"
#include "ombrixaux.h"

/// The sharing service: process entry, service main, control window with its tick, the server switches
/// and the shut-down order. One instance per process; the system's callbacks (dispatcher, control handler,
/// window procedure) reach it through Instance(). Console requests act on it through IServiceControl.
class COmbrixService : public IServiceControl {
public:
    /// Exit codes of the process entry besides 0 and the dispatcher's last error.
    static constexpr int kExitBadMode = 2;
    static constexpr int kExitUnknownOs = -1;

    static COmbrixService& Instance();

    /// Process entry: the command line without the program name; returns the process exit code.
    int Run(HINSTANCE instance, const char* commandLine);

    // Server switches, used by the control protocol and the start-up; each returns a success flag.
    bool StartDhcpServer();
    bool StopDhcpServer();
    bool StartDnsRelay() override;
    bool StopDnsRelay() override;
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
    bool NetAlarmFlag() override { return netAlarm_; }
    int ReadSettingInt(const char* section, const char* key, int def) override;
    void WriteSetting(const char* section, const char* key, const char* text) override;
    void Log(const char* message) override;

private:
    COmbrixService() = default;

    static void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
    static void WINAPI ControlHandler(DWORD control);
    static LRESULT CALLBACK ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    bool IsServiceMode() const { return os_ == WinNT4 || os_ == Win2000; }
    bool AnotherInstanceRuns();
    int RunDispatcher();
    void RunServiceMain();
    bool CreateControlWindow();
    void RunMessageLoop();
    void ShutDown();
    void FinalCleanUp();
    void ReportStatus(DWORD state, DWORD waitHint);
    void PollDriverStatus();
    void Tick();

    HINSTANCE instance_ = nullptr;
    OsType os_ = OsUnknown;
    int sharingMode_ = -1;
    HANDLE instanceMutex_ = nullptr;
    SERVICE_STATUS_HANDLE statusHandle_ = nullptr;
    DWORD serviceThreadId_ = 0;
    CPacketDriver driver_;
    std::unique_ptr<CIpcServer> ipcServer_;
    std::unique_ptr<IDhcpServerComponent> dhcpServer_;
    std::unique_ptr<IDnsRelayComponent> dnsRelay_;
    bool netAlarm_ = false;
    bool autoDial_ = false;
    uint32_t driverStatus_ = 0;
    HWND controlWindow_ = nullptr;
};
