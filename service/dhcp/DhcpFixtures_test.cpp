// The captured datagrams of real clients (tests/fixtures/dhcp, capture.sh) through the server core: each
// passes the checks as its type says, and each client's conversation, replayed in order, gets the
// answers it got from this very core in the lab.
#include "DhcpFixtures.h"

#include <gtest/gtest.h>

#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

constexpr uint32_t kLabServer = Ip(10, 77, 0, 1);

uint8_t TypeOfName(const std::string& name)
{
    struct Word {
        const char* word;
        uint8_t type;
    };
    const Word words[] = {{"-discover", DHCPDISCOVER}, {"-request", DHCPREQUEST}, {"-decline", DHCPDECLINE},
                          {"-release", DHCPRELEASE},   {"-inform", DHCPINFORM},   {"-notype", 0}};
    for (const Word& w : words) {
        const std::string suffix = w.word;
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            return w.type;
        }
    }
    return 0xFF;
}

TEST(DhcpFixtures, EveryClientIsOnRecord)
{
    for (const char* scenario : {"udhcpc", "udhcpc-decline", "dhclient", "dhcpcd", "dhcpcd-dnsmasq", "networkd"}) {
        EXPECT_FALSE(DhcpScenarioFixtures(scenario).empty()) << scenario;
    }
}

TEST(DhcpFixtures, EachPassesTheChecksAsItsTypeSays)
{
    ASSERT_GT(kDhcpFixtureCount, 0u);
    for (size_t i = 0; i < kDhcpFixtureCount; ++i) {
        const std::string name = kDhcpFixtures[i].name;
        SCOPED_TRACE(name);
        const std::vector<uint8_t> bytes = DhcpFixtureBytes(kDhcpFixtures[i].text);
        ASSERT_GE(bytes.size(), 240u);
        FakeTrace sink;
        DhcpServerContext context(&sink);
        CDHCPPacket packet(context, bytes.data(), bytes.size());
        const uint8_t want = TypeOfName(name);
        ASSERT_NE(0xFF, want);
        EXPECT_EQ(want, packet.CheckRequest());
        if (want != 0) {
            // The whole option area was walked: the dump reached END.
            EXPECT_EQ("DHCP Option = 255 - DHO_END", sink.lines.back());
        }
    }
}

struct Expect {
    uint8_t reply;         ///< 0: no reply
    uint32_t destination;  ///< where the reply goes
    uint32_t yiaddr;
};

struct Replay {
    const char* scenario;
    uint32_t firstFree;  ///< the lab's first free address at the time: lower ones answer the probe here
    std::vector<Expect> expect;
    /// The client's entry at the end: its address, and whether a lease runs.
    uint32_t finalAddress;
    bool finalLease;
};

