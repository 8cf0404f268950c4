#pragma once
// CDhcpClientTable: the ordered list of client entries, one per client that has been given an address.
// An entry that holds neither an address nor a lease tells the server nothing it needs (the client is
// served like a new one), so such entries are removed; together with the bound below that keeps the table,
// the file and every save small however many computers come and go. Not thread-safe: the server core
// holds its lock around every call.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "CDhcpTrace.h"
#include "DhcpEntries.h"
#include "IpcWire.h"

/// The most entries the table keeps: the largest pool has 253 addresses, and every entry kept holds an
/// address, so this leaves room for entries that still hold addresses from before the pool was narrowed.
/// A new entry beyond it takes the place of the oldest entry whose lease has ended.
constexpr size_t kDhcpMaxClientEntries = 512;

class CDhcpClientTable {
public:
    size_t Count() const { return entries_.size(); }
    DhcpClientEntry& At(size_t index) { return *entries_[index]; }
    const DhcpClientEntry& At(size_t index) const { return *entries_[index]; }

    /// Appends an entry. False when memory for it cannot be had or the table is full.
    bool Append(const DhcpClientEntry& entry);
    void Clear() { entries_.clear(); }
    /// True when the table is at its bound and no entry could make room (all leases run).
    bool Full() const;
    /// Removes every entry that holds neither an address nor a lease.
    void RemoveEmptyEntries();
    /// Puts a table read from the file right: an `internetAccess` other than 0 is 1; an address no client
    /// can hold (0.x, 224 and above) is dropped with its lease; of two entries holding one address
    /// the one with the later lease keeps it; empty entries go; past the bound the oldest go. Returns how
    /// many entries were changed or dropped.
    size_t TidyAfterLoad();
    /// Adds the entries of `other` whose client has no entry here and whose address nobody here holds
    /// (a file that could be read only after the server had already recorded leases). Returns how many.
    size_t MergeFrom(const CDhcpClientTable& other);

    /// The first entry that matches the message's identifier or hardware address, or null.
    DhcpClientEntry* Find(const DhcpClientKey& key);
    /// The first entry whose `inAddr` is `address`, or null.
    DhcpClientEntry* FindByAddress(uint32_t address);
    /// True when an entry other than `except` holds `address`.
    bool HeldByAnother(uint32_t address, const DhcpClientEntry* except) const;

    /// Records a lease for `offer` (an open offer, or the DECLINE placeholder): updates the first entry
    /// that matches it or appends a new one, with the traces of either case. Any other entry that still
    /// holds the address loses it, so no two entries ever hold one address. Returns the entry, or null when
    /// memory for a new one cannot be had or the table is full.
    DhcpClientEntry* RecordLease(const DhcpOfferEntry& offer, uint32_t now, uint32_t leaseTime,
                                 const CDhcpTrace& trace);

    /// Ends every lease that has run out at `now`: `leaseStart`, `leaseTime` and `internetAccess` become 0,
    /// `inAddr` stays. Appends the hardware address of each ended lease to `ended`, in table order.
    void ExpireLeases(uint32_t now, std::vector<DhcpHardwareAddress>* ended);

    /// The entries with a lease (`leaseStart` not 0) and an address, in table order, as the console lists
    /// them.
    std::vector<IpcClientEntry> Snapshot() const;

private:
    /// Makes room for one more entry at the bound by dropping the first entry without a running lease.
    bool MakeRoom();

    std::vector<std::unique_ptr<DhcpClientEntry>> entries_;
};
