#pragma once
// CLoadTimeline: how many clients of a mass start had their lease by the end of each second, from the
// moments they were bound (microseconds after the start). Kept apart from the socket loop so that the
// off-by-one questions (is a lease at exactly 2.000 s counted in second 2 or 3?) are settled by a test.
#include <cstdint>
#include <vector>

/// Element s (from 0) is the number of offsets below (s + 1) seconds; `seconds` elements. An offset at
/// or past `seconds` counts in none of them.
std::vector<uint32_t> LeasedBySecond(const std::vector<uint64_t>& boundOffsetsUs, uint32_t seconds);

/// Seconds needed to hold every offset: the second of the latest one, plus one; 0 for none.
uint32_t SecondsSpanned(const std::vector<uint64_t>& boundOffsetsUs);
