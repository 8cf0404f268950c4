#include "VdhcpDevice.h"

#include <windows.h>

#include "VdhcpTable.h"

namespace {

const char kVdhcpPath[] = "\\\\.\\VDHCP";
// A VxD is opened with no rights, no sharing and no creation disposition; Windows 95/98 ignore them.
constexpr DWORD kNoAccess = 0;
constexpr DWORD kNoSharing = 0;
constexpr DWORD kNoDisposition = 0;

class CDeviceHandle {
public:
    explicit CDeviceHandle(HANDLE h) : h_(h) {}
    ~CDeviceHandle()
    {
        if (h_ != INVALID_HANDLE_VALUE)
            CloseHandle(h_);
    }
    CDeviceHandle(const CDeviceHandle&) = delete;
    CDeviceHandle& operator=(const CDeviceHandle&) = delete;
    HANDLE get() const { return h_; }
    bool IsOpen() const { return h_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE h_;
};

}  // namespace

bool CVdhcpDevice::ReadTable(std::vector<uint8_t>& reply)
{
    CDeviceHandle device(
        CreateFileA(kVdhcpPath, kNoAccess, kNoSharing, nullptr, kNoDisposition, FILE_FLAG_OVERLAPPED, nullptr));
    if (!device.IsOpen())
        return false;

    // The size probe must be refused for want of room, with the size needed in its place.
    uint8_t probe[kVdhcpSizeProbe] = {};
    DWORD got = 0;
    if (DeviceIoControl(device.get(), kVdhcpTableRequest, probe, sizeof probe, probe, sizeof probe, &got, nullptr))
        return false;
    if (GetLastError() != kVdhcpProbeError)
        return false;
    uint32_t size = 0;
    if (!ParseVdhcpProbe(probe, sizeof probe, size))
        return false;

    reply.assign(size, 0);
    got = 0;
    if (!DeviceIoControl(device.get(), kVdhcpTableRequest, reply.data(), size, reply.data(), size, &got, nullptr))
        return false;
    if (got < size)
        reply.resize(got);
    return true;
}
