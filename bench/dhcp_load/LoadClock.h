#pragma once
// The monotonic clock every figure of the load tools is taken from, in microseconds.
#include <cstdint>
#include <ctime>

constexpr uint64_t kLoadUsPerMs = 1000;
constexpr uint64_t kLoadUsPerSecond = 1000000;

inline uint64_t LoadNowUs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * kLoadUsPerSecond + static_cast<uint64_t>(now.tv_nsec) / kLoadUsPerMs;
}
