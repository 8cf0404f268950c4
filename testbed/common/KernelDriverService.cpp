#include "KernelDriverService.h"

#include <cstdio>

namespace {

// Interval between two looks at the device or the service state while waiting.
const DWORD kPollIntervalMs = 20;

class CServiceHandle {
public:
    explicit CServiceHandle(SC_HANDLE h) : h_(h) {}
    ~CServiceHandle()
    {
        if (h_)
            CloseServiceHandle(h_);
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;
    SC_HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    SC_HANDLE h_;
};

// Waits until done() holds or timeoutMs has passed; true when it held.
template <typename Condition> bool PollUntil(DWORD timeoutMs, Condition done)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(kPollIntervalMs);
    }
}

}  // namespace

CKernelDriverService::CKernelDriverService(const char* serviceName, const char* fileName, const char* imagePath,
                                           const char* devicePath, DeviceProbe deviceOpens)
    : serviceName_(serviceName),
      fileName_(fileName),
      imagePath_(imagePath),
      devicePath_(devicePath),
      deviceOpens_(deviceOpens)
{}

bool CKernelDriverService::Fail(const char* step)
{
    return Fail(step, GetLastError());
}

bool CKernelDriverService::Fail(const char* step, DWORD error)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s failed, error %lu", step, static_cast<unsigned long>(error));
    lastError_ = text;
    return false;
}

std::string CKernelDriverService::FileBesideProgram(const char* fileName)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return fileName;
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    dir.erase(slash == std::string::npos ? 0 : slash + 1);
    return dir + fileName;
}

std::string CKernelDriverService::InstalledFile(const char* fileName)
{
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir)
        return std::string("C:\\windows\\system32\\drivers\\") + fileName;
    return std::string(dir, n) + "\\drivers\\" + fileName;
}

bool CKernelDriverService::Install(const std::string& sysFile)
{
    if (GetFileAttributesA(sysFile.c_str()) == INVALID_FILE_ATTRIBUTES)
        return Fail(("finding " + sysFile).c_str());
    const std::string target = InstalledFile(fileName_);
    if (!CopyFileA(sysFile.c_str(), target.c_str(), FALSE))
        return Fail(("copying to " + target).c_str());

    CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!scm)
        return Fail("OpenSCManager");
    CServiceHandle service(CreateServiceA(scm.get(), serviceName_, serviceName_, SERVICE_ALL_ACCESS,
                                          SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, imagePath_,
                                          nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service)
        return true;
    if (GetLastError() != ERROR_SERVICE_EXISTS)
        return Fail("CreateService");

    CServiceHandle existing(OpenServiceA(scm.get(), serviceName_, SERVICE_ALL_ACCESS));
    if (!existing)
        return Fail("OpenService");
    if (!ChangeServiceConfigA(existing.get(), SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                              imagePath_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr))
        return Fail("ChangeServiceConfig");
    return true;
}

bool CKernelDriverService::QueryState(DWORD& state)
{
    CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm)
        return Fail("OpenSCManager");
    CServiceHandle service(OpenServiceA(scm.get(), serviceName_, SERVICE_QUERY_STATUS));
    if (!service)
        return Fail("OpenService");
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service.get(), &status))
        return Fail("QueryServiceStatus");
    state = status.dwCurrentState;
    return true;
}

bool CKernelDriverService::IsInstalled()
{
    CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm)
        return false;
    CServiceHandle service(OpenServiceA(scm.get(), serviceName_, SERVICE_QUERY_STATUS));
    return static_cast<bool>(service);
}

bool CKernelDriverService::Start(DWORD timeoutMs)
{
    {
        CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!scm)
            return Fail("OpenSCManager");
        CServiceHandle service(OpenServiceA(scm.get(), serviceName_, SERVICE_START));
        if (!service)
            return Fail("OpenService");
        if (!StartServiceA(service.get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
            return Fail("StartService");
    }
    if (!PollUntil(timeoutMs, deviceOpens_))
        return Fail((std::string("waiting for ") + devicePath_).c_str(), ERROR_TIMEOUT);
    return true;
}

bool CKernelDriverService::Stop(DWORD timeoutMs)
{
    {
        CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!scm)
            return Fail("OpenSCManager");
        CServiceHandle service(OpenServiceA(scm.get(), serviceName_, SERVICE_STOP | SERVICE_QUERY_STATUS));
        if (!service)
            return Fail("OpenService");
        SERVICE_STATUS status = {};
        if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status) && GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
            return Fail("ControlService(stop)");
    }
    DWORD state = 0;
    if (!PollUntil(timeoutMs, [&] { return QueryState(state) && state == SERVICE_STOPPED; }))
        return Fail("waiting for the stop", ERROR_TIMEOUT);
    return true;
}

bool CKernelDriverService::Uninstall()
{
    {
        CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (!scm)
            return Fail("OpenSCManager");
        CServiceHandle service(OpenServiceA(scm.get(), serviceName_, DELETE));
        if (!service)
            return Fail("OpenService");
        if (!DeleteService(service.get()))
            return Fail("DeleteService");
    }
    if (!DeleteFileA(InstalledFile(fileName_).c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return Fail("deleting the installed file");
    return true;
}
