#include "CLoadRetransmit.h"

#include <gtest/gtest.h>

#include "CLoadRandom.h"

namespace {

TEST(LoadRetransmit, WaitsDoubleFromFourSecondsAndStopAtSixtyFour)
{
    const uint64_t expectedSeconds[] = {4, 8, 16, 32, 64, 64, 64};
    for (uint32_t sent = 1; sent <= 7; ++sent) {
        EXPECT_EQ(RetransmitBaseWaitUs(sent), expectedSeconds[sent - 1] * 1000000) << "after transmission " << sent;
    }
    // Far past the cap nothing overflows.
    EXPECT_EQ(RetransmitBaseWaitUs(1000), kRetransmitMaxWaitUs);
    EXPECT_EQ(RetransmitBaseWaitUs(UINT32_MAX), kRetransmitMaxWaitUs);
    // Transmission 0 does not exist; it is read as the first.
    EXPECT_EQ(RetransmitBaseWaitUs(0), kRetransmitFirstWaitUs);
}

TEST(LoadRetransmit, JitterMovesEachWaitByAtMostOneSecondEitherWay)
{
    EXPECT_EQ(RetransmitWaitUs(1, 0), 4000000u);
    EXPECT_EQ(RetransmitWaitUs(1, -1000000), 3000000u);
    EXPECT_EQ(RetransmitWaitUs(1, 1000000), 5000000u);
    EXPECT_EQ(RetransmitWaitUs(5, 250000), 64250000u);
    // A jitter from elsewhere is held to the second.
    EXPECT_EQ(RetransmitWaitUs(1, -7000000), 3000000u);
    EXPECT_EQ(RetransmitWaitUs(6, 7000000), 65000000u);
}

TEST(LoadRetransmit, JitterFromRandomBitsCoversBothSidesEvenly)
{
    EXPECT_EQ(RetransmitJitterUs(0), -1000000);
    EXPECT_EQ(RetransmitJitterUs(1000000), 0);
    EXPECT_EQ(RetransmitJitterUs(2000000), 1000000);
    EXPECT_EQ(RetransmitJitterUs(2000001), -1000000);  // wraps round, never past +1 s

    CLoadRandom random(7);
    int64_t low = 0, high = 0;
    unsigned below = 0, above = 0;
    const unsigned draws = 20000;
    for (unsigned i = 0; i < draws; ++i) {
        const int64_t j = RetransmitJitterUs(random.Next());
        ASSERT_GE(j, -kRetransmitJitterUs);
        ASSERT_LE(j, kRetransmitJitterUs);
        low = std::min(low, j);
        high = std::max(high, j);
        (j < 0 ? below : above) += 1;
    }
    // Clients must really spread out: both ends of the range are reached and neither half dominates.
    EXPECT_LT(low, -900000);
    EXPECT_GT(high, 900000);
    EXPECT_GT(below, draws * 45 / 100);
    EXPECT_GT(above, draws * 45 / 100);
}

}  // namespace
