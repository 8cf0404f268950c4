#pragma once
// CServiceShell: what makes OmbrixDaemon a service of the system, kept apart from the sharing work. It reads
// the command line (install, remove, run), checks the sharing mode and that no other copy runs, and starts
// the service main: from the service control manager's dispatcher on the NT family, directly as a
// registered service process on Windows 95/98. On NT it takes the control manager's controls and reports
// the service's status. The work itself is CSharingService's.
#include <windows.h>

#include "SharingService.h"
#include "ombrixaux.h"

class CServiceShell {
public:
    /// Exit codes of the process entry besides 0 and the dispatcher's last error.
    static constexpr int kExitBadMode = 2;
    static constexpr int kExitUnknownOs = -1;

    /// The one shell of the process: the dispatcher, the control handler and the service main reach it here.
    static CServiceShell& Instance();

    /// Process entry: the command line without the program name; returns the process exit code.
    int Run(HINSTANCE instance, const char* commandLine);

private:
    CServiceShell() = default;

    static void WINAPI ServiceMain(DWORD argc, LPSTR* argv);
    static void WINAPI ControlHandler(DWORD control);

    bool IsServiceMode() const { return os_ == WinNT4 || os_ == Win2000; }
    bool AnotherInstanceRuns();
    void CloseInstanceMutex();
    int RunDispatcher();
    void RunServiceMain();
    void FinalCleanUp();
    /// Service mode only, and only once the control handler is registered.
    void ReportStatus(DWORD state, DWORD waitHint);

    HINSTANCE instance_ = nullptr;
    OsType os_ = OsUnknown;
    int sharingMode_ = -1;
    HANDLE instanceMutex_ = nullptr;
    SERVICE_STATUS_HANDLE statusHandle_ = nullptr;
    /// Where the control handler posts the stop; set before the handler is registered.
    DWORD serviceThreadId_ = 0;
    CSharingService sharing_;
};
