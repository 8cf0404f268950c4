#include "CLoadRandom.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

namespace {

using Mac = std::array<uint8_t, kEthernetAddressSize>;

bool LocalUnicast(const Mac& mac)
{
    return (mac[0] & 0x01) == 0 && (mac[0] & 0x02) != 0;
}

TEST(LoadRandom, NumberedClientsAreDistinctLocalUnicastAddresses)
{
    std::set<Mac> seen;
    // Across every byte the index reaches: low, middle and top byte.
    for (uint32_t index : {0u, 1u, 255u, 256u, 65535u, 65536u, CLoadRandom::kMaxClients - 1}) {
        Mac mac;
        CLoadRandom::ClientMac(0xBEEF, index, mac.data());
        EXPECT_TRUE(LocalUnicast(mac)) << index;
        EXPECT_EQ(mac[1], 0xBE);
        EXPECT_EQ(mac[2], 0xEF);
        EXPECT_TRUE(seen.insert(mac).second) << "index " << index << " repeats an address";
    }
}

TEST(LoadRandom, RunsWithOtherTagsMeetOtherClients)
{
    Mac a, b;
    CLoadRandom::ClientMac(1, 7, a.data());
    CLoadRandom::ClientMac(2, 7, b.data());
    EXPECT_NE(a, b);
}

TEST(LoadRandom, RandomAddressesAreLocalUnicastAndVary)
{
    CLoadRandom random(7);
    std::set<Mac> seen;
    for (int i = 0; i < 1000; ++i) {
        Mac mac;
        random.RandomMac(mac.data());
        ASSERT_TRUE(LocalUnicast(mac)) << i;
        seen.insert(mac);
    }
    // 46 random bits each: a repeat among a thousand is a one in 10^8 event, not bad luck.
    EXPECT_EQ(seen.size(), 1000u);
}

TEST(LoadRandom, ASeedRepeatsItsSequenceAndAnotherDoesNot)
{
    CLoadRandom a(123), b(123), c(124);
    for (int i = 0; i < 100; ++i) {
        const uint64_t x = a.Next();
        EXPECT_EQ(x, b.Next());
        EXPECT_NE(x, c.Next());
    }
}

}  // namespace
