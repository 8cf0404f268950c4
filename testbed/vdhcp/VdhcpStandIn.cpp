#include "VdhcpStandIn.h"

#include <cstdio>

#include "VdhcpStandInCodes.h"

namespace {

const char kDevicePath[] = "\\\\.\\VDHCP";
const size_t kWordSize = 4;

uint32_t GetWord(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// The NT way of opening the device; the adapter library opens it the Windows 95/98 way.
HANDLE OpenDevice()
{
    return CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

CVdhcpStandIn::CVdhcpStandIn() : service_(kServiceName, kFileName, kImagePath, kDevicePath, DeviceOpens) {}

CVdhcpStandIn::~CVdhcpStandIn() = default;

bool CVdhcpStandIn::Fail(const char* step)
{
    return service_.Fail(step);
}

bool CVdhcpStandIn::Fail(const char* step, DWORD error)
{
    return service_.Fail(step, error);
}

std::string CVdhcpStandIn::FileBesideProgram()
{
    return CKernelDriverService::FileBesideProgram(kFileName);
}

bool CVdhcpStandIn::Install(const std::string& sysFile)
{
    return service_.Install(sysFile);
}

bool CVdhcpStandIn::DeviceOpens()
{
    HANDLE h = OpenDevice();
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

bool CVdhcpStandIn::Start(DWORD timeoutMs)
{
    return service_.Start(timeoutMs);
}

bool CVdhcpStandIn::Stop(DWORD timeoutMs)
{
    return service_.Stop(timeoutMs);
}

bool CVdhcpStandIn::Uninstall()
{
    return service_.Uninstall();
}

bool CVdhcpStandIn::Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned)
{
    // A handle per request: the counters then see exactly the library's own opens and closes in between.
    HANDLE device = OpenDevice();
    if (device == INVALID_HANDLE_VALUE)
        return Fail("opening \\\\.\\VDHCP");
    DWORD got = 0;
    BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &got, nullptr);
    DWORD error = GetLastError();
    CloseHandle(device);
    if (!ok) {
        char step[48];
        std::snprintf(step, sizeof step, "private code 0x%lx", static_cast<unsigned long>(code));
        return Fail(step, error);
    }
    if (returned)
        *returned = got;
    return true;
}

bool CVdhcpStandIn::LoadTable(const std::vector<uint8_t>& reply)
{
    if (reply.size() > VDHCP_STANDIN_MAX_TABLE)
        return Fail("loading an oversized table", ERROR_INVALID_PARAMETER);
    return Control(VDHCP_STANDIN_LOAD_TABLE, reply.data(), static_cast<DWORD>(reply.size()), nullptr, 0, nullptr);
}

bool CVdhcpStandIn::GetCounts(VdhcpStandInCounts& counts)
{
    uint8_t reply[VDHCP_STANDIN_COUNTERS * kWordSize] = {};
    DWORD got = 0;
    if (!Control(VDHCP_STANDIN_GET_COUNTS, nullptr, 0, reply, sizeof reply, &got))
        return false;
    if (got < sizeof reply)
        return Fail("short reply", ERROR_INVALID_DATA);
    counts.opens = GetWord(reply + VDHCP_STANDIN_COUNT_OPENS * kWordSize);
    counts.closes = GetWord(reply + VDHCP_STANDIN_COUNT_CLOSES * kWordSize);
    counts.sizeProbes = GetWord(reply + VDHCP_STANDIN_COUNT_SIZE_PROBES * kWordSize);
    counts.tables = GetWord(reply + VDHCP_STANDIN_COUNT_TABLES * kWordSize);
    return true;
}

bool CVdhcpStandIn::Reset()
{
    return Control(VDHCP_STANDIN_RESET, nullptr, 0, nullptr, 0, nullptr);
}
