#include "ServiceShell.h"

#include <cstring>
#include <string>

#include "CommandLine.h"
#include "IniSettings.h"
#include "LogPath.h"
#include "OmbrixIni.h"
#include "ServiceInstaller.h"
#include "ServiceLog.h"
#include "ServiceNames.h"

namespace {
constexpr int kHighestMode = 2;
constexpr DWORD kStartPendingWaitHint = 3000;
constexpr DWORD kControlsAccepted = SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;  // 5
constexpr DWORD kRegisterAsServiceProcess = 1;
constexpr const char kSeparatorLine[] = "-------------------------------------";

std::string ProgramPath()
{
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

std::string SystemDirectory()
{
    char dir[MAX_PATH + 1] = {};
    GetSystemDirectoryA(dir, MAX_PATH);
    return dir;
}

/// Windows 95/98 end a process at log-off unless it registered as a service process; the function is
/// looked up because the NT family's kernel has none.
void RegisterAsServiceProcess()
{
    typedef DWORD(WINAPI * RegisterServiceProcessFn)(DWORD, DWORD);
    HMODULE kernel = LoadLibraryA("Kernel32.Dll");
    if (kernel == nullptr)
        return;
    auto registerFn = reinterpret_cast<RegisterServiceProcessFn>(GetProcAddress(kernel, "RegisterServiceProcess"));
    if (registerFn != nullptr)
        registerFn(0, kRegisterAsServiceProcess);
    FreeLibrary(kernel);
}
}  // namespace

CServiceShell& CServiceShell::Instance()
{
    static CServiceShell shell;
    return shell;
}

int CServiceShell::Run(HINSTANCE instance, const char* commandLine)
{
    instance_ = instance;
    const std::string programPath = ProgramPath();
    CServiceLog::SetPath(BuildServiceLogPath(programPath, SystemDirectory()).c_str());
    os_ = GetOs();

    switch (ParseCommandLine(commandLine)) {
    case DaemonCommand::Install:
        CServiceInstaller::Install(os_, programPath.c_str());
        return 0;
    case DaemonCommand::Remove:
        CServiceInstaller::Remove(os_);
        return 0;
    case DaemonCommand::Run:
        break;
    }

    const int mode = COmbrixIni::ReadInt(kIniApplicationOmbrixMode);
    if (mode == kOmbrixModeNotConfigured || mode > kHighestMode) {
        CServiceLog::Write(kOmbrixModeUnknownText);
        return kExitBadMode;
    }
    sharingMode_ = mode;

    int result = 0;
    if (os_ == Win95 || os_ == Win98) {
        if (AnotherInstanceRuns())
            return 0;
        RegisterAsServiceProcess();
        ServiceMain(0, nullptr);
    } else if (IsServiceMode()) {
        if (!AnotherInstanceRuns())
            result = RunDispatcher();
    } else {
        CServiceLog::Write("Unable to determine operating system, abort Ombrix Service");
        result = kExitUnknownOs;
    }
    FinalCleanUp();
    return result;
}

bool CServiceShell::AnotherInstanceRuns()
{
    instanceMutex_ = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    if (instanceMutex_ != nullptr && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    CloseInstanceMutex();
    return true;
}

void CServiceShell::CloseInstanceMutex()
{
    if (instanceMutex_ == nullptr)
        return;
    CloseHandle(instanceMutex_);
    instanceMutex_ = nullptr;
}

int CServiceShell::RunDispatcher()
{
    // The table takes a writable name; the dispatcher only reads it.
    static char serviceName[sizeof kServiceName];
    memcpy(serviceName, kServiceName, sizeof kServiceName);
    const SERVICE_TABLE_ENTRYA table[] = {{serviceName, ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        const DWORD error = GetLastError();
        CServiceLog::WriteF("Ombrix Internet Sharing service initialization error: %d", static_cast<int>(error));
        return static_cast<int>(error);
    }
    return 0;
}

void WINAPI CServiceShell::ServiceMain(DWORD, LPSTR*)
{
    Instance().RunServiceMain();
}

void CServiceShell::RunServiceMain()
{
    CServiceLog::Write(kSeparatorLine);
    CServiceLog::Write("Ombrix Service Starting");

    // The stop control is posted to this thread; make sure it has a queue before anyone can post.
    serviceThreadId_ = GetCurrentThreadId();
    MSG probe;
    PeekMessageA(&probe, nullptr, WM_USER, WM_USER, PM_NOREMOVE);

    if (IsServiceMode()) {
        statusHandle_ = RegisterServiceCtrlHandlerA(kServiceName, ControlHandler);
        if (statusHandle_ == nullptr) {
            CServiceLog::Write("Unable to Register Service Control Handler");
            return;
        }
        ReportStatus(SERVICE_START_PENDING, kStartPendingWaitHint);
        ReportStatus(SERVICE_RUNNING, 0);
    }

    if (sharing_.Start(instance_, sharingMode_)) {
        sharing_.Serve();
        // The instance is given up before the components stop, so a copy started during the wind-down is
        // not turned away.
        CloseInstanceMutex();
        sharing_.ShutDown();
    }
    ReportStatus(SERVICE_STOPPED, 0);
}

void CServiceShell::FinalCleanUp()
{
    CloseInstanceMutex();
    sharing_.ReleaseAtExit();
}

void CServiceShell::ReportStatus(DWORD state, DWORD waitHint)
{
    if (!IsServiceMode() || statusHandle_ == nullptr)
        return;
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = kControlsAccepted;
    status.dwWin32ExitCode = 0;
    status.dwServiceSpecificExitCode = 0;
    status.dwCheckPoint = 0;
    status.dwWaitHint = waitHint;
    SetServiceStatus(statusHandle_, &status);
}

void WINAPI CServiceShell::ControlHandler(DWORD control)
{
    CServiceShell& shell = Instance();
    switch (control) {
    case SERVICE_CONTROL_STOP:
        // Posted to the service-main thread rather than to the control window: a stop that comes right
        // after RUNNING, before the window exists, still ends the loop once it starts.
        PostThreadMessageA(shell.serviceThreadId_, WM_QUIT, 0, 0);
        break;
    case SERVICE_CONTROL_INTERROGATE:
        shell.ReportStatus(SERVICE_RUNNING, 0);
        break;
    default:
        break;
    }
}