TEST(DhcpFixtures, ConversationsReplayAsInTheLab)
{
    const uint32_t bcast = kDhcpBroadcastAddress;
    const Replay replays[] = {
        {"udhcpc",
         Ip(10, 77, 0, 4),
         {{DHCPOFFER, bcast, Ip(10, 77, 0, 4)},
          {DHCPACK, bcast, Ip(10, 77, 0, 4)},
          {DHCPACK, Ip(10, 77, 0, 4), Ip(10, 77, 0, 4)},  // the renewal goes to ciaddr
          {0, 0, 0}},
         0,
         false},
        {"udhcpc-decline",
         Ip(10, 77, 0, 2),
         {{DHCPOFFER, bcast, Ip(10, 77, 0, 2)},
          {DHCPACK, bcast, Ip(10, 77, 0, 2)},
          {0, 0, 0},
          {DHCPOFFER, bcast, Ip(10, 77, 0, 3)},
          {DHCPACK, bcast, Ip(10, 77, 0, 3)}},
         Ip(10, 77, 0, 3),
         true},
        // No option 61: recognised by the hardware address alone, through reboot and release.
        {"dhclient",
         Ip(10, 77, 0, 4),
         {{DHCPOFFER, bcast, Ip(10, 77, 0, 4)},
          {DHCPACK, bcast, Ip(10, 77, 0, 4)},
          {DHCPACK, bcast, Ip(10, 77, 0, 4)},
          {0, 0, 0}},
         0,
         false},
        // dhcpcd sends 50 in front of 53 in the REQUEST that takes an offer; with the type moved to the front
        // it is served like any other. The capture holds a second REQUEST (sent while the server still
        // dropped the first), which finds no open offer any more; the INFORM is answered.
        {"dhcpcd",
         Ip(10, 77, 0, 4),
         {{DHCPOFFER, bcast, Ip(10, 77, 0, 4)}, {DHCPACK, bcast, Ip(10, 77, 0, 4)}, {0, 0, 0}, {DHCPACK, bcast, 0}},
         Ip(10, 77, 0, 4),
         true},
        // The same client against dnsmasq: its rebinding REQUEST (53 first) then finds no entry here.
        {"dhcpcd-dnsmasq",
         Ip(10, 77, 0, 2),
         {{DHCPOFFER, bcast, Ip(10, 77, 0, 2)}, {0, 0, 0}, {DHCPNAK, bcast, 0}, {0, 0, 0}, {DHCPACK, bcast, 0}},
         0,
         false},
        // networkd's RELEASE carries no server identifier: it changes nothing, the lease runs out instead.
        {"networkd",
         Ip(10, 77, 0, 4),
         {{DHCPOFFER, bcast, Ip(10, 77, 0, 4)}, {DHCPACK, bcast, Ip(10, 77, 0, 4)}, {0, 0, 0}},
         Ip(10, 77, 0, 4),
         true},
    };
    for (const Replay& r : replays) {
        SCOPED_TRACE(r.scenario);
        const auto fixtures = DhcpScenarioFixtures(r.scenario);
        ASSERT_EQ(r.expect.size(), fixtures.size());
        CoreRig rig;
        rig.settings.serverAddress = kLabServer;
        rig.settings.network = Ip(10, 77, 0, 0);
        rig.core->Configure(rig.settings);
        for (unsigned h = 2; h < DhcpAddressOctet(r.firstFree, 3); ++h) {
            rig.probe.answering.insert(Ip(10, 77, 0, h));
        }
        for (size_t i = 0; i < fixtures.size(); ++i) {
            SCOPED_TRACE(fixtures[i].first);
            const size_t before = rig.sender.sent.size();
            rig.Handle(fixtures[i].second);
            const Expect& e = r.expect[i];
            if (e.reply == 0) {
                EXPECT_EQ(before, rig.sender.sent.size());
                continue;
            }
            ASSERT_EQ(before + 1, rig.sender.sent.size());
            const SentReply& sent = rig.sender.sent.back();
            EXPECT_EQ(e.reply, sent.bytes[kDhcpTypeValueOffset]);
            EXPECT_EQ(e.destination, sent.address);
            EXPECT_EQ(e.yiaddr, ReplyWord(sent.bytes, kDhcpYiaddrOffset));
            // The reply answers this client: its xid and hardware address.
            EXPECT_EQ(0, std::memcmp(&sent.bytes[kDhcpXidOffset], &fixtures[i].second[kDhcpXidOffset], 4));
            EXPECT_EQ(0, std::memcmp(&sent.bytes[kDhcpChaddrOffset], &fixtures[i].second[kDhcpChaddrOffset], 16));
            const std::vector<int> tags = OptionTags(sent.bytes);
            EXPECT_EQ(DHO_END, tags.back());
            if (e.reply == DHCPOFFER || (e.reply == DHCPACK && e.yiaddr != 0)) {
                for (int must : {DHO_ROUTERS, DHO_DHCP_SERVER_IDENTIFIER, DHO_DHCP_LEASE_TIME, DHO_DHCP_RENEWAL_TIME}) {
                    EXPECT_NE(tags.end(), std::find(tags.begin(), tags.end(), must)) << "option " << must;
                }
            }
        }
        // The entry of the client itself (not the DECLINE placeholder, whose hardware type is 0).
        const std::vector<DhcpClientEntry> clients = rig.core->ClientEntries();
        const DhcpClientEntry* own = nullptr;
        for (const DhcpClientEntry& c : clients) {
            if (c.hdwrAddr.chType == 1) {
                own = &c;
            }
        }
        if (r.expect[1].reply == DHCPACK && r.finalAddress == 0 && !r.finalLease) {
            EXPECT_EQ(nullptr, own) << "the released entry held nothing any more and should be gone";
        } else if (r.expect[1].reply == DHCPACK) {
            ASSERT_NE(nullptr, own);
            EXPECT_EQ(r.finalAddress, own->inAddr);
            EXPECT_EQ(r.finalLease, own->leaseStart != 0);
        } else {
            EXPECT_EQ(nullptr, own) << "no lease was ever recorded";
        }
    }
}

}  // namespace
