#include "CLoadStats.h"

#include <gtest/gtest.h>

namespace {

TEST(LoadStats, NearestRankPercentilesOfOneToAHundred)
{
    CLoadStats stats;
    // Shuffled on purpose: the summary must not depend on arrival order.
    for (uint64_t i = 0; i < 100; ++i) {
        stats.Add(((i * 37) % 100 + 1) * 1000);
    }
    const LoadLatencySummary s = stats.Summary();
    EXPECT_EQ(s.count, 100u);
    EXPECT_DOUBLE_EQ(s.minMs, 1.0);
    EXPECT_DOUBLE_EQ(s.p50Ms, 50.0);
    EXPECT_DOUBLE_EQ(s.p90Ms, 90.0);
    EXPECT_DOUBLE_EQ(s.p99Ms, 99.0);
    EXPECT_DOUBLE_EQ(s.maxMs, 100.0);
    EXPECT_DOUBLE_EQ(s.meanMs, 50.5);
}

struct Case {
    std::vector<uint64_t> samplesUs;
    double p50, p90, p99, max;
};

class LoadStatsTest : public testing::TestWithParam<Case> {};

TEST_P(LoadStatsTest, SmallSets)
{
    CLoadStats stats;
    for (uint64_t sample : GetParam().samplesUs) {
        stats.Add(sample);
    }
    const LoadLatencySummary s = stats.Summary();
    EXPECT_DOUBLE_EQ(s.p50Ms, GetParam().p50);
    EXPECT_DOUBLE_EQ(s.p90Ms, GetParam().p90);
    EXPECT_DOUBLE_EQ(s.p99Ms, GetParam().p99);
    EXPECT_DOUBLE_EQ(s.maxMs, GetParam().max);
}

INSTANTIATE_TEST_SUITE_P(Sets, LoadStatsTest,
                         testing::Values(Case{{}, 0, 0, 0, 0}, Case{{1500}, 1.5, 1.5, 1.5, 1.5},
                                         Case{{3000, 1000}, 1.0, 3.0, 3.0, 3.0},
                                         Case{{1000, 2000, 3000, 4000, 1000000}, 3.0, 1000.0, 1000.0, 1000.0}));

TEST(LoadStats, TheLineReadsAsKeysAndValues)
{
    CLoadStats stats;
    stats.Add(1234);
    stats.Add(5678);
    EXPECT_EQ(FormatLatency("offer", stats.Summary()),
              "latency=offer n=2 min_ms=1.234 p50_ms=1.234 p90_ms=5.678 p99_ms=5.678 max_ms=5.678 mean_ms=3.456");
}

}  // namespace
