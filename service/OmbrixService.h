#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>

#include "PacketDriver.h"
#include "ServerComponent.h"
#include "ombrixaux.h"

/// The sharing service: process entry, service main, control window with its tick, the server switches
/// and the shut-down order. One instance per process; the system's callbacks (dispatcher, control handler,
/// window procedure) reach it through Instance().
class COmbrixService {
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
    bool StartDnsRelay();
    bool StopDnsRelay();
    bool SetDriverEnabled(bool enabled);

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
    std::unique_ptr<IServerComponent> dhcpServer_;
    std::unique_ptr<IDnsRelayComponent> dnsRelay_;
    bool netAlarm_ = false;
    bool autoDial_ = false;
    uint32_t driverStatus_ = 0;
    HWND controlWindow_ = nullptr;
};
