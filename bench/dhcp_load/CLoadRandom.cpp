#include "CLoadRandom.h"

namespace {

// The locally administered bit set and the group bit clear: an address no vendor hands out and that a
// switch treats as a single station.
constexpr uint8_t kLocalUnicastSet = 0x02;
constexpr uint8_t kLocalUnicastMask = 0xFC;

}  // namespace

uint64_t CLoadRandom::Next()
{
    // splitmix64: full period over 2^64 states, and good enough bits for ids that only need to differ.
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

void CLoadRandom::RandomMac(uint8_t mac[kEthernetAddressSize])
{
    const uint64_t bits = Next();
    for (unsigned i = 0; i < kEthernetAddressSize; ++i) {
        mac[i] = static_cast<uint8_t>(bits >> (8 * i));
    }
    mac[0] = static_cast<uint8_t>((mac[0] & kLocalUnicastMask) | kLocalUnicastSet);
}

void CLoadRandom::ClientMac(uint16_t runTag, uint32_t index, uint8_t mac[kEthernetAddressSize])
{
    mac[0] = kLocalUnicastSet;
    mac[1] = static_cast<uint8_t>(runTag >> 8);
    mac[2] = static_cast<uint8_t>(runTag);
    mac[3] = static_cast<uint8_t>(index >> 16);
    mac[4] = static_cast<uint8_t>(index >> 8);
    mac[5] = static_cast<uint8_t>(index);
}
