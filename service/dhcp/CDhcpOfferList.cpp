#include "CDhcpOfferList.h"

#include <algorithm>
#include <new>

DhcpOfferEntry* CDhcpOfferList::Find(const DhcpClientKey& key)
{
    for (const auto& offer : m_entries) {
        if (DhcpEntryMatchesKey(offer->idId, offer->hdwrAddr, key)) {
            return offer.get();
        }
    }
    return nullptr;
}

DhcpOfferEntry* CDhcpOfferList::FindByAddress(uint32_t address)
{
    for (const auto& offer : m_entries) {
        if (offer->inAddr == address) {
            return offer.get();
        }
    }
    return nullptr;
}

bool CDhcpOfferList::HeldByAnother(uint32_t address, const DhcpOfferEntry* except) const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [address, except](const std::unique_ptr<DhcpOfferEntry>& e) {
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
        m_entries.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return m_entries.back().get();
}

void CDhcpOfferList::Remove(const DhcpOfferEntry* offer)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [offer](const std::unique_ptr<DhcpOfferEntry>& e) { return e.get() == offer; }),
                    m_entries.end());
}

void CDhcpOfferList::Expire(uint32_t now, uint32_t timeout)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [now, timeout](const std::unique_ptr<DhcpOfferEntry>& e) {
                                       return static_cast<uint64_t>(e->offerTime) + timeout <= now;
                                   }),
                    m_entries.end());
}
