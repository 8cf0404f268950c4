#include "CLoadStats.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr double kMicrosecondsPerMs = 1000.0;

// The sample at percentile `percent` by nearest rank: the smallest sample with at least that share of
// all samples at or below it.
double Rank(const std::vector<uint64_t>& sorted, unsigned percent)
{
    size_t rank = (sorted.size() * percent + 99) / 100;
    if (rank == 0) {
        rank = 1;
    }
    return static_cast<double>(sorted[rank - 1]) / kMicrosecondsPerMs;
}

}  // namespace

LoadLatencySummary CLoadStats::Summary() const
{
    LoadLatencySummary summary;
    if (samples_.empty()) {
        return summary;
    }
    std::vector<uint64_t> sorted = samples_;
    std::sort(sorted.begin(), sorted.end());
    summary.count = sorted.size();
    summary.minMs = static_cast<double>(sorted.front()) / kMicrosecondsPerMs;
    summary.maxMs = static_cast<double>(sorted.back()) / kMicrosecondsPerMs;
    summary.p50Ms = Rank(sorted, 50);
    summary.p90Ms = Rank(sorted, 90);
    summary.p99Ms = Rank(sorted, 99);
    double total = 0;
    for (uint64_t sample : sorted) {
        total += static_cast<double>(sample);
    }
    summary.meanMs = total / static_cast<double>(sorted.size()) / kMicrosecondsPerMs;
    return summary;
}

std::string FormatLatency(const char* what, const LoadLatencySummary& summary)
{
    char line[256];
    snprintf(line, sizeof line,
             "latency=%s n=%zu min_ms=%.3f p50_ms=%.3f p90_ms=%.3f p99_ms=%.3f max_ms=%.3f mean_ms=%.3f", what,
             summary.count, summary.minMs, summary.p50Ms, summary.p90Ms, summary.p99Ms, summary.maxMs, summary.meanMs);
    return line;
}
