#pragma once
// CDhcpClientTable: the ordered list of client entries, one per client that has been given an address.
// Entries are never removed while the server runs, only emptied. Not thread-safe: the server core holds
// its lock around every call.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "CDhcpTrace.h"
#include "DhcpEntries.h"
#include "IpcWire.h"

class CDhcpClientTable {
public:
    size_t Count() const { return m_entries.size(); }
    DhcpClientEntry& At(size_t index) { return *m_entries[index]; }
    const DhcpClientEntry& At(size_t index) const { return *m_entries[index]; }

    /// Appends an entry. False when memory for it cannot be had.
    bool Append(const DhcpClientEntry& entry);
    void Clear() { m_entries.clear(); }

    /// The first entry that matches the message's identifier or hardware address, or null.
    DhcpClientEntry* Find(const DhcpClientKey& key);
    /// The first entry whose `inAddr` is `address`, or null.
    DhcpClientEntry* FindByAddress(uint32_t address);
    /// True when an entry other than `except` holds `address`.
    bool HeldByAnother(uint32_t address, const DhcpClientEntry* except) const;

    /// Records a lease for `offer` (an open offer, or the DECLINE placeholder): updates the first entry
    /// that matches it or appends a new one, with the traces of either case. Returns the entry, or null
    /// when memory for a new one cannot be had.
    DhcpClientEntry* RecordLease(const DhcpOfferEntry& offer, uint32_t now, uint32_t leaseTime,
                                 const CDhcpTrace& trace);

    /// Ends every lease that has run out at `now`: `leaseStart`, `leaseTime` and `internetAccess` become 0,
    /// `inAddr` stays. Appends the hardware address of each ended lease to `ended`, in table order.
    void ExpireLeases(uint32_t now, std::vector<DhcpHardwareAddress>* ended);

    /// The entries with a lease (`leaseStart` not 0), in table order, as the console lists them.
    std::vector<IpcClientEntry> Snapshot() const;

private:
    std::vector<std::unique_ptr<DhcpClientEntry>> m_entries;
};
