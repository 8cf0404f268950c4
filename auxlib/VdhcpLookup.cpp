#include "VdhcpLookup.h"

#include "VdhcpTable.h"

namespace {

bool ReadLeases(IVdhcpDevice& device, std::vector<VdhcpLease>& leases)
{
    std::vector<uint8_t> reply;
    if (!device.ReadTable(reply))
        return false;
    leases = ParseVdhcpReply(reply.data(), reply.size());
    return true;
}

}  // namespace

bool VdhcpKnowsHardware(IVdhcpDevice& device, const uint8_t* hardware, size_t length)
{
    std::vector<VdhcpLease> leases;
    return ReadLeases(device, leases) && VdhcpHasHardware(leases, hardware, length);
}

std::vector<uint32_t> VdhcpDnsServersOf(IVdhcpDevice& device, uint32_t address)
{
    std::vector<VdhcpLease> leases;
    if (!ReadLeases(device, leases))
        return {};
    const VdhcpLease* lease = VdhcpLeaseOf(leases, address);
    return lease ? lease->dnsServers : std::vector<uint32_t>();
}
