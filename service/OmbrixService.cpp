#include "OmbrixService.h"

#include <string>

#include "AccessProvider.h"
#include "AccessProviderAdapter.h"
#include "CommandLine.h"
#include "LanRoute.h"
#include "LogPath.h"
#include "OmbrixIni.h"
#include "PendingComponents.h"
#include "ServiceInstaller.h"
#include "ServiceLog.h"
#include "ServiceNames.h"

namespace {
constexpr int kModeNotConfigured = -1;
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
    auto registerFn =
        reinterpret_cast<RegisterServiceProcessFn>(GetProcAddress(kernel, "RegisterServiceProcess"));
    if (registerFn != nullptr)
        registerFn(0, kRegisterAsServiceProcess);
    FreeLibrary(kernel);
}
}  // namespace

COmbrixService& COmbrixService::Instance()
{
    static COmbrixService service;
    return service;
}

int COmbrixService::Run(HINSTANCE instance, const char* commandLine)
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

    const int mode = COmbrixIni::ReadInt("Application", "OmbrixMode", kModeNotConfigured);
    if (mode == kModeNotConfigured || mode > kHighestMode) {
        CServiceLog::Write("Unable to determine Ombrix Mode, Run the Configuration Wizard to ensure proper "
                           "Ombrix settings.");
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

bool COmbrixService::AnotherInstanceRuns()
{
    instanceMutex_ = CreateMutexA(nullptr, TRUE, kInstanceMutexName);
    if (instanceMutex_ != nullptr && GetLastError() != ERROR_ALREADY_EXISTS)
        return false;
    if (instanceMutex_ != nullptr) {
        CloseHandle(instanceMutex_);
        instanceMutex_ = nullptr;
    }
    return true;
}

int COmbrixService::RunDispatcher()
{
    static char serviceName[] = "OmbrixInternetSharing";
    static_assert(sizeof(serviceName) == sizeof(kServiceName), "dispatcher table names the service");
    const SERVICE_TABLE_ENTRYA table[] = {{serviceName, ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        const DWORD error = GetLastError();
        CServiceLog::WriteF("Ombrix Internet Sharing service initialization error: %d", static_cast<int>(error));
        return static_cast<int>(error);
    }
    return 0;
}

void WINAPI COmbrixService::ServiceMain(DWORD, LPSTR*)
{
    Instance().RunServiceMain();
}

void COmbrixService::RunServiceMain()
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

    if (!driver_.Open()) {
        CServiceLog::Write("Unable to Locate Ombrix Driver.\r\n\tRe-install Ombrix to ensure the driver gets "
                           "loaded at startup");
        ReportStatus(SERVICE_STOPPED, 0);
        return;
    }

    // The endpoint logs its own failure.
    ipcServer_ = std::make_unique<CIpcServer>();
    if (!ipcServer_->Start()) {
        ipcServer_.reset();
        ReportStatus(SERVICE_STOPPED, 0);
        return;
    }

    RefreshAdapterTable();
    dhcpServer_ = CreateDhcpServer(sharingMode_, &CAccessProviderAdapter::Service());
    dnsRelay_ = CreateDnsRelay();

    const int enabled = COmbrixIni::ReadInt("Application", "Enabled", 1);
    const int useDhcp = COmbrixIni::ReadInt("Application", "UseDhcp", 1);
    const int dnsRelay = COmbrixIni::ReadInt("Application", "DnsRelay", 1);
    const int autoDial = COmbrixIni::ReadInt("Dialup", "AutoDial", 0);
    netAlarm_ = COmbrixIni::ReadInt("NetAlarm", "Enable", 0) != 0;

    if (useDhcp != 0)
        StartDhcpServer();
    if (dnsRelay != 0)
        StartDnsRelay();
    if (enabled != 0)
        SetDriverEnabled(true);
    if (netAlarm_)
        SetNetAlarm(true);

    SendPortForwards(driver_);
    CLanRoute::Add(sharingMode_);
    // The adapter asks the plug-in at every call, so a server started above takes it up at once.
    CAccessProvider::Service().Load();
    CAccessProvider::Service().Start();

    if (!CreateControlWindow()) {
        CServiceLog::Write("Error Unable to create Service Control Window");
        ReportStatus(SERVICE_STOPPED, 0);
        return;
    }
    autoDial_ = autoDial != 0;
    // Requests wait in the socket window's queue until the loop runs, so none is lost before this.
    ipcServer_->SetControlWindow(controlWindow_);

    RunMessageLoop();
    ShutDown();
}

void COmbrixService::RunMessageLoop()
{
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            break;
        if (got == -1)
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void COmbrixService::ShutDown()
{
    if (instanceMutex_ != nullptr) {
        CloseHandle(instanceMutex_);
        instanceMutex_ = nullptr;
    }
    // The driver keeps its state: sharing and NetAlarm stay as they are for the next start.
    driver_.Close();
    StopDnsRelay();
    StopDhcpServer();
    dnsRelay_.reset();
    dhcpServer_.reset();
    ipcServer_->Stop();
    ipcServer_.reset();
    CServiceLog::Write("Ombrix Service Stopping");
    ReportStatus(SERVICE_STOPPED, 0);
}

void COmbrixService::FinalCleanUp()
{
    if (instanceMutex_ != nullptr) {
        CloseHandle(instanceMutex_);
        instanceMutex_ = nullptr;
    }
    driver_.Close();
    CAccessProvider::Service().StopAndUnload();
    UnloadRasLibrary();
    ClearAdapterTable();
}

void COmbrixService::ReportStatus(DWORD state, DWORD waitHint)
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

void WINAPI COmbrixService::ControlHandler(DWORD control)
{
    COmbrixService& service = Instance();
    switch (control) {
    case SERVICE_CONTROL_STOP:
        // Posted to the service-main thread rather than to the control window: a stop that comes right
        // after RUNNING, before the window exists, still ends the loop once it starts.
        PostThreadMessageA(service.serviceThreadId_, WM_QUIT, 0, 0);
        break;
    case SERVICE_CONTROL_INTERROGATE:
        service.ReportStatus(SERVICE_RUNNING, 0);
        break;
    default:
        break;
    }
}
