#include "VdhcpTable.h"

#include <gtest/gtest.h>

#include "AuxBytes.h"
#include "testing/FakeSystem.h"
#include "testing/FakeTdiStack.h"

namespace {

const std::vector<uint8_t> kMac = {0x00, 0x60, 0x08, 0xAB, 0xCD, 0xEF};

TEST(ParseVdhcpProbe, SizeFromTheFirstFourBytes)
{
    uint32_t size = 0;
    const uint8_t probe[] = {0x3C, 0x01, 0, 0};
    ASSERT_TRUE(ParseVdhcpProbe(probe, sizeof probe, size));
    EXPECT_EQ(size, 0x13Cu);
    const uint8_t zero[] = {0, 0, 0, 0};
    EXPECT_FALSE(ParseVdhcpProbe(zero, sizeof zero, size));
    const uint8_t huge[] = {0, 0, 0, 0x80};
    EXPECT_FALSE(ParseVdhcpProbe(huge, sizeof huge, size));
    EXPECT_FALSE(ParseVdhcpProbe(probe, 3, size));
}

TEST(ParseVdhcpReply, EntriesWithHardwareAndServers)
{
    const std::vector<uint8_t> reply =
        BuildVdhcpReply({{kMac, Ip(192, 168, 0, 10), {Ip(192, 168, 0, 1), Ip(192, 168, 0, 2)}},
                         {{1, 2, 3, 4, 5, 6}, Ip(10, 1, 1, 1), {}}});
    const std::vector<VdhcpLease> leases = ParseVdhcpReply(reply.data(), reply.size());
    ASSERT_EQ(leases.size(), 2u);
    EXPECT_EQ(leases[0].leasedAddress, Ip(192, 168, 0, 10));
    EXPECT_EQ(leases[0].dnsServers, (std::vector<uint32_t>{Ip(192, 168, 0, 1), Ip(192, 168, 0, 2)}));
    // The hardware bytes run on into what follows them in the reply, up to 8.
    ASSERT_EQ(leases[0].hardware.size(), kVdhcpHardwareMax);
    EXPECT_EQ(std::vector<uint8_t>(leases[0].hardware.begin(), leases[0].hardware.begin() + 6), kMac);
    EXPECT_TRUE(leases[1].dnsServers.empty());
}

TEST(ParseVdhcpReply, CountBeyondTheEntriesPresent)
{
    std::vector<uint8_t> reply = BuildVdhcpReply({{kMac, Ip(10, 0, 0, 1), {}}});
    StoreLe32(reply.data(), 1000);
    EXPECT_EQ(ParseVdhcpReply(reply.data(), reply.size()).size(), 1u);
    EXPECT_TRUE(ParseVdhcpReply(reply.data(), kVdhcpEntries + kVdhcpEntrySize - 1).empty());
    EXPECT_TRUE(ParseVdhcpReply(reply.data(), 3).empty());
}

TEST(ParseVdhcpReply, PointersOutsideTheReplyGiveNothing)
{
    std::vector<uint8_t> reply = BuildVdhcpReply({{kMac, Ip(10, 0, 0, 1), {Ip(10, 0, 0, 53)}}});
    StoreLe32(&reply[kVdhcpEntries + kVdhcpEntryHardwareOffset], 0xFFFFFFF0u);
    StoreLe32(&reply[kVdhcpEntries + kVdhcpEntryDnsOffset], 0xFFFFFFFEu);
    const std::vector<VdhcpLease> leases = ParseVdhcpReply(reply.data(), reply.size());
    ASSERT_EQ(leases.size(), 1u);
    EXPECT_TRUE(leases[0].hardware.empty());
    EXPECT_TRUE(leases[0].dnsServers.empty());
    // A list length running past the end is not read either.
    reply = BuildVdhcpReply({{kMac, Ip(10, 0, 0, 1), {Ip(10, 0, 0, 53)}}});
    StoreLe32(&reply[kVdhcpEntries + kVdhcpEntryDnsLength], 8);
    EXPECT_TRUE(ParseVdhcpReply(reply.data(), reply.size())[0].dnsServers.empty());
}

TEST(VdhcpLookups, HardwareComparedOverTheInterfaceLength)
{
    const std::vector<uint8_t> reply = BuildVdhcpReply({{kMac, Ip(10, 0, 0, 1), {}}});
    const std::vector<VdhcpLease> leases = ParseVdhcpReply(reply.data(), reply.size());
    EXPECT_TRUE(VdhcpHasHardware(leases, kMac.data(), 6));
    const uint8_t other[] = {0x00, 0x60, 0x08, 0xAB, 0xCD, 0xEE};
    EXPECT_FALSE(VdhcpHasHardware(leases, other, 6));
    EXPECT_TRUE(VdhcpHasHardware(leases, other, 5));
    // An interface with no hardware address compares no bytes.
    EXPECT_TRUE(VdhcpHasHardware(leases, other, 0));
    EXPECT_FALSE(VdhcpHasHardware({}, other, 0));
}

TEST(VdhcpLookups, FirstLeaseOfAnAddress)
{
    const std::vector<uint8_t> reply =
        BuildVdhcpReply({{kMac, Ip(10, 0, 0, 1), {Ip(1, 1, 1, 1)}}, {kMac, Ip(10, 0, 0, 1), {Ip(2, 2, 2, 2)}}});
    const std::vector<VdhcpLease> leases = ParseVdhcpReply(reply.data(), reply.size());
    const VdhcpLease* lease = VdhcpLeaseOf(leases, Ip(10, 0, 0, 1));
    ASSERT_NE(lease, nullptr);
    EXPECT_EQ(lease->dnsServers, (std::vector<uint32_t>{Ip(1, 1, 1, 1)}));
    EXPECT_EQ(VdhcpLeaseOf(leases, Ip(10, 0, 0, 2)), nullptr);
}

}  // namespace
