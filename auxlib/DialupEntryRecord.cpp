#include "DialupEntryRecord.h"

#include "AuxBytes.h"

namespace {

std::vector<uint8_t> Unscramble(const std::vector<uint8_t>& stored)
{
    std::vector<uint8_t> plain(stored);
    const uint8_t key = stored[kEntryScrambleKey];
    for (uint8_t& b : plain)
        b = static_cast<uint8_t>(b ^ key);
    return plain;
}

// Where the idle time lies in the unscrambled record.
bool FindIdleField(const std::vector<uint8_t>& plain, size_t& offset)
{
    size_t at = kEntryStrings;
    for (int s = 0; s < kEntryStringCount; ++s) {
        while (at < plain.size() && plain[at] != 0)
            ++at;
        if (at >= plain.size())
            return false;
        ++at;  // past its NUL
    }
    if (!auxbytes::Fits(plain.size(), at, kEntryIdleAfterStrings + kEntryIdleSize))
        return false;
    offset = at + kEntryIdleAfterStrings;
    return true;
}

}  // namespace

bool ReadEntryIdleSeconds(const std::vector<uint8_t>& stored, uint16_t& seconds)
{
    if (stored.size() <= kEntryScrambleKey)
        return false;
    const std::vector<uint8_t> plain = Unscramble(stored);
    size_t offset = 0;
    return FindIdleField(plain, offset) && auxbytes::GetU16(plain.data(), plain.size(), offset, seconds);
}

bool WriteEntryIdleSeconds(std::vector<uint8_t>& stored, uint16_t seconds)
{
    if (stored.size() <= kEntryScrambleKey)
        return false;
    const uint8_t key = stored[kEntryScrambleKey];
    std::vector<uint8_t> plain = Unscramble(stored);
    size_t offset = 0;
    if (!FindIdleField(plain, offset))
        return false;
    StoreLe16(&plain[offset], seconds);
    for (uint8_t& b : plain)
        b = static_cast<uint8_t>(b ^ key);
    stored.swap(plain);
    return true;
}
