#include "AccessProviderTable.h"

#include <cstring>

namespace {
constexpr int kBitsPerByte = 8;
constexpr unsigned kByteMask = 0xFFu;
}  // namespace

uint16_t ReadProviderU16(const uint8_t* table, size_t offset)
{
    return static_cast<uint16_t>(table[offset] | (table[offset + 1] << kBitsPerByte));
}

uint32_t ReadProviderU32(const uint8_t* table, size_t offset)
{
    uint32_t value = 0;
    for (size_t i = kProviderSlotSize; i-- > 0;)
        value = (value << kBitsPerByte) | table[offset + i];
    return value;
}

void WriteProviderU16(uint8_t* table, size_t offset, uint16_t value)
{
    table[offset] = static_cast<uint8_t>(value & kByteMask);
    table[offset + 1] = static_cast<uint8_t>((value >> kBitsPerByte) & kByteMask);
}

void WriteProviderU32(uint8_t* table, size_t offset, uint32_t value)
{
    for (size_t i = 0; i < kProviderSlotSize; ++i)
        table[offset + i] = static_cast<uint8_t>((value >> (kBitsPerByte * i)) & kByteMask);
}

void CAccessProviderTable::Prepare()
{
    std::memset(bytes_, 0, kProviderTableSize);
    WriteProviderU16(bytes_, kProviderSizeOffset, static_cast<uint16_t>(kProviderTableSize));
    for (size_t i = 0; i < kProviderTableGuardSize; ++i)
        bytes_[kProviderTableSize + i] = GuardMark(i);
}

uint8_t CAccessProviderTable::GuardMark(size_t index)
{
    constexpr unsigned kMarkBase = 0xA5u;
    constexpr unsigned kMarkStep = 0x3Bu;  // odd: 256 different marks before one repeats
    return static_cast<uint8_t>((kMarkBase + kMarkStep * index) & kByteMask);
}

bool CAccessProviderTable::GuardIntact() const
{
    for (size_t i = 0; i < kProviderTableGuardSize; ++i) {
        if (bytes_[kProviderTableSize + i] != GuardMark(i))
            return false;
    }
    return true;
}

bool ProviderRegistrationQualifies(int registerResult, const CAccessProviderTable& table)
{
    return registerResult != 0 && table.GuardIntact() && table.SizeField() == kProviderTableSize &&
           (table.Slot(kProviderRetainOffset) != 0 || table.Slot(kProviderAuthoriseOffset) != 0) &&
           table.Slot(kProviderInitialiseOffset) != 0;
}
