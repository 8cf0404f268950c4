#include "DhcpTableInvariants.h"

#include <cstdio>

#include "DhcpAddressText.h"

namespace {

struct Holder {
    const DhcpId* idId;
    const DhcpHardwareAddress* hdwrAddr;
    bool offer;
    size_t index;
};

bool SameComputer(const Holder& a, const Holder& b)
{
    const bool sameId = a.idId->chLen != 0 && a.idId->Equals(*b.idId);
    return sameId || a.hdwrAddr->Equals(*b.hdwrAddr);
}

std::string Describe(uint32_t address, const Holder& a, const Holder& b)
{
    char dotted[kDottedAddressBuffer];
    FormatDottedAddress(address, dotted);
    char text[160];
    std::snprintf(text, sizeof(text), "%s held by %s %u and %s %u", dotted, a.offer ? "offer" : "lease",
                  static_cast<unsigned>(a.index), b.offer ? "offer" : "lease", static_cast<unsigned>(b.index));
    return text;
}

}  // namespace

std::string DhcpAddressClash(const std::vector<DhcpClientEntry>& clients, const std::vector<DhcpOfferEntry>& offers)
{
    std::vector<std::pair<uint32_t, Holder>> held;
    for (size_t i = 0; i < clients.size(); ++i) {
        const DhcpClientEntry& e = clients[i];
        if (e.leaseStart != 0 && e.inAddr != 0) {
            held.push_back({e.inAddr, Holder{&e.idId, &e.hdwrAddr, false, i}});
        }
    }
    for (size_t i = 0; i < offers.size(); ++i) {
        const DhcpOfferEntry& o = offers[i];
        held.push_back({o.inAddr, Holder{&o.idId, &o.hdwrAddr, true, i}});
    }
    for (size_t i = 0; i < held.size(); ++i) {
        for (size_t j = i + 1; j < held.size(); ++j) {
            if (held[i].first != held[j].first) {
                continue;
            }
            const Holder& a = held[i].second;
            const Holder& b = held[j].second;
            // Only a lease and an offer of one computer may name the same address.
            if (a.offer != b.offer && SameComputer(a, b)) {
                continue;
            }
            return Describe(held[i].first, a, b);
        }
    }
    return std::string();
}
