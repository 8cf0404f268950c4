#include "Win32NetworkInfo.h"

#include <winsock.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstring>

namespace {

using GetNetworkParamsEntry = DWORD(WINAPI*)(PFIXED_INFO info, PULONG size);
using RasEnumDevicesEntry = DWORD(WINAPI*)(void* devices, LPDWORD size, LPDWORD count);

// GetNetworkParams is asked with a size of 1 first, so that it reports the size it needs.
constexpr ULONG kNetworkParamsProbeSize = 1;
// The size field of the first RASDEVINFOA entry: the structure of the systems this library runs on.
constexpr DWORD kRasDevInfoSize = 152;
// Neither answer comes anywhere near these; they only bound what is allocated and walked.
constexpr ULONG kMaxNetworkParams = 0x10000;
constexpr DWORD kMaxRasDevices = 0x10000;
constexpr int kMaxDnsServers = 64;
constexpr size_t kHostNameBuffer = 100;
constexpr size_t kIpv4Length = 4;

class CLibrary {
public:
    explicit CLibrary(const char* name) : module_(LoadLibraryA(name)) {}
    ~CLibrary()
    {
        if (module_)
            FreeLibrary(module_);
    }
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;
    template <typename Entry> Entry Find(const char* name) const
    {
        return module_ ? reinterpret_cast<Entry>(GetProcAddress(module_, name)) : nullptr;
    }

private:
    HMODULE module_;
};

// Whether a list node lies wholly inside the buffer the call filled.
bool InBuffer(const void* node, const std::vector<uint8_t>& buffer)
{
    const uint8_t* p = static_cast<const uint8_t*>(node);
    const uint8_t* begin = buffer.data();
    return p >= begin && p <= begin + buffer.size() &&
           sizeof(IP_ADDR_STRING) <= static_cast<size_t>(begin + buffer.size() - p);
}

}  // namespace

bool CWin32NetworkInfo::NetworkParamsDnsServers(std::vector<std::string>& servers)
{
    CLibrary iphlpapi("IPHLPAPI.DLL");
    auto getNetworkParams = iphlpapi.Find<GetNetworkParamsEntry>("GetNetworkParams");
    if (!getNetworkParams)
        return false;
    uint8_t probe[kNetworkParamsProbeSize] = {};
    ULONG size = kNetworkParamsProbeSize;
    if (getNetworkParams(reinterpret_cast<PFIXED_INFO>(probe), &size) != ERROR_BUFFER_OVERFLOW)
        return false;
    if (size < sizeof(FIXED_INFO) || size > kMaxNetworkParams)
        return false;
    std::vector<uint8_t> buffer(size);
    if (getNetworkParams(reinterpret_cast<PFIXED_INFO>(buffer.data()), &size) != ERROR_SUCCESS)
        return false;

    const FIXED_INFO* info = reinterpret_cast<const FIXED_INFO*>(buffer.data());
    const IP_ADDR_STRING* node = &info->DnsServerList;
    for (int n = 0; node && n < kMaxDnsServers && InBuffer(node, buffer); ++n, node = node->Next) {
        const char* text = node->IpAddress.String;
        size_t length = 0;
        while (length < sizeof node->IpAddress.String && text[length] != '\0')
            ++length;
        servers.push_back(std::string(text, length));
    }
    return true;
}

bool CWin32NetworkInfo::RasDeviceCount(uint32_t& count)
{
    CLibrary rasapi("RASAPI32.DLL");
    auto enumDevices = rasapi.Find<RasEnumDevicesEntry>("RasEnumDevicesA");
    if (!enumDevices)
        return false;
    DWORD size = 0, devices = 0;
    enumDevices(nullptr, &size, &devices);
    if (size < sizeof(DWORD) || size > kMaxRasDevices)
        return false;
    std::vector<uint8_t> buffer(size);
    const DWORD entrySize = kRasDevInfoSize;
    std::memcpy(buffer.data(), &entrySize, sizeof entrySize);
    if (enumDevices(buffer.data(), &size, &devices) != ERROR_SUCCESS)
        return false;
    count = devices;
    return true;
}

bool CWin32NetworkInfo::HostAddresses(std::vector<uint32_t>& addresses)
{
    char name[kHostNameBuffer] = {};
    if (gethostname(name, sizeof name) != 0)
        return false;
    const hostent* host = gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || host->h_length != static_cast<int>(kIpv4Length))
        return false;
    for (char** entry = host->h_addr_list; entry && *entry; ++entry) {
        uint32_t address = 0;
        std::memcpy(&address, *entry, kIpv4Length);
        addresses.push_back(address);
    }
    return true;
}
