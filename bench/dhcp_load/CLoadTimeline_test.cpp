#include "CLoadTimeline.h"

#include <gtest/gtest.h>

namespace {

TEST(LoadTimeline, CumulativeCountsPerSecondWithTheBoundaryInTheLaterSecond)
{
    // 0.5 s and 0.999999 s in the first second; exactly 1 s opens the second; nothing in the third;
    // 3.2 s in the fourth.
    const std::vector<uint64_t> offsets = {3200000, 500000, 1000000, 999999};
    EXPECT_EQ(LeasedBySecond(offsets, 4), (std::vector<uint32_t>{2, 3, 3, 4}));
    EXPECT_EQ(SecondsSpanned(offsets), 4u);
}

TEST(LoadTimeline, OffsetsPastTheSpanAreLeftOut)
{
    const std::vector<uint64_t> offsets = {100, 5000000};
    EXPECT_EQ(LeasedBySecond(offsets, 2), (std::vector<uint32_t>{1, 1}));
    EXPECT_EQ(SecondsSpanned(offsets), 6u);
}

TEST(LoadTimeline, NoLeases)
{
    EXPECT_EQ(LeasedBySecond({}, 3), (std::vector<uint32_t>{0, 0, 0}));
    EXPECT_TRUE(LeasedBySecond({}, 0).empty());
    EXPECT_EQ(SecondsSpanned({}), 0u);
    EXPECT_EQ(SecondsSpanned({0}), 1u);
}

}  // namespace
