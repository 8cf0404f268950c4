#include "VdhcpStandIn.h"

#include <cstdio>

#include "VdhcpStandInCodes.h"

namespace {

const char kDevicePath[] = "\\\\.\\VDHCP";
const DWORD kPollIntervalMs = 20;
const size_t kWordSize = 4;

class CServiceHandle {
public:
    explicit CServiceHandle(SC_HANDLE h) : h_(h) {}
    ~CServiceHandle()
    {
        if (h_) CloseServiceHandle(h_);
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;
    SC_HANDLE get() const { return h_; }
    explicit operator bool() const { return h_ != nullptr; }

private:
    SC_HANDLE h_;
};

uint32_t GetWord(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

template <typename Condition>
bool PollUntil(DWORD timeoutMs, Condition done)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollIntervalMs);
    }
}

// The NT way of opening the device; the adapter library opens it the Windows 95/98 way.
HANDLE OpenDevice()
{
    return CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

CVdhcpStandIn::~CVdhcpStandIn() = default;

bool CVdhcpStandIn::Fail(const char* step) { return Fail(step, GetLastError()); }

bool CVdhcpStandIn::Fail(const char* step, DWORD error)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s failed, error %lu", step, static_cast<unsigned long>(error));
    lastError_ = text;
    return false;
}

std::string CVdhcpStandIn::FileBesideProgram()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return kFileName;
    std::string dir(path, n);
    size_t slash = dir.find_last_of("\\/");
    dir.erase(slash == std::string::npos ? 0 : slash + 1);
    return dir + kFileName;
}

std::string CVdhcpStandIn::InstalledFile()
{
    char dir[MAX_PATH];
    UINT n = GetSystemDirectoryA(dir, sizeof dir);
    if (n == 0 || n >= sizeof dir) return std::string("C:\\windows\\system32\\drivers\\") + kFileName;
    return std::string(dir, n) + "\\drivers\\" + kFileName;
}

bool CVdhcpStandIn::Install(const std::string& sysFile)
{
    const std::string target = InstalledFile();
    if (!CopyFileA(sysFile.c_str(), target.c_str(), FALSE)) return Fail(("copying " + sysFile).c_str());
    CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!scm) return Fail("OpenSCManager");
    CServiceHandle service(CreateServiceA(scm.get(), kServiceName, kServiceName, SERVICE_ALL_ACCESS,
                                          SERVICE_KERNEL_DRIVER, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                          kImagePath, nullptr, nullptr, nullptr, nullptr, nullptr));
    if (service || GetLastError() == ERROR_SERVICE_EXISTS) return true;
    return Fail("CreateService");
}

bool CVdhcpStandIn::QueryState(DWORD& state)
{
    CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!scm) return Fail("OpenSCManager");
    CServiceHandle service(OpenServiceA(scm.get(), kServiceName, SERVICE_QUERY_STATUS));
    if (!service) return Fail("OpenService");
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service.get(), &status)) return Fail("QueryServiceStatus");
    state = status.dwCurrentState;
    return true;
}

bool CVdhcpStandIn::DeviceOpens()
{
    HANDLE h = OpenDevice();
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

bool CVdhcpStandIn::Start(DWORD timeoutMs)
{
    {
        CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!scm) return Fail("OpenSCManager");
        CServiceHandle service(OpenServiceA(scm.get(), kServiceName, SERVICE_START));
        if (!service) return Fail("OpenService");
        if (!StartServiceA(service.get(), 0, nullptr) && GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
            return Fail("StartService");
    }
    if (!PollUntil(timeoutMs, [] { return DeviceOpens(); })) return Fail("waiting for \\\\.\\VDHCP", ERROR_TIMEOUT);
    return true;
}

bool CVdhcpStandIn::Stop(DWORD timeoutMs)
{
    {
        CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!scm) return Fail("OpenSCManager");
        CServiceHandle service(OpenServiceA(scm.get(), kServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS));
        if (!service) return Fail("OpenService");
        SERVICE_STATUS status = {};
        if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status) &&
            GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
            return Fail("ControlService(stop)");
    }
    DWORD state = 0;
    if (!PollUntil(timeoutMs, [&] { return QueryState(state) && state == SERVICE_STOPPED; }))
        return Fail("waiting for the stop", ERROR_TIMEOUT);
    return true;
}

bool CVdhcpStandIn::Uninstall()
{
    {
        CServiceHandle scm(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (!scm) return Fail("OpenSCManager");
        CServiceHandle service(OpenServiceA(scm.get(), kServiceName, DELETE));
        if (!service) return Fail("OpenService");
        if (!DeleteService(service.get())) return Fail("DeleteService");
    }
    if (!DeleteFileA(InstalledFile().c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return Fail("deleting the installed file");
    return true;
}

bool CVdhcpStandIn::Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned)
{
    // A handle per request: the counters then see exactly the library's own opens and closes in between.
    HANDLE device = OpenDevice();
    if (device == INVALID_HANDLE_VALUE) return Fail("opening \\\\.\\VDHCP");
    DWORD got = 0;
    BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &got, nullptr);
    DWORD error = GetLastError();
    CloseHandle(device);
    if (!ok) {
        char step[48];
        std::snprintf(step, sizeof step, "private code 0x%lx", static_cast<unsigned long>(code));
        return Fail(step, error);
    }
    if (returned) *returned = got;
    return true;
}

bool CVdhcpStandIn::LoadTable(const std::vector<uint8_t>& reply)
{
    if (reply.size() > VDHCP_STANDIN_MAX_TABLE) return Fail("loading an oversized table", ERROR_INVALID_PARAMETER);
    return Control(VDHCP_STANDIN_LOAD_TABLE, reply.data(), static_cast<DWORD>(reply.size()), nullptr, 0, nullptr);
}

bool CVdhcpStandIn::GetCounts(VdhcpStandInCounts& counts)
{
    uint8_t reply[VDHCP_STANDIN_COUNTERS * kWordSize] = {};
    DWORD got = 0;
    if (!Control(VDHCP_STANDIN_GET_COUNTS, nullptr, 0, reply, sizeof reply, &got)) return false;
    if (got < sizeof reply) return Fail("short reply", ERROR_INVALID_DATA);
    counts.opens = GetWord(reply + VDHCP_STANDIN_COUNT_OPENS * kWordSize);
    counts.closes = GetWord(reply + VDHCP_STANDIN_COUNT_CLOSES * kWordSize);
    counts.sizeProbes = GetWord(reply + VDHCP_STANDIN_COUNT_SIZE_PROBES * kWordSize);
    counts.tables = GetWord(reply + VDHCP_STANDIN_COUNT_TABLES * kWordSize);
    return true;
}

bool CVdhcpStandIn::Reset() { return Control(VDHCP_STANDIN_RESET, nullptr, 0, nullptr, 0, nullptr); }
