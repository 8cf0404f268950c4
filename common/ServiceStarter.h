#pragma once
// CServiceStarter: starts OmbrixDaemon when the console finds it not running. Windows 95/98 run it as a
// hidden background program from the console's own directory; the NT family asks the service control
// manager to start the registered service.
#include <windows.h>

#include "IpcClient.h"
#include "OsType.h"
#include "ServiceNames.h"

/// Shown when the start fails; %i takes the error code.
constexpr char kStartFailureFormat[] = "Failed to Start Ombrix Service. Error Code: %i";
/// The start request that finds the service already running still means the service runs.
constexpr DWORD kErrorServiceAlreadyRunning = 1056;
/// Error code when the console's path has no directory part to put the daemon's name in.
constexpr DWORD kErrorNoProgramDirectory = 2;
/// WinExec's results below this are error codes.
constexpr UINT kWinExecFirstSuccess = 32;

class CServiceStarter {
public:
    /// Starts the service by the method of family os. consolePath is the console's full module path (null:
    /// this process's). Returns TRUE on success; otherwise *errorCode (when given) holds the code and the
    /// failure text goes to handler.
    static BOOL Start(OsType os, const char* consolePath, IpcFailureHandler handler, void* context, DWORD* errorCode);

    /// The daemon's path: consolePath with everything after its last backslash replaced by the program
    /// name. Returns false when the path has no backslash.
    static bool BuildDaemonPath(const char* consolePath, char* out, size_t size);

private:
    static bool StartByProgram(const char* consolePath, DWORD* error);
    static bool StartByServiceManager(DWORD* error);
};
