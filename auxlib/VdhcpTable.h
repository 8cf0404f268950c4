// VdhcpTable: the lease table of the Windows 95/98 DHCP client, as the device "\\.\VDHCP" reports it: a
// 32-bit entry count, then 44-byte entries that point (by offsets from the start of the reply) at the
// hardware address and the DNS server list of each lease.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The table request: control code 1, first with a 4-byte buffer that must come back with
// ERROR_BUFFER_OVERFLOW and the size needed, then with a buffer of that size.
constexpr uint32_t kVdhcpTableRequest = 1;
constexpr size_t kVdhcpSizeProbe = 4;
constexpr unsigned long kVdhcpProbeError = 111;  // ERROR_BUFFER_OVERFLOW
// A lease table is a few hundred bytes; a size beyond this is not believed.
constexpr uint32_t kVdhcpMaxTable = 0x10000;

constexpr size_t kVdhcpCount = 0;
constexpr size_t kVdhcpEntries = 4;
constexpr size_t kVdhcpEntrySize = 44;
constexpr size_t kVdhcpEntryHardwareOffset = 0;
constexpr size_t kVdhcpEntryLeasedAddress = 8;
constexpr size_t kVdhcpEntryDnsLength = 28;
constexpr size_t kVdhcpEntryDnsOffset = 32;
static_assert(kVdhcpEntryDnsOffset + 4 <= kVdhcpEntrySize, "fields lie inside the entry");
// Hardware addresses are compared over the interface's length, which the stack reports as at most 8.
constexpr size_t kVdhcpHardwareMax = 8;

struct VdhcpLease {
    std::vector<uint8_t> hardware;  // the bytes at the entry's offset, at most kVdhcpHardwareMax
    uint32_t leasedAddress = 0;     // network order
    std::vector<uint32_t> dnsServers;
};

// The size the device asked for in its answer to the size probe; false when it is 0 or unbelievably large.
bool ParseVdhcpProbe(const uint8_t* data, size_t length, uint32_t& size);

// The entries of a reply of length bytes: no more than the count says and no more than whole entries
// present. A hardware address or DNS list that does not lie inside the reply is left empty.
std::vector<VdhcpLease> ParseVdhcpReply(const uint8_t* data, size_t length);

// Whether a lease has this hardware address, compared over its first length bytes.
bool VdhcpHasHardware(const std::vector<VdhcpLease>& leases, const uint8_t* hardware, size_t length);

// The first lease of this address, or nullptr.
const VdhcpLease* VdhcpLeaseOf(const std::vector<VdhcpLease>& leases, uint32_t address);
