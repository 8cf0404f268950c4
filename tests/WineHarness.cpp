#include "WineHarness.h"

namespace harness {
namespace {
constexpr const char kStageRoot[] = "C:\\ombrixtest\\";
}  // namespace

std::string Stage(const std::string& name, const std::vector<std::string>& files)
{
    CreateDirectoryA(kStageRoot, nullptr);
    const std::string dir = std::string(kStageRoot) + name + "\\";
    winetest::RemoveFolder(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    for (const std::string& file : files)
        CopyFileA((winetest::ProgramFolder() + file).c_str(), (dir + file).c_str(), FALSE);
    return dir;
}

CChildProcess::~CChildProcess()
{
    if (process_ != nullptr) {
        if (Running())
            TerminateProcess(process_, 1);
        CloseHandle(process_);
    }
}

bool CChildProcess::Start(const std::string& commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    return true;
}

bool CChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode)
{
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    GetExitCodeProcess(process_, exitCode);
    return true;
}

bool CChildProcess::Running() const
{
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

namespace {
template <typename F> bool WithService(const char* name, DWORD access, F use)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return false;
    SC_HANDLE service = OpenServiceA(manager, name, access);
    bool ok = false;
    if (service != nullptr) {
        ok = use(service);
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return ok;
}
}  // namespace

DWORD ServiceState(const char* name)
{
    DWORD state = 0;
    WithService(name, SERVICE_QUERY_STATUS, [&](SC_HANDLE service) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status))
            return false;
        state = status.dwCurrentState;
        return true;
    });
    return state;
}

DWORD ServiceExitCode(const char* name)
{
    DWORD code = ~0u;
    WithService(name, SERVICE_QUERY_STATUS, [&](SC_HANDLE service) {
        SERVICE_STATUS status;
        if (!QueryServiceStatus(service, &status))
            return false;
        code = status.dwWin32ExitCode;
        return true;
    });
    return code;
}

bool StartServiceByName(const char* name)
{
    return WithService(name, SERVICE_START, [](SC_HANDLE service) { return StartServiceA(service, 0, nullptr) != 0; });
}

bool ControlServiceByName(const char* name, DWORD control, SERVICE_STATUS* status)
{
    return WithService(name, SERVICE_STOP | SERVICE_INTERROGATE | SERVICE_QUERY_STATUS, [&](SC_HANDLE service) {
        SERVICE_STATUS local;
        return ControlService(service, control, status ? status : &local) != 0;
    });
}

bool DeleteServiceByName(const char* name)
{
    return WithService(name, DELETE, [](SC_HANDLE service) { return DeleteService(service) != 0; });
}

testing::AssertionResult WaitForServiceState(const char* name, DWORD state, DWORD timeoutMs)
{
    const testing::AssertionResult reached = winetest::WaitFor([&] { return ServiceState(name) == state; }, timeoutMs);
    if (!reached)
        return testing::AssertionFailure()
               << name << " is in state " << ServiceState(name) << ", not " << state << ": " << reached.message();
    return reached;
}

}  // namespace harness
