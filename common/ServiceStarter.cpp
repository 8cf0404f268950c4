#include "ServiceStarter.h"

#include <cstdio>
#include <cstring>

namespace {

// The error code reported with a success.
constexpr DWORD kStarted = 0;
// An unknown family has no method: the start fails with code 0.
constexpr DWORD kNoMethod = 0;
// Room for the failure text with the widest code.
constexpr size_t kFailureTextSize = sizeof(kStartFailureFormat) + 16;

}  // namespace

bool CServiceStarter::BuildDaemonPath(const char* consolePath, char* out, size_t size)
{
    if (!consolePath) {
        return false;
    }
    const char* slash = strrchr(consolePath, '\\');
    if (!slash) {
        return false;
    }
    size_t directory = static_cast<size_t>(slash - consolePath) + 1;
    if (directory + sizeof(kDaemonProgramName) > size) {
        return false;
    }
    memcpy(out, consolePath, directory);
    memcpy(out + directory, kDaemonProgramName, sizeof(kDaemonProgramName));
    return true;
}

bool CServiceStarter::StartByProgram(const char* consolePath, DWORD* error)
{
    char own[MAX_PATH] = "";
    if (!consolePath) {
        GetModuleFileNameA(NULL, own, sizeof own);
        consolePath = own;
    }
    char daemon[MAX_PATH];
    if (!BuildDaemonPath(consolePath, daemon, sizeof daemon)) {
        *error = kErrorNoProgramDirectory;
        return false;
    }
    UINT result = WinExec(daemon, SW_HIDE);
    *error = result >= kWinExecFirstSuccess ? kStarted : result;
    return result >= kWinExecFirstSuccess;
}

bool CServiceStarter::StartByServiceManager(DWORD* error)
{
    *error = kStarted;
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_ALL_ACCESS);
    if (!manager) {
        *error = GetLastError();
        return false;
    }
    bool started = false;
    SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_START);
    if (!service) {
        *error = GetLastError();
    } else {
        if (StartServiceA(service, 0, NULL)) {
            started = true;
        } else {
            *error = GetLastError();
            started = *error == kErrorServiceAlreadyRunning;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    if (started) {
        *error = kStarted;
    }
    return started;
}

BOOL CServiceStarter::Start(OsType os, const char* consolePath, IpcFailureHandler handler, void* context,
                            DWORD* errorCode)
{
    DWORD error = kNoMethod;
    bool started = false;
    if (os == Win95 || os == Win98) {
        started = StartByProgram(consolePath, &error);
    } else if (os == WinNT4 || os == Win2000) {
        started = StartByServiceManager(&error);
    }
    if (errorCode) {
        *errorCode = started ? kStarted : error;
    }
    if (started) {
        return TRUE;
    }
    if (handler) {
        char text[kFailureTextSize];
        snprintf(text, sizeof text, kStartFailureFormat, static_cast<int>(error));
        handler(context, text);
    }
    return FALSE;
}
