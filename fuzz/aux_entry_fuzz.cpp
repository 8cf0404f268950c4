// The scrambled settings record of a Windows 95/98 dial-up entry: reading the idle time never runs past
// the record, and a written idle time reads back with the record's length and key unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "DialupEntryRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> stored(data, data + size);
    uint16_t seconds = 0;
    const bool readable = ReadEntryIdleSeconds(stored, seconds);
    std::vector<uint8_t> changed(stored);
    const uint16_t wanted = static_cast<uint16_t>(seconds * 7 + 60);
    if (WriteEntryIdleSeconds(changed, wanted) != readable)
        std::abort();
    if (changed.size() != stored.size())
        std::abort();
    if (readable) {
        uint16_t back = 0;
        if (!ReadEntryIdleSeconds(changed, back) || back != wanted)
            std::abort();
        if (changed[kEntryScrambleKey] != stored[kEntryScrambleKey])
            std::abort();
    } else if (changed != stored) {
        std::abort();
    }
    return 0;
}
