#include "CLoadRetransmit.h"

uint64_t RetransmitBaseWaitUs(uint32_t sent)
{
    uint64_t wait = kRetransmitFirstWaitUs;
    // Doubling stops at the cap, so a large `sent` can never shift the wait past 64 bits.
    for (uint32_t n = 1; n < sent && wait < kRetransmitMaxWaitUs; ++n) {
        wait *= 2;
    }
    return wait < kRetransmitMaxWaitUs ? wait : kRetransmitMaxWaitUs;
}

int64_t RetransmitJitterUs(uint64_t randomBits)
{
    // 2 000 001 values from -1 000 000 to +1 000 000 µs; the modulo bias over 64 bits is below 1e-13.
    constexpr uint64_t span = 2 * static_cast<uint64_t>(kRetransmitJitterUs) + 1;
    return static_cast<int64_t>(randomBits % span) - kRetransmitJitterUs;
}

uint64_t RetransmitWaitUs(uint32_t sent, int64_t jitterUs)
{
    if (jitterUs > kRetransmitJitterUs) {
        jitterUs = kRetransmitJitterUs;
    } else if (jitterUs < -kRetransmitJitterUs) {
        jitterUs = -kRetransmitJitterUs;
    }
    // The base wait is at least 4 s, so the sum stays positive.
    return static_cast<uint64_t>(static_cast<int64_t>(RetransmitBaseWaitUs(sent)) + jitterUs);
}
