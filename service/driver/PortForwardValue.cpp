#include "PortForwardValue.h"

#include <cstdio>

namespace {
bool IsBlank(char c)
{
    // The classic C library's isspace in the "C" locale.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
}  // namespace

std::string PortForwardKeyName(int index)
{
    char name[32];
    std::snprintf(name, sizeof name, kPortForwardKeyFormat, index);
    return name;
}

int32_t ParsePortForwardNumber(const char* piece, size_t length)
{
    size_t i = 0;
    while (i < length && IsBlank(piece[i]))
        ++i;
    bool negative = false;
    if (i < length && (piece[i] == '-' || piece[i] == '+')) {
        negative = piece[i] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps where a signed one would overflow.
    uint32_t value = 0;
    for (; i < length && piece[i] >= '0' && piece[i] <= '9'; ++i)
        value = value * 10u + static_cast<uint32_t>(piece[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<int32_t>(value);
}

bool ParsePortForwardValue(const char* value, int32_t (&fields)[kPortForwardFieldCount])
{
    int32_t found[kPortForwardFieldCount] = {};
    size_t count = 0;
    const char* p = value;
    while (*p != '\0' && count < kPortForwardFieldCount) {
        const char* end = p;
        while (*end != '\0' && *end != ',')
            ++end;
        if (end != p)
            found[count++] = ParsePortForwardNumber(p, static_cast<size_t>(end - p));
        p = *end == ',' ? end + 1 : end;
    }
    if (count < kPortForwardFieldCount)
        return false;
    for (size_t i = 0; i < kPortForwardFieldCount; ++i)
        fields[i] = found[i];
    return true;
}

PortForwardRecord PortForwardFromFields(const int32_t (&fields)[kPortForwardFieldCount])
{
    PortForwardRecord record;
    record.protocol = static_cast<uint16_t>(fields[0]);
    record.port = static_cast<uint16_t>(fields[1]);
    // Network order in memory: the first octet in the lowest byte.
    record.inAddr = (static_cast<uint32_t>(fields[2]) & 0xFFu) | (static_cast<uint32_t>(fields[3]) & 0xFFu) << 8 |
                    (static_cast<uint32_t>(fields[4]) & 0xFFu) << 16 | (static_cast<uint32_t>(fields[5]) & 0xFFu) << 24;
    return record;
}
