// CIcmpProbe under Wine: Icmp.dll found and used, and what a probe without the facility says.
#include "CIcmpProbe.h"

#include <gtest/gtest.h>

#include "DhcpTestSupport.h"

using dhcptest::Ip;

namespace {

TEST(IcmpProbeWineTest, WithoutTheLibraryEveryCandidateCountsAsNotAnswering)
{
    CIcmpProbe probe;
    EXPECT_FALSE(probe.Loaded());
    EXPECT_FALSE(probe.Usable());
    EXPECT_FALSE(probe.Answers(Ip(127, 0, 0, 1)));
}

TEST(IcmpProbeWineTest, LoadsOnceAndHearsTheLoopbackAnswer)
{
    CIcmpProbe probe;
    ASSERT_TRUE(probe.Load());
    EXPECT_TRUE(probe.Usable());
    const HMODULE loaded = GetModuleHandleA("Icmp.dll");
    EXPECT_NE(nullptr, loaded);
    EXPECT_TRUE(probe.Load()) << "a second load keeps the first";
    EXPECT_EQ(loaded, GetModuleHandleA("Icmp.dll"));

    const DWORD t0 = GetTickCount();
    EXPECT_TRUE(probe.Answers(Ip(127, 0, 0, 1)));
    EXPECT_LT(GetTickCount() - t0, kIcmpProbeTimeoutMs) << "a live address answers well inside the time-out";
}

}  // namespace
