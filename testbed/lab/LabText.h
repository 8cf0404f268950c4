#pragma once
// Small text helpers shared by the lab probe's checks. Addresses are held as the system holds them: 32-bit
// values in network order, first octet in the lowest-addressed byte.
#include <cstdint>
#include <cstdio>
#include <string>

namespace lab {

inline std::string Dotted(uint32_t address)
{
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&address);
    char text[16];
    snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

/// One output line, flushed at once: the lab scripts read the probe through a pipe while it still runs.
template <typename... Args> void Line(const char* format, Args... args)
{
    printf(format, args...);
    printf("\n");
    fflush(stdout);
}

inline void Line(const char* text)
{
    printf("%s\n", text);
    fflush(stdout);
}

}  // namespace lab
