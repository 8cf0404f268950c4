#include "DottedAddress.h"

#include <cstdio>

namespace {

constexpr int kMaxParts = 4;
constexpr uint64_t kMaxValue = 0xFFFFFFFFu;
// The largest value of the last part when the text has 1, 2, 3 or 4 parts.
constexpr uint64_t kLastPartMax[kMaxParts] = {0xFFFFFFFFu, 0xFFFFFFu, 0xFFFFu, 0xFFu};
constexpr uint64_t kLeadingPartMax = 0xFFu;
constexpr int kDecimal = 10;
constexpr int kOctal = 8;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t BoundedLength(const char* text, size_t size)
{
    size_t n = 0;
    while (n < size && text[n] != '\0')
        ++n;
    return n;
}

// The address bytes of parts (count of them, the last one filling the rest) in memory order.
uint32_t Assemble(const uint64_t* parts, int count)
{
    uint32_t hostOrder = 0;
    for (int i = 0; i < count - 1; ++i)
        hostOrder |= static_cast<uint32_t>(parts[i]) << (24 - 8 * i);
    hostOrder |= static_cast<uint32_t>(parts[count - 1]);
    // First octet (the most significant of hostOrder) goes to the lowest-addressed byte.
    return ((hostOrder >> 24) & 0xFFu) | ((hostOrder >> 8) & 0xFF00u) | ((hostOrder << 8) & 0xFF0000u) |
           ((hostOrder << 24) & 0xFF000000u);
}

}  // namespace

uint32_t ParseDottedQuad(const char* text, size_t length)
{
    if (length == 0)
        return 0;
    uint64_t parts[kMaxParts] = {};
    int count = 0;
    size_t i = 0;
    for (;;) {
        if (i >= length || !IsDigit(text[i]))
            return kAddressNone;  // a part must start with a digit
        const int base = text[i] == '0' ? kOctal : kDecimal;
        uint64_t value = 0;
        while (i < length && IsDigit(text[i])) {
            const int digit = text[i] - '0';
            if (digit >= base)
                return kAddressNone;
            value = value * base + digit;
            if (value > kMaxValue)
                return kAddressNone;
            ++i;
        }
        if (count == kMaxParts)
            return kAddressNone;
        parts[count++] = value;
        if (i == length)
            break;
        if (text[i] != '.')
            return kAddressNone;
        ++i;
    }
    for (int p = 0; p < count - 1; ++p) {
        if (parts[p] > kLeadingPartMax)
            return kAddressNone;
    }
    if (parts[count - 1] > kLastPartMax[count - 1])
        return kAddressNone;
    return Assemble(parts, count);
}

uint32_t ConvertDottedAddress(const char* text, size_t size)
{
    const size_t length = BoundedLength(text, size);
    size_t start = 0;
    while (start < length && !IsDigit(text[start]))
        ++start;
    if (start == length)
        return 0;
    size_t end = start;
    while (end < length && end - start < kDottedRunMax && (IsDigit(text[end]) || text[end] == '.'))
        ++end;
    return ParseDottedQuad(text + start, end - start);
}

std::string FormatDottedAddress(uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i.%i.%i.%i", static_cast<int>(address & 0xFFu),
                  static_cast<int>((address >> 8) & 0xFFu), static_cast<int>((address >> 16) & 0xFFu),
                  static_cast<int>((address >> 24) & 0xFFu));
    return text;
}

std::vector<uint32_t> ConvertAddressList(const char* text, size_t size, char separator, size_t max)
{
    std::vector<uint32_t> addresses;
    const size_t length = BoundedLength(text, size);
    size_t start = 0;
    while (start <= length && addresses.size() < max) {
        size_t end = start;
        while (end < length && text[end] != separator)
            ++end;
        const uint32_t address = ConvertDottedAddress(text + start, end - start);
        if (address != 0)
            addresses.push_back(address);
        start = end + 1;
    }
    return addresses;
}
