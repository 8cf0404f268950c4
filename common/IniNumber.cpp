#include "IniNumber.h"

#include <cstdio>

namespace {

constexpr unsigned kDecimalBase = 10;

}  // namespace

int ParseIniInt(const char* text)
{
    if (!text) {
        return 0;
    }
    bool negative = false;
    if (*text == '-' || *text == '+') {
        negative = *text == '-';
        ++text;
    }
    // Unsigned arithmetic: an over-long number wraps instead of overflowing.
    unsigned value = 0;
    while (*text >= '0' && *text <= '9') {
        value = value * kDecimalBase + static_cast<unsigned>(*text - '0');
        ++text;
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int>(value);
}

size_t FormatIniInt(int value, char* out)
{
    int n = snprintf(out, kIniIntTextSize, "%d", value);
    return n < 0 ? 0 : static_cast<size_t>(n);
}
