#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include <cstring>
#include <vector>

#include "LabHost.h"
#include "LabText.h"

namespace lab {
namespace {

// The adapter inventory asks for the host name with a buffer of this size.
constexpr int kHostNameBufferSize = 100;
constexpr DWORD kBufferOverflow = ERROR_BUFFER_OVERFLOW;

void ReportComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = "";
    DWORD size = sizeof name;
    if (GetComputerNameA(name, &size)) {
        Line("computername=%s", name);
    } else {
        Line("computername= error=%lu", GetLastError());
    }
}

void ReportNetworkParams()
{
    ULONG size = 1;
    std::vector<uint8_t> buffer(size);
    DWORD rc = GetNetworkParams(reinterpret_cast<FIXED_INFO*>(buffer.data()), &size);
    if (rc == kBufferOverflow) {
        buffer.assign(size, 0);
        rc = GetNetworkParams(reinterpret_cast<FIXED_INFO*>(buffer.data()), &size);
    }
    if (rc != NO_ERROR) {
        Line("networkparams=error %lu", rc);
        return;
    }
    const FIXED_INFO* info = reinterpret_cast<const FIXED_INFO*>(buffer.data());
    Line("networkparams_hostname=%s", info->HostName);
    Line("networkparams_domain=%s", info->DomainName);
    for (const IP_ADDR_STRING* s = &info->DnsServerList; s; s = s->Next) {
        if (s->IpAddress.String[0]) {
            Line("dns=%s", s->IpAddress.String);
        }
    }
}

void ReportIpHelperAdapters()
{
    ULONG size = 0;
    DWORD rc = GetAdaptersInfo(nullptr, &size);
    if (rc != kBufferOverflow) {
        Line("ipadapters=error %lu", rc);
        return;
    }
    std::vector<uint8_t> buffer(size);
    IP_ADAPTER_INFO* first = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
    rc = GetAdaptersInfo(first, &size);
    if (rc != NO_ERROR) {
        Line("ipadapters=error %lu", rc);
        return;
    }
    for (const IP_ADAPTER_INFO* a = first; a; a = a->Next) {
        char mac[3 * MAX_ADAPTER_ADDRESS_LENGTH] = "";
        for (UINT i = 0; i < a->AddressLength && i < 6; ++i) {
            snprintf(mac + (i ? 3 * i - 1 : 0), 4, i ? ":%02x" : "%02x", a->Address[i]);
        }
        Line("ipadapter name=%s mac=%s ip=%s mask=%s gateway=%s desc=\"%s\"", a->AdapterName, mac,
             a->IpAddressList.IpAddress.String, a->IpAddressList.IpMask.String, a->GatewayList.IpAddress.String,
             a->Description);
    }
}

}  // namespace

HostNameInfo ReadHostName()
{
    HostNameInfo info;
    char name[kHostNameBufferSize] = "";
    if (gethostname(name, sizeof name) != 0) {
        return info;
    }
    info.named = true;
    info.name = name;
    const hostent* host = gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4) {
        return info;
    }
    info.resolved = true;
    for (char** p = host->h_addr_list; *p; ++p) {
        uint32_t address;
        memcpy(&address, *p, sizeof address);
        info.addresses.push_back(address);
    }
    return info;
}

int ReportHost()
{
    HostNameInfo host = ReadHostName();
    if (!host.named) {
        Line("hostname= error=%d", WSAGetLastError());
    } else {
        Line("hostname=%s", host.name.c_str());
    }
    if (host.named && !host.resolved) {
        Line("hostaddr= error=%d", WSAGetLastError());
    }
    for (uint32_t address : host.addresses) {
        Line("hostaddr=%s", Dotted(address).c_str());
    }
    ReportComputerName();
    ReportNetworkParams();
    ReportIpHelperAdapters();
    return host.addresses.empty() ? 1 : 0;
}

}  // namespace lab
