#include "CLoadTimeline.h"

#include "LoadClock.h"

std::vector<uint32_t> LeasedBySecond(const std::vector<uint64_t>& boundOffsetsUs, uint32_t seconds)
{
    std::vector<uint32_t> perSecond(seconds, 0);
    for (uint64_t offset : boundOffsetsUs) {
        const uint64_t second = offset / kLoadUsPerSecond;
        if (second < seconds) {
            ++perSecond[second];
        }
    }
    uint32_t total = 0;
    for (uint32_t& n : perSecond) {
        total += n;
        n = total;
    }
    return perSecond;
}

uint32_t SecondsSpanned(const std::vector<uint64_t>& boundOffsetsUs)
{
    uint64_t latest = 0;
    bool any = false;
    for (uint64_t offset : boundOffsetsUs) {
        latest = !any || offset > latest ? offset : latest;
        any = true;
    }
    return any ? static_cast<uint32_t>(latest / kLoadUsPerSecond + 1) : 0;
}
