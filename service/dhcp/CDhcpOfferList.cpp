#include "CDhcpOfferList.h"

#include <algorithm>
#include <new>

DhcpOfferEntry* CDhcpOfferList::Find(const DhcpClientKey& key)
{
    for (const auto& offer : entries_) {
        if (DhcpEntryMatchesKey(offer->idId, offer->hdwrAddr, key)) {
            return offer.get();
        }
    }
    return nullptr;
}

DhcpOfferEntry* CDhcpOfferList::FindByAddress(uint32_t address)
{
    for (const auto& offer : entries_) {
        if (offer->inAddr == address) {
            return offer.get();
        }
    }
    return nullptr;
}

bool CDhcpOfferList::HeldByAnother(uint32_t address, const DhcpOfferEntry* except) const
{
    return std::any_of(entries_.begin(), entries_.end(), [address, except](const std::unique_ptr<DhcpOfferEntry>& e) {
        return e.get() != except && e->inAddr == address;
    });
}

DhcpOfferEntry* CDhcpOfferList::Add(const DhcpOfferEntry& offer)
{
    std::unique_ptr<DhcpOfferEntry> copy(new (std::nothrow) DhcpOfferEntry(offer));
    if (!copy) {
        return nullptr;
    }
    try {
        entries_.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return entries_.back().get();
}

void CDhcpOfferList::Remove(const DhcpOfferEntry* offer)
{
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [offer](const std::unique_ptr<DhcpOfferEntry>& e) { return e.get() == offer; }),
                   entries_.end());
}

void CDhcpOfferList::Expire(uint32_t now, uint32_t timeout)
{
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [now, timeout](const std::unique_ptr<DhcpOfferEntry>& e) {
                                      return static_cast<uint64_t>(e->offerTime) + timeout <= now;
                                  }),
                   entries_.end());
}
