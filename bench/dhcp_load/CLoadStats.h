#pragma once
// CLoadStats: the latencies of one kind of exchange, summed up the way the benchmarks print them. Samples
// are kept whole (a run is bounded in count), so the percentiles are exact ranks, not estimates.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct LoadLatencySummary {
    size_t count = 0;
    double minMs = 0, p50Ms = 0, p90Ms = 0, p99Ms = 0, maxMs = 0, meanMs = 0;
};

class CLoadStats {
public:
    void Add(uint64_t microseconds) { samples_.push_back(microseconds); }
    size_t Count() const { return samples_.size(); }
    /// Nearest-rank percentiles; all zero when there is no sample.
    LoadLatencySummary Summary() const;

private:
    std::vector<uint64_t> samples_;
};

/// "latency=WHAT n=… min_ms=… p50_ms=… p90_ms=… p99_ms=… max_ms=… mean_ms=…" (milliseconds, 3 decimals).
std::string FormatLatency(const char* what, const LoadLatencySummary& summary);
