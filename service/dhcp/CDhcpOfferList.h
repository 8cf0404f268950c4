#pragma once
// CDhcpOfferList: the ordered list of open offers, one per client that has been offered an address and has
// not taken it yet. Not thread-safe: the server core holds its lock around every call.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "DhcpEntries.h"

class CDhcpOfferList {
public:
    size_t Count() const { return entries_.size(); }
    const DhcpOfferEntry& At(size_t index) const { return *entries_[index]; }

    /// The first offer that matches the message's identifier or hardware address, or null.
    DhcpOfferEntry* Find(const DhcpClientKey& key);
    /// The first offer whose `inAddr` is `address`, or null.
    DhcpOfferEntry* FindByAddress(uint32_t address);
    /// True when an offer other than `except` (may be null) holds `address`.
    bool HeldByAnother(uint32_t address, const DhcpOfferEntry* except) const;
    /// Appends a copy of `offer`. Returns it, or null when memory for it cannot be had.
    DhcpOfferEntry* Add(const DhcpOfferEntry& offer);
    void Remove(const DhcpOfferEntry* offer);
    /// Removes every offer made or refreshed `timeout` seconds or more before `now`.
    void Expire(uint32_t now, uint32_t timeout);
    void Clear() { entries_.clear(); }

private:
    std::vector<std::unique_ptr<DhcpOfferEntry>> entries_;
};
