#include "VdhcpTable.h"

#include <cstring>

#include "AuxBytes.h"

using auxbytes::Fits;
using auxbytes::GetU32;

bool ParseVdhcpProbe(const uint8_t* data, size_t length, uint32_t& size)
{
    return GetU32(data, length, 0, size) && size != 0 && size <= kVdhcpMaxTable;
}

std::vector<VdhcpLease> ParseVdhcpReply(const uint8_t* data, size_t length)
{
    std::vector<VdhcpLease> leases;
    uint32_t count = 0;
    if (!GetU32(data, length, kVdhcpCount, count))
        return leases;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = kVdhcpEntries + static_cast<size_t>(i) * kVdhcpEntrySize;
        if (!Fits(length, entry, kVdhcpEntrySize))
            break;
        VdhcpLease lease;
        uint32_t hardwareOffset = 0, dnsLength = 0, dnsOffset = 0;
        GetU32(data, length, entry + kVdhcpEntryHardwareOffset, hardwareOffset);
        auxbytes::GetAddress(data, length, entry + kVdhcpEntryLeasedAddress, lease.leasedAddress);
        GetU32(data, length, entry + kVdhcpEntryDnsLength, dnsLength);
        GetU32(data, length, entry + kVdhcpEntryDnsOffset, dnsOffset);
        if (hardwareOffset < length) {
            size_t n = length - hardwareOffset;
            if (n > kVdhcpHardwareMax)
                n = kVdhcpHardwareMax;
            lease.hardware.assign(data + hardwareOffset, data + hardwareOffset + n);
        }
        if (Fits(length, dnsOffset, dnsLength)) {
            for (size_t at = dnsOffset; at + 4 <= static_cast<size_t>(dnsOffset) + dnsLength; at += 4) {
                uint32_t server = 0;
                auxbytes::GetAddress(data, length, at, server);
                lease.dnsServers.push_back(server);
            }
        }
        leases.push_back(lease);
    }
    return leases;
}

bool VdhcpHasHardware(const std::vector<VdhcpLease>& leases, const uint8_t* hardware, size_t length)
{
    for (const VdhcpLease& lease : leases) {
        // An interface without a hardware address (length 0) matches any lease, as a comparison of no bytes does.
        if (lease.hardware.size() >= length &&
            (length == 0 || std::memcmp(lease.hardware.data(), hardware, length) == 0))
            return true;
    }
    return false;
}

const VdhcpLease* VdhcpLeaseOf(const std::vector<VdhcpLease>& leases, uint32_t address)
{
    for (const VdhcpLease& lease : leases) {
        if (lease.leasedAddress == address)
            return &lease;
    }
    return nullptr;
}
