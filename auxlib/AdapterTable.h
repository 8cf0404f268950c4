// CAdapterTable: the adapter table and the DNS server table of one process, and the index rules of every
// query on them: an index that is negative or not below the count answers 0 and leaves buffers untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "AdapterRecord.h"

// Both tables grow in blocks of this many entries.
constexpr size_t kTableBlock = 10;

class CAdapterTable {
public:
    void Clear();

    // Appends a copy; a record that cannot be stored (out of memory) is dropped.
    void AddAdapter(const AdapterRecord& record);
    void AddDnsServer(uint32_t address);
    void AddDnsServers(const std::vector<uint32_t>& addresses);
    void RemoveAdapter(int adapter);

    int AdapterCount() const { return static_cast<int>(adapters_.size()); }
    int DnsServerCount() const { return static_cast<int>(dnsServers_.size()); }
    // nullptr for a bad index.
    const AdapterRecord* Adapter(int adapter) const;
    const std::vector<AdapterRecord>& Adapters() const { return adapters_; }
    const std::vector<uint32_t>& DnsServers() const { return dnsServers_; }

    // The description copied NUL-terminated into buffer (never more than size bytes with the NUL); returns
    // its length. 0 for a bad index; nothing is copied when the buffer has no room at all.
    int CopyName(int adapter, char* buffer, int size) const;
    // Copies up to size bytes of the 6-byte hardware address; returns how many were copied (6 when the
    // buffer is large enough), 0 for a bad index.
    int CopyHardwareAddress(int adapter, char* buffer, int size) const;
    int IsDhcp(int adapter) const;
    int IpCount(int adapter) const;
    uint32_t IpAddress(int adapter, int n) const;
    uint32_t SubnetMask(int adapter) const;
    uint32_t Gateway(int adapter) const;
    uint32_t DnsServer(int n) const;
    // Zeroes max slots, then stores the first address of each adapter in table order, skipping adapters
    // whose first address is 0, until max are stored. Returns how many were stored. Word is any unsigned
    // type of at least 32 bits (the exports hand out unsigned long).
    template <typename Word> int LocalAddresses(Word* out, int max) const
    {
        if (!out || max <= 0)
            return 0;
        for (int i = 0; i < max; ++i)
            out[i] = 0;
        int stored = 0;
        for (const AdapterRecord& record : adapters_) {
            if (stored == max)
                break;
            if (record.FirstAddress() != 0)
                out[stored++] = record.FirstAddress();
        }
        return stored;
    }

private:
    std::vector<AdapterRecord> adapters_;
    std::vector<uint32_t> dnsServers_;
};
