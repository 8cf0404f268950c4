// The DHCP client's lease table from arbitrary bytes: the entries, and the hardware addresses and DNS lists
// they point at, are read only where they lie inside the reply; the lookups work on whatever was parsed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "VdhcpTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t needed = 0;
    if (ParseVdhcpProbe(data, size, needed) && (needed == 0 || needed > kVdhcpMaxTable))
        std::abort();
    const std::vector<VdhcpLease> leases = ParseVdhcpReply(data, size);
    if (size >= kVdhcpEntries && leases.size() > (size - kVdhcpEntries) / kVdhcpEntrySize)
        std::abort();
    for (const VdhcpLease& lease : leases) {
        if (lease.hardware.size() > kVdhcpHardwareMax || lease.dnsServers.size() * 4 > size)
            std::abort();
        VdhcpHasHardware(leases, lease.hardware.data(), lease.hardware.size());
        if (VdhcpLeaseOf(leases, lease.leasedAddress) == nullptr)
            std::abort();
    }
    const uint8_t probe[kVdhcpHardwareMax] = {};
    VdhcpHasHardware(leases, probe, size % (kVdhcpHardwareMax + 1));
    return 0;
}
