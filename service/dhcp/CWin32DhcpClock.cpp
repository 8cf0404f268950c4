#include "CWin32DhcpClock.h"

#include <windows.h>

namespace {

// FILETIME counts 100-ns intervals since 1601-01-01 UTC.
constexpr unsigned long long kFileTimeUnitsPerSecond = 10000000ULL;
constexpr unsigned long long kSecondsFrom1601To1970 = 11644473600ULL;

}  // namespace

uint32_t CWin32DhcpClock::Now()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    const unsigned long long units =
        static_cast<unsigned long long>(now.dwHighDateTime) << 32 | static_cast<unsigned long long>(now.dwLowDateTime);
    return static_cast<uint32_t>(units / kFileTimeUnitsPerSecond - kSecondsFrom1601To1970);
}
