#include "FakeSystem.h"

#include "AuxBytes.h"
#include "VdhcpTable.h"

std::vector<uint8_t> BuildVdhcpReply(const std::vector<FakeLease>& leases)
{
    std::vector<uint8_t> bytes(kVdhcpEntries + leases.size() * kVdhcpEntrySize);
    StoreLe32(&bytes[kVdhcpCount], static_cast<uint32_t>(leases.size()));
    for (size_t i = 0; i < leases.size(); ++i) {
        const size_t entry = kVdhcpEntries + i * kVdhcpEntrySize;
        StoreLe32(&bytes[entry + kVdhcpEntryHardwareOffset], static_cast<uint32_t>(bytes.size()));
        bytes.insert(bytes.end(), leases[i].hardware.begin(), leases[i].hardware.end());
        StoreLe32(&bytes[entry + kVdhcpEntryLeasedAddress], leases[i].leasedAddress);
        StoreLe32(&bytes[entry + kVdhcpEntryDnsLength], static_cast<uint32_t>(leases[i].dnsServers.size() * 4));
        StoreLe32(&bytes[entry + kVdhcpEntryDnsOffset], static_cast<uint32_t>(bytes.size()));
        for (uint32_t server : leases[i].dnsServers) {
            uint8_t word[4];
            StoreLe32(word, server);
            bytes.insert(bytes.end(), word, word + 4);
        }
    }
    return bytes;
}
