// Fixtures of the Windows 95/98 DHCP client device and of the NT family's network queries, for unit tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SystemQueries.h"

struct FakeLease {
    std::vector<uint8_t> hardware;
    uint32_t leasedAddress = 0;
    std::vector<uint32_t> dnsServers;
};

// The reply of the table request: count, the 44-byte entries, then each lease's hardware address and DNS
// list, which the entries point at.
std::vector<uint8_t> BuildVdhcpReply(const std::vector<FakeLease>& leases);

class CFakeVdhcpDevice : public IVdhcpDevice {
public:
    bool present = true;
    std::vector<uint8_t> reply;
    int reads = 0;

    bool ReadTable(std::vector<uint8_t>& out) override
    {
        ++reads;
        if (!present)
            return false;
        out = reply;
        return true;
    }
};

class CFakeNetworkInfo : public INetworkInfo {
public:
    bool hasNetworkParams = true;
    std::vector<std::string> dnsServers;
    bool hasRas = true;
    uint32_t rasDevices = 0;
    bool resolves = true;
    std::vector<uint32_t> hostAddresses;

    bool NetworkParamsDnsServers(std::vector<std::string>& servers) override
    {
        if (!hasNetworkParams)
            return false;
        servers = dnsServers;
        return true;
    }
    bool RasDeviceCount(uint32_t& count) override
    {
        if (!hasRas)
            return false;
        count = rasDevices;
        return true;
    }
    bool HostAddresses(std::vector<uint32_t>& addresses) override
    {
        if (!resolves)
            return false;
        addresses = hostAddresses;
        return true;
    }
};
