#pragma once
// CLoadRandom: transaction ids and hardware addresses for the simulated clients. A run's clients are
// numbered, and client n's address is fixed by the run's seed and n, so the addresses of one run are
// distinct by construction and a run repeated with its seed meets the same clients again. Flood
// addresses are drawn at random: the server must not recognise any of them.
#include <cstdint>

#include "DhcpLoadWire.h"

class CLoadRandom {
public:
    explicit CLoadRandom(uint64_t seed) : state_(seed) {}

    uint64_t Next();
    uint32_t NextXid() { return static_cast<uint32_t>(Next() >> 32); }
    /// A random locally administered unicast address.
    void RandomMac(uint8_t mac[kEthernetAddressSize]);

    /// Largest number of numbered clients a run can have: the index fills the low three bytes.
    static constexpr uint32_t kMaxClients = 1u << 24;
    /// Client `index` (below kMaxClients) of the run whose tag is `runTag`: 02:TT:TT:II:II:II, the
    /// first byte marking a locally administered unicast address.
    static void ClientMac(uint16_t runTag, uint32_t index, uint8_t mac[kEthernetAddressSize]);

private:
    uint64_t state_;
};
