#include "CDhcpServerCore.h"

#include <gtest/gtest.h>

#include "CDhcpClientDatabase.h"
#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

constexpr uint32_t kServer = Ip(192, 168, 0, 1);

// A client with option 61 (type 1 and its MAC, as udhcpc sends it) and the usual parameter list.
MessageBuilder Client(uint8_t type, uint8_t macLast = 0x55)
{
    MessageBuilder m(type);
    m.MacByte(macLast).ClientId({1, 0x00, 0x11, 0x22, 0x33, 0x44, macLast}).Params({1, 3, 6, 15, 51});
    return m;
}

DhcpClientEntry Entry(uint8_t macLast, uint32_t address, uint32_t leaseStart, uint32_t leaseTime = 900)
{
    DhcpClientEntry e;
    const uint8_t id[] = {1, 0x00, 0x11, 0x22, 0x33, 0x44, macLast};
    e.idId.Assign(id, sizeof(id));
    const uint8_t name[] = {'h', 'o', 's', 't'};
    e.idHostname.Assign(name, sizeof(name));
    e.hdwrAddr.chType = 1;
    e.hdwrAddr.chLen = 6;
    const uint8_t mac[] = {0x00, 0x11, 0x22, 0x33, 0x44, macLast};
    std::memcpy(e.hdwrAddr.bytes, mac, sizeof(mac));
    e.inAddr = address;
    e.leaseStart = leaseStart;
    e.leaseTime = leaseTime;
    return e;
}

// DISCOVER then the REQUEST that takes the offer: the client then holds a lease.
uint32_t Lease(CoreRig& rig, uint8_t macLast)
{
    rig.Handle(Client(DHCPDISCOVER, macLast).Build());
    const uint32_t offered = ReplyWord(rig.LastReply(), kDhcpYiaddrOffset);
    rig.Handle(Client(DHCPREQUEST, macLast)
                   .Address(DHO_DHCP_SERVER_IDENTIFIER, kServer)
                   .Address(DHO_DHCP_REQUESTED_ADDRESS, offered)
                   .Build());
    return offered;
}

TEST(CDhcpServerCore, OfferCarriesTheRequestedOptionsThenServerOptions)
{
    CoreRig rig;
    rig.Handle(Client(DHCPDISCOVER).Build());
    ASSERT_EQ(1u, rig.sender.sent.size());
    const SentReply& sent = rig.sender.sent[0];
    EXPECT_EQ(kDhcpBroadcastAddress, sent.address);
    EXPECT_EQ(kDhcpClientPort, sent.port);
    EXPECT_EQ(300u, sent.bytes.size());
    EXPECT_EQ(DHCPOFFER, sent.bytes[kDhcpTypeValueOffset]);
    EXPECT_EQ((std::vector<int>{1, 3, 6, 15, 51, 58, 54, 255}), OptionTags(sent.bytes));
    EXPECT_EQ(Ip(192, 168, 0, 2), ReplyWord(sent.bytes, kDhcpYiaddrOffset));
    EXPECT_EQ(kServer, ReplyWord(sent.bytes, kDhcpSiaddrOffset));
    EXPECT_EQ(0, std::memcmp(&sent.bytes[kDhcpSnameOffset], "BASE", 5));
    EXPECT_TRUE(rig.trace.Has("------ Discover -------"));
    EXPECT_TRUE(rig.trace.Has("CDHCPPacket::AddOffer() for 192.168.0.2"));
    EXPECT_TRUE(rig.trace.Has("=========== Sending Packet"));
    EXPECT_TRUE(rig.trace.Has("Sending Response to ffffffff"));
    ASSERT_EQ(1u, rig.core->OfferEntries().size());
    EXPECT_EQ(rig.clock.now, rig.core->OfferEntries()[0].offerTime);
}

TEST(CDhcpServerCore, ServerOptionsByParameterList)
{
    struct Case {
        const char* name;
        MessageBuilder message;
        std::vector<int> wantTags;
    };
    const Case cases[] = {
        {"no list: only 54, 51, 58", MessageBuilder(DHCPDISCOVER), {54, 51, 58, 255}},
        {"54 and 51 listed", MessageBuilder(DHCPDISCOVER).Params({54, 51}), {54, 51, 58, 3, 255}},
        {"51 without 58", MessageBuilder(DHCPDISCOVER).Params({51, 1}), {51, 58, 1, 3, 54, 255}},
        {"list without 3", MessageBuilder(DHCPDISCOVER).Params({1, 6}), {1, 6, 3, 54, 51, 58, 255}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoreRig rig;
        rig.Handle(c.message.Build());
        EXPECT_EQ(c.wantTags, OptionTags(rig.LastReply()));
    }
}

TEST(CDhcpServerCore, OfferAndAckDestinations)
{
    struct Case {
        uint32_t ciaddr, giaddr, want;
    };
    const Case cases[] = {
        {0, 0, kDhcpBroadcastAddress},
        {Ip(192, 168, 0, 77), 0, Ip(192, 168, 0, 77)},
        {Ip(192, 168, 0, 77), Ip(10, 1, 1, 1), kDhcpBroadcastAddress},
        {Ip(8, 8, 8, 8), 0, kDhcpBroadcastAddress},
    };
    for (const Case& c : cases) {
        CoreRig rig;
        rig.Handle(Client(DHCPDISCOVER).Ciaddr(c.ciaddr).Giaddr(c.giaddr).Build());
        ASSERT_EQ(1u, rig.sender.sent.size());
        EXPECT_EQ(c.want, rig.sender.sent[0].address);
        const uint32_t offered = ReplyWord(rig.LastReply(), kDhcpYiaddrOffset);
        rig.Handle(
            Client(DHCPREQUEST).Ciaddr(c.ciaddr).Giaddr(c.giaddr).Address(54, kServer).Address(50, offered).Build());
        ASSERT_EQ(2u, rig.sender.sent.size());
        EXPECT_EQ(DHCPACK, rig.LastReply()[kDhcpTypeValueOffset]);
        EXPECT_EQ(c.want, rig.sender.sent[1].address);
    }
}

TEST(CDhcpServerCore, PoolEdges)
{
    // Pool 1..253 with the server on .1: the first client gets .2; with the server elsewhere, .1.
    struct Case {
        uint32_t server;
        uint32_t want;
    };
    const Case cases[] = {{Ip(192, 168, 0, 1), Ip(192, 168, 0, 2)}, {Ip(192, 168, 0, 254), Ip(192, 168, 0, 1)}};
    for (const Case& c : cases) {
        CoreRig rig;
        rig.settings.lowAddress = 1;
        rig.settings.highAddress = 254;
        rig.settings.serverAddress = c.server;
        rig.core->Configure(rig.settings);
        EXPECT_EQ(c.want, rig.core->ReserveAddress());
    }
    // Every host number up to 253 can be handed out, 254 never.
    CoreRig rig;
    rig.settings.lowAddress = 1;
    rig.settings.highAddress = 254;
    rig.core->Configure(rig.settings);
    for (unsigned h = 2; h <= 252; ++h) {
        ASSERT_TRUE(rig.core->AddClientEntry(Entry(static_cast<uint8_t>(h), Ip(192, 168, 0, h), rig.clock.now)));
    }
    rig.probe.answering.insert(Ip(192, 168, 0, 1));
    EXPECT_EQ(Ip(192, 168, 0, 253), rig.core->ReserveAddress());
    rig.core->AddClientEntry(Entry(253, Ip(192, 168, 0, 253), rig.clock.now));
    rig.probe.answerAll = true;
    rig.probe.probed.clear();
    EXPECT_EQ(kDhcpNoAddress, rig.core->ReserveAddress());
    for (uint32_t a : rig.probe.probed) {
        EXPECT_NE(Ip(192, 168, 0, 254), a);
        EXPECT_NE(kServer, a);
    }
}

TEST(CDhcpServerCore, FirstPassSkipsHeldAndAnsweringAddresses)
{
    CoreRig rig;
    // .2 held by a lease that ran out long ago, .3 by an open offer, .4 answers the probe.
    rig.core->AddClientEntry(Entry(0x02, Ip(192, 168, 0, 2), 0, 0));
    rig.Handle(Client(DHCPDISCOVER, 0x03).Build());
    EXPECT_EQ(Ip(192, 168, 0, 3), ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));
    rig.probe.answering.insert(Ip(192, 168, 0, 4));
    rig.probe.probed.clear();
    EXPECT_EQ(Ip(192, 168, 0, 5), rig.core->ReserveAddress());
    EXPECT_EQ((std::vector<uint32_t>{Ip(192, 168, 0, 4), Ip(192, 168, 0, 5)}), rig.probe.probed);
}

TEST(CDhcpServerCore, FullPoolTakesBackTheAddressOfASilentHolder)
{
    CoreRig rig;
    rig.settings.lowAddress = 10;
    rig.settings.highAddress = 14;  // .10 .. .13
    rig.core->Configure(rig.settings);
    // Leases that have ended (a running lease is never taken back: many computers answer no echo).
    for (unsigned h = 10; h <= 13; ++h) {
        rig.core->AddClientEntry(Entry(static_cast<uint8_t>(h), Ip(192, 168, 0, h), 0, 0));
    }
    rig.probe.answering = {Ip(192, 168, 0, 10), Ip(192, 168, 0, 11), Ip(192, 168, 0, 13)};
    rig.Handle(Client(DHCPDISCOVER, 0x99).Build());
    ASSERT_EQ(1u, rig.sender.sent.size());
    EXPECT_EQ(Ip(192, 168, 0, 12), ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));
    const std::vector<DhcpClientEntry> clients = rig.core->ClientEntries();
    ASSERT_EQ(3u, clients.size()) << "the silent holder's entry, left with nothing, is gone";
    EXPECT_EQ(Ip(192, 168, 0, 11), clients[1].inAddr);
    EXPECT_EQ(Ip(192, 168, 0, 13), clients[2].inAddr);

    // Everybody answers: no address, no reply.
    rig.probe.answerAll = true;
    rig.Handle(Client(DHCPDISCOVER, 0x98).Build());
    EXPECT_EQ(1u, rig.sender.sent.size());
    EXPECT_EQ("Unable to reserve address for DHCPOFFER!", rig.trace.lines.back());
}

TEST(CDhcpServerCore, ExpiredLeaseKeepsItsAddressForItsClient)
{
    CoreRig rig;
    rig.core->AddClientEntry(Entry(0x55, Ip(192, 168, 0, 40), rig.clock.now, 900));
    rig.clock.now += 900;
    rig.core->ExpireLeases();
    // Another client does not get .40 in the first pass ...
    EXPECT_NE(Ip(192, 168, 0, 40), rig.core->ReserveAddress());
    // ... and the client itself gets it again.
    rig.Handle(Client(DHCPDISCOVER, 0x55).Build());
    EXPECT_EQ(Ip(192, 168, 0, 40), ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));
}

TEST(CDhcpServerCore, DiscoverOffersTheRunningLeaseUnlessItAnswers)
{
    CoreRig rig;
    rig.core->AddClientEntry(Entry(0x55, Ip(192, 168, 0, 40), rig.clock.now));
    rig.Handle(Client(DHCPDISCOVER).Build());
    EXPECT_EQ(Ip(192, 168, 0, 40), ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));

    CoreRig taken;
    taken.core->AddClientEntry(Entry(0x55, Ip(192, 168, 0, 40), taken.clock.now));
    taken.probe.answering.insert(Ip(192, 168, 0, 40));
    taken.Handle(Client(DHCPDISCOVER).Build());
    EXPECT_EQ(Ip(192, 168, 0, 2), ReplyWord(taken.LastReply(), kDhcpYiaddrOffset));
}

TEST(CDhcpServerCore, SecondDiscoverRefreshesTheOpenOffer)
{
    CoreRig rig;
    rig.Handle(Client(DHCPDISCOVER).Build());
    const uint32_t first = ReplyWord(rig.LastReply(), kDhcpYiaddrOffset);
    rig.clock.now += 100;
    rig.Handle(Client(DHCPDISCOVER).Build());
    EXPECT_EQ(first, ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));
    EXPECT_TRUE(rig.trace.Has("Found open offer client"));
    ASSERT_EQ(1u, rig.core->OfferEntries().size());
    EXPECT_EQ(rig.clock.now, rig.core->OfferEntries()[0].offerTime);
    EXPECT_EQ(1, rig.trace.CountOf("CDHCPPacket::AddOffer() for 192.168.0.2"));
}

TEST(CDhcpServerCore, OpenOfferWhoseAddressAnswersMovesToAFreshAddress)
{
    CoreRig rig;
    rig.Handle(Client(DHCPDISCOVER).Build());
    rig.probe.answering.insert(Ip(192, 168, 0, 2));
    rig.Handle(Client(DHCPDISCOVER).Build());
    EXPECT_EQ(Ip(192, 168, 0, 3), ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));
    ASSERT_EQ(1u, rig.core->OfferEntries().size());
    EXPECT_EQ(Ip(192, 168, 0, 3), rig.core->OfferEntries()[0].inAddr);
}

TEST(CDhcpServerCore, OfferExpiry)
{
    CoreRig rig;
    const uint32_t t = rig.clock.now;
    rig.Handle(Client(DHCPDISCOVER).Build());
    rig.clock.now = t + 179;
    rig.core->ExpireOffers();
    EXPECT_EQ(1u, rig.core->OfferEntries().size());
    rig.clock.now = t + 180;
    rig.core->ExpireOffers();
    EXPECT_EQ(0u, rig.core->OfferEntries().size());
}

TEST(CDhcpServerCore, LeaseExpiry)
{
    struct Case {
        uint32_t leaseTime;
        uint32_t after;
        bool ended;
    };
    const Case cases[] = {
        {900, 899, false},
        {900, 900, true},
        {900, 5000, true},
        {0xFFFFFFFFu, 0x7FFFFFFFu, false},
        // A long lease whose end lies beyond the 32-bit clock does not wrap into the past.
        {0xFFFFFFF0u, 10, false},
    };
    for (const Case& c : cases) {
        CoreRig rig(true);
        const uint32_t t = rig.clock.now;
        rig.core->AddClientEntry(Entry(0x55, Ip(192, 168, 0, 40), t, c.leaseTime));
        rig.core->AddClientEntry(Entry(0x56, Ip(192, 168, 0, 41), 0, 0));
        rig.clock.now = t + c.after;
        rig.core->ExpireLeases();
        const std::vector<DhcpClientEntry> clients = rig.core->ClientEntries();
        EXPECT_EQ(c.ended ? 0u : t, clients[0].leaseStart) << c.leaseTime << "+" << c.after;
        EXPECT_EQ(Ip(192, 168, 0, 40), clients[0].inAddr) << "the address stays";
        EXPECT_EQ(c.ended ? 1u : 0u, rig.sender.sent.size());
        EXPECT_EQ(c.ended ? 1u : 0u, rig.provider.calls.size());
        if (c.ended) {
            EXPECT_EQ(0u, clients[0].leaseTime);
            EXPECT_EQ("release", rig.provider.calls[0].what);
            EXPECT_EQ(6, rig.provider.calls[0].length);
            EXPECT_EQ(0x55, rig.provider.calls[0].hardware[5]);
            const std::vector<uint8_t>& nak = rig.sender.sent[0].bytes;
            EXPECT_EQ(kDhcpBroadcastAddress, rig.sender.sent[0].address);
            EXPECT_EQ(DHCPNAK, nak[kDhcpTypeValueOffset]);
            EXPECT_EQ(0u, ReplyWord(nak, kDhcpXidOffset));
            EXPECT_EQ(0x55, nak[kDhcpChaddrOffset + 5]);
            EXPECT_EQ((std::vector<int>{54, 255}), OptionTags(nak));
            EXPECT_TRUE(rig.trace.Has("------ NackIt Client Lease -------"));
        }
    }
}

TEST(CDhcpServerCore, RequestTakesTheOffer)
{
    CoreRig rig(true);
    const uint32_t address = Lease(rig, 0x55);
    ASSERT_EQ(2u, rig.sender.sent.size());
    const std::vector<uint8_t>& ack = rig.sender.sent[1].bytes;
    EXPECT_EQ(DHCPACK, ack[kDhcpTypeValueOffset]);
    EXPECT_EQ(address, ReplyWord(ack, kDhcpYiaddrOffset));
    EXPECT_EQ((std::vector<int>{1, 3, 6, 15, 51, 58, 54, 255}), OptionTags(ack));
    EXPECT_EQ(0u, rig.core->OfferEntries().size());
    const std::vector<DhcpClientEntry> clients = rig.core->ClientEntries();
    ASSERT_EQ(1u, clients.size());
    EXPECT_EQ(address, clients[0].inAddr);
    EXPECT_EQ(rig.clock.now, clients[0].leaseStart);
    EXPECT_EQ(900u, clients[0].leaseTime);
    EXPECT_EQ(1u, clients[0].internetAccess);
    EXPECT_TRUE(rig.trace.Has("Adding NEW client entry: id: 01 00 11 22 33 44 55 "));
    EXPECT_TRUE(rig.trace.Has("hostname:  "));
    EXPECT_TRUE(rig.trace.Has("hardware addr: 00 11 22 33 44 55 00 00 00 00 00 00 00 00 00 00"));
    EXPECT_TRUE(rig.trace.Has("Sending Acking, Internet Access = 1"));
    EXPECT_EQ(1u, rig.files.files.count("/db/Ombrix.dhcp")) << "recording a lease saves the table";
    // authorise at the DISCOVER, then lease after the ACK.
    ASSERT_EQ(2u, rig.provider.calls.size());
    EXPECT_EQ("authorise", rig.provider.calls[0].what);
    EXPECT_EQ("lease", rig.provider.calls[1].what);
    EXPECT_EQ(address, rig.provider.calls[1].address);

    // A second lease for the same client updates its entry.
    rig.clock.now += 10;
    Lease(rig, 0x55);
    EXPECT_EQ(1u, rig.core->ClientEntries().size());
    EXPECT_TRUE(rig.trace.Has("Updating EXISTING client entry: id: 01 00 11 22 33 44 55 "));
}

TEST(CDhcpServerCore, RequestsThatDoNotTakeTheOffer)
{
    struct Case {
        const char* name;
        MessageBuilder request;
        bool offerStays;
        std::vector<std::string> wantTraces;
    };
    const Case cases[] = {
        {"another server",
         Client(DHCPREQUEST).Address(54, Ip(192, 168, 0, 99)).Address(50, Ip(192, 168, 0, 2)),
         false,
         {}},
        {"another address",
         Client(DHCPREQUEST).Address(54, kServer).Address(50, Ip(192, 168, 0, 77)),
         true,
         {"Address mismatch, DHCPOFFER to DHCPREQUEST!",
          "pRequestAddrOpt->addr = 192.168.0.77: ", "pOffer->inAddr = 200a8c0: "}},
        {"no requested address",
         Client(DHCPREQUEST).Address(54, kServer),
         true,
         {"Address mismatch, DHCPOFFER to DHCPREQUEST!", "pOffer->inAddr = 200a8c0: "}},
        {"no offer",
         Client(DHCPREQUEST, 0x77).Address(54, kServer).Address(50, Ip(192, 168, 0, 2)),
         true,
         {"Cannot find DHCPOFFER match for this DHCPREQUEST!"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoreRig rig;
        rig.Handle(Client(DHCPDISCOVER).Build());
        rig.trace.lines.clear();
        rig.Handle(c.request.Build());
        EXPECT_EQ(1u, rig.sender.sent.size()) << "no reply";
        EXPECT_EQ(c.offerStays ? 1u : 0u, rig.core->OfferEntries().size());
        EXPECT_EQ(0u, rig.core->ClientEntries().size());
        std::vector<std::string> tail(rig.trace.lines.end() - c.wantTraces.size(), rig.trace.lines.end());
        EXPECT_EQ(c.wantTraces, tail);
        EXPECT_EQ("------Request-------", rig.trace.lines[rig.trace.lines.size() - c.wantTraces.size() - 1]);
    }
}

TEST(CDhcpServerCore, Renewals)
{
    struct Case {
        const char* name;
        MessageBuilder request;
        uint8_t wantType;
        const char* wantTrace;
    };
    const uint32_t leased = Ip(192, 168, 0, 2);
    const Case cases[] = {
        {"by ciaddr", Client(DHCPREQUEST).Ciaddr(leased), DHCPACK, "Extending Client lease"},
        {"by requested address", Client(DHCPREQUEST).Address(50, leased), DHCPACK, "Extending Client lease"},
        {"requested address wins over ciaddr", Client(DHCPREQUEST).Ciaddr(Ip(192, 168, 0, 9)).Address(50, leased),
         DHCPACK, "Extending Client lease"},
        {"wrong ciaddr", Client(DHCPREQUEST).Ciaddr(Ip(192, 168, 0, 9)), DHCPNAK,
         "Address mismatch, client database to DHCPREQUEST!"},
        {"unknown client", Client(DHCPREQUEST, 0x01).Ciaddr(leased).Mac({9, 9, 9, 9, 9, 9}), DHCPNAK,
         "Cannot find client configuration for this DHCPREQUEST."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoreRig rig(true);
        ASSERT_EQ(leased, Lease(rig, 0x55));
        rig.clock.now += 500;
        const size_t sentBefore = rig.sender.sent.size();
        rig.files.files.clear();
        rig.provider.calls.clear();
        rig.Handle(c.request.Build());
        ASSERT_EQ(sentBefore + 1, rig.sender.sent.size());
        const SentReply& reply = rig.sender.sent.back();
        EXPECT_EQ(c.wantType, reply.bytes[kDhcpTypeValueOffset]);
        EXPECT_TRUE(rig.trace.Has(c.wantTrace));
        const DhcpClientEntry entry = rig.core->ClientEntries()[0];
        if (c.wantType == DHCPACK) {
            EXPECT_EQ(rig.clock.now, entry.leaseStart);
            EXPECT_EQ(leased, ReplyWord(reply.bytes, kDhcpYiaddrOffset));
            EXPECT_EQ(1u, rig.files.files.count("/db/Ombrix.dhcp")) << "a renewal ACK saves";
            ASSERT_EQ(1u, rig.provider.calls.size());
            EXPECT_EQ("lease", rig.provider.calls[0].what);
        } else {
            EXPECT_EQ(rig.clock.now - 500, entry.leaseStart);
            EXPECT_EQ(kDhcpBroadcastAddress, reply.address);
            EXPECT_EQ((std::vector<int>{54, 255}), OptionTags(reply.bytes));
            EXPECT_EQ(0u, ReplyWord(reply.bytes, kDhcpCiaddrOffset));
            EXPECT_EQ(0u, ReplyWord(reply.bytes, kDhcpYiaddrOffset));
            EXPECT_EQ(0u, ReplyWord(reply.bytes, kDhcpSiaddrOffset));
            EXPECT_TRUE(rig.trace.Has("-------- Nack -------"));
            EXPECT_TRUE(rig.trace.Has("========== Sending Packet"));
            EXPECT_EQ(0u, rig.files.files.size());
            EXPECT_EQ(0u, rig.provider.calls.size());
        }
    }
}

TEST(CDhcpServerCore, ReleasedEntryIsNotRenewedWithAddressZero)
{
    CoreRig rig;
    Lease(rig, 0x55);
    rig.Handle(Client(DHCPRELEASE).Address(54, kServer).Build());
    rig.Handle(Client(DHCPREQUEST).Build());  // ciaddr 0, no 50: asks for 0.0.0.0
    EXPECT_EQ(DHCPNAK, rig.LastReply()[kDhcpTypeValueOffset]);
}

TEST(CDhcpServerCore, EveryAckLeavesAfterTheLeaseItGrantsIsOnDisk)
{
    // A new lease and a renewal alike: a crash right after the ACK must not forget what the client holds.
    CoreRig rig(true);
    int checked = 0;
    rig.sender.onSend = [&](const SentReply& reply) {
        if (reply.bytes[kDhcpTypeValueOffset] != DHCPACK) {
            return;
        }
        CDhcpClientTable onDisk;
        const std::vector<uint8_t>& file = rig.files.files["/db/Ombrix.dhcp"];
        CDhcpClientDatabase::Decode(file.data(), file.size(), &onDisk);
        ASSERT_EQ(1u, onDisk.Count()) << "the ACK left before its lease was saved";
        EXPECT_EQ(ReplyWord(reply.bytes, kDhcpYiaddrOffset), onDisk.At(0).inAddr);
        EXPECT_EQ(rig.clock.now, onDisk.At(0).leaseStart) << "the saved lease is not the one ACKed";
        ++checked;
    };
    Lease(rig, 0x55);
    rig.clock.now += 100;
    rig.Handle(Client(DHCPREQUEST).Ciaddr(Ip(192, 168, 0, 2)).Build());
    EXPECT_EQ(2, checked);
    int leases = 0;
    for (const ProviderCall& call : rig.provider.calls) {
        leases += call.what == "lease" ? 1 : 0;
    }
    EXPECT_EQ(2, leases) << "each ACK is followed by the lease notice";
}

TEST(CDhcpServerCore, AFailedAckIsNotToldToThePlugIn)
{
    CoreRig rig(true);
    Lease(rig, 0x55);
    rig.clock.now += 100;
    rig.provider.calls.clear();
    rig.sender.fail = true;
    rig.Handle(Client(DHCPREQUEST).Ciaddr(Ip(192, 168, 0, 2)).Build());
    EXPECT_EQ("Error sending DHCP Ack", rig.trace.lines.back());
    EXPECT_EQ(0u, rig.provider.calls.size());

    rig.Handle(Client(DHCPDISCOVER, 0x60).Build());
    EXPECT_EQ("Error sending DHCP Reply", rig.trace.lines.back());
}

TEST(CDhcpServerCore, ABatchSavesOnceThenSendsItsRepliesInOrder)
{
    CoreRig rig;
    for (uint8_t mac = 0x40; mac < 0x44; ++mac) {
        Lease(rig, mac);
    }
    rig.clock.now += 100;
    std::vector<std::vector<uint8_t>> datagrams;
    for (uint8_t mac = 0x40; mac < 0x44; ++mac) {
        datagrams.push_back(Client(DHCPREQUEST, mac).Ciaddr(Ip(192, 168, 0, 2 + (mac - 0x40))).Build());
    }
    datagrams.push_back(Client(DHCPREQUEST, 0x7F).Ciaddr(Ip(192, 168, 0, 90)).Build());  // unknown: NAK
    std::vector<std::unique_ptr<CDHCPPacket>> packets;
    std::vector<CDHCPPacket*> batch;
    for (const auto& d : datagrams) {
        packets.emplace_back(new CDHCPPacket(rig.core->Context(), d.data(), d.size()));
        batch.push_back(packets.back().get());
    }
    const int stepsBefore = rig.files.steps;
    const size_t sentBefore = rig.sender.sent.size();
    rig.core->HandleBatch(batch.data(), batch.size());
    EXPECT_EQ(4, rig.files.steps - stepsBefore) << "one create, write, flush and replace for the whole batch";
    ASSERT_EQ(sentBefore + 5, rig.sender.sent.size());
    for (size_t i = 0; i < 4; ++i) {
        const std::vector<uint8_t>& reply = rig.sender.sent[sentBefore + i].bytes;
        EXPECT_EQ(DHCPACK, reply[kDhcpTypeValueOffset]);
        EXPECT_EQ(0x40 + i, reply[kDhcpChaddrOffset + 5]) << "replies out of order";
    }
    EXPECT_EQ(DHCPNAK, rig.sender.sent.back().bytes[kDhcpTypeValueOffset]);
}

TEST(CDhcpServerCore, TheClientFileIsWrittenWithoutTheTableLock)
{
    // The console's client list takes the table lock: it must never wait for a disk flush.
    CoreRig rig;
    Lease(rig, 0x55);
    // Each in a second of its own: a save that would write the same bytes again is spared.
    rig.clock.now += 1;
    rig.Handle(Client(DHCPREQUEST).Ciaddr(Ip(192, 168, 0, 2)).Build());
    rig.clock.now += 1;
    rig.Handle(Client(DHCPDECLINE, 0x56).Address(50, Ip(192, 168, 0, 30)).Build());
    const int stepsBeforeStop = rig.files.steps;
    rig.core->SaveClientList();
    EXPECT_EQ(stepsBeforeStop, rig.files.steps) << "nothing changed since the decline's save";
    EXPECT_GE(rig.files.steps, 3 * 3) << "three saves, each a create, a write and a flush at least";
    EXPECT_EQ(0, rig.files.writesUnderTableLock);
    EXPECT_EQ(0, rig.lock.recursiveLocks);
    EXPECT_EQ(0, rig.saveLock.recursiveLocks);
}

TEST(CDhcpServerCore, DeclineParksTheAddress)
{
    CoreRig rig;
    rig.Handle(Client(DHCPDECLINE).Address(50, Ip(192, 168, 0, 2)).Build());
    EXPECT_EQ(0u, rig.sender.sent.size());
    EXPECT_TRUE(rig.trace.Has("-------Decline-------"));
    EXPECT_TRUE(rig.trace.Has("pRequestAddrOpt->addr = 192.168.0.2: "));
    EXPECT_TRUE(rig.trace.Has("Adding NEW client entry: id: 01 00 "));
    std::vector<DhcpClientEntry> clients = rig.core->ClientEntries();
    ASSERT_EQ(1u, clients.size());
    EXPECT_EQ(2, clients[0].idId.chLen);
    EXPECT_EQ(1, clients[0].idId.bytes[0]);
    EXPECT_EQ(0, clients[0].idId.bytes[1]);
    EXPECT_EQ(0, clients[0].idHostname.chLen);
    EXPECT_EQ(0, clients[0].hdwrAddr.chType);
    EXPECT_EQ(0, clients[0].hdwrAddr.chLen);
    EXPECT_EQ(Ip(192, 168, 0, 2), clients[0].inAddr);
    EXPECT_EQ(rig.clock.now, clients[0].leaseStart);
    EXPECT_EQ(900u, clients[0].leaseTime);
    EXPECT_EQ(1u, rig.files.files.count("/db/Ombrix.dhcp"));

    // The next client gets another address; a second DECLINE collapses into the same placeholder.
    rig.Handle(Client(DHCPDISCOVER, 0x70).Build());
    EXPECT_EQ(Ip(192, 168, 0, 3), ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));
    rig.Handle(Client(DHCPDECLINE, 0x70).Address(50, Ip(192, 168, 0, 3)).Build());
    clients = rig.core->ClientEntries();
    ASSERT_EQ(1u, clients.size());
    EXPECT_EQ(Ip(192, 168, 0, 3), clients[0].inAddr);

    // The client that declined does not get the declined address again, though its own entry still names
    // it: a holder that keeps silent to the probe would make it decline for ever.
    CoreRig loop;
    const uint32_t first = Lease(loop, 0x55);
    loop.Handle(Client(DHCPDECLINE).Address(50, first).Build());
    loop.Handle(Client(DHCPDISCOVER).Build());
    EXPECT_NE(first, ReplyWord(loop.LastReply(), kDhcpYiaddrOffset));

    // Without a requested address nothing happens.
    CoreRig bare;
    bare.Handle(Client(DHCPDECLINE).Build());
    EXPECT_EQ(0u, bare.core->ClientEntries().size());
}

TEST(CDhcpServerCore, Release)
{
    struct Case {
        const char* name;
        MessageBuilder release;
        bool released;
    };
    const Case cases[] = {
        {"with our server id", Client(DHCPRELEASE).Address(54, kServer).Address(50, Ip(192, 168, 0, 2)), true},
        {"without server id", Client(DHCPRELEASE).Ciaddr(Ip(192, 168, 0, 2)), false},
        {"another server", Client(DHCPRELEASE).Address(54, Ip(192, 168, 0, 9)), false},
        {"unknown client", Client(DHCPRELEASE, 0x01).Mac({7, 7, 7, 7, 7, 7}).Address(54, kServer), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoreRig rig(true);
        Lease(rig, 0x55);
        const size_t sent = rig.sender.sent.size();
        rig.provider.calls.clear();
        rig.files.files.clear();
        rig.Handle(c.release.Build());
        EXPECT_EQ(sent, rig.sender.sent.size()) << "a RELEASE gets no reply";
        // A released entry holds nothing any more and goes; otherwise it is as it was.
        const std::vector<DhcpClientEntry> entries = rig.core->ClientEntries();
        ASSERT_EQ(c.released ? 0u : 1u, entries.size());
        if (!c.released) {
            EXPECT_EQ(Ip(192, 168, 0, 2), entries[0].inAddr);
            EXPECT_EQ(rig.clock.now, entries[0].leaseStart);
            EXPECT_EQ(900u, entries[0].leaseTime);
        }
        EXPECT_EQ(c.released ? 1u : 0u, rig.provider.calls.size());
        EXPECT_EQ(0u, rig.files.files.size()) << "a RELEASE does not save";
        EXPECT_TRUE(rig.trace.Has("-------Release--------"));
    }
}

TEST(CDhcpServerCore, InformIsAnsweredByBroadcast)
{
    CoreRig rig;
    rig.Handle(MessageBuilder(DHCPINFORM).Ciaddr(Ip(192, 168, 0, 80)).Params({1, 3, 6}).Build());
    ASSERT_EQ(1u, rig.sender.sent.size());
    const SentReply& r = rig.sender.sent[0];
    EXPECT_EQ(kDhcpBroadcastAddress, r.address);
    EXPECT_EQ(DHCPACK, r.bytes[kDhcpTypeValueOffset]);
    EXPECT_EQ(Ip(192, 168, 0, 80), ReplyWord(r.bytes, kDhcpCiaddrOffset));
    EXPECT_EQ(0u, ReplyWord(r.bytes, kDhcpYiaddrOffset));
    EXPECT_EQ(kServer, ReplyWord(r.bytes, kDhcpSiaddrOffset));
    EXPECT_EQ((std::vector<int>{1, 3, 6, 255}), OptionTags(r.bytes));
    EXPECT_TRUE(rig.trace.Has("--------Inform--------"));
    EXPECT_TRUE(rig.trace.Has("========== Sending Packet"));
    EXPECT_EQ(0u, rig.core->ClientEntries().size());
}

TEST(CDhcpServerCore, RefusedClientGetsANakAndLosesTheOffer)
{
    CoreRig rig(true);
    rig.provider.serve = false;
    rig.Handle(Client(DHCPDISCOVER).Build());
    ASSERT_EQ(1u, rig.sender.sent.size());
    EXPECT_EQ(DHCPNAK, rig.LastReply()[kDhcpTypeValueOffset]);
    EXPECT_EQ(0u, rig.core->OfferEntries().size());
    ASSERT_EQ(1u, rig.provider.calls.size());
    EXPECT_EQ("authorise", rig.provider.calls[0].what);
    EXPECT_EQ((std::vector<uint8_t>{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}), rig.provider.calls[0].hardware);
}

TEST(CDhcpServerCore, Recognition)
{
    struct Case {
        const char* name;
        MessageBuilder discover;
        bool sameEntry;
    };
    const Case cases[] = {
        {"same id and hardware", Client(DHCPDISCOVER), true},
        {"id of another length, same hardware",
         MessageBuilder(DHCPDISCOVER).ClientId({0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 9}), true},
        {"same id, other hardware", Client(DHCPDISCOVER).Mac({0xA, 0xB, 0xC, 0xD, 0xE, 0xF}), true},
        {"no id, same hardware", MessageBuilder(DHCPDISCOVER), true},
        {"no id, other hardware", MessageBuilder(DHCPDISCOVER).MacByte(0x66), false},
        {"same bytes, other hardware type", MessageBuilder(DHCPDISCOVER).Htype(6), false},
        {"same bytes, other hardware length", MessageBuilder(DHCPDISCOVER).Hlen(5), false},
        {"empty id counts as none", MessageBuilder(DHCPDISCOVER).MacByte(0x66).ClientId({}), false},
        {"id of same length, other bytes and hardware",
         MessageBuilder(DHCPDISCOVER).MacByte(0x66).ClientId({1, 0, 0, 0, 0, 0, 0}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CoreRig rig;
        rig.core->AddClientEntry(Entry(0x55, Ip(192, 168, 0, 40), rig.clock.now));
        rig.Handle(c.discover.Build());
        EXPECT_EQ(c.sameEntry ? Ip(192, 168, 0, 40) : Ip(192, 168, 0, 2),
                  ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));
    }
}

TEST(CDhcpServerCore, HardwareLengthAbove16ComparesSixteenBytes)
{
    CoreRig rig;
    rig.Handle(MessageBuilder(DHCPDISCOVER).Hlen(255).Build());
    const uint32_t first = ReplyWord(rig.LastReply(), kDhcpYiaddrOffset);
    rig.Handle(MessageBuilder(DHCPDISCOVER).Hlen(255).Build());
    EXPECT_EQ(first, ReplyWord(rig.LastReply(), kDhcpYiaddrOffset));
    EXPECT_TRUE(rig.trace.Has("Found open offer client"));
}

TEST(CDhcpServerCore, ClientsWithoutIdentifierGetTheirOwnEntries)
{
    // Two clients that send no option 61 (dhclient's default) lease and renew independently.
    CoreRig rig;
    auto discover = [](uint8_t mac) { return MessageBuilder(DHCPDISCOVER).MacByte(mac).Params({1, 3}); };
    uint32_t addresses[2] = {};
    const uint8_t macs[2] = {0x61, 0x62};
    for (int i = 0; i < 2; ++i) {
        rig.Handle(discover(macs[i]).Build());
        addresses[i] = ReplyWord(rig.LastReply(), kDhcpYiaddrOffset);
        rig.Handle(MessageBuilder(DHCPREQUEST).MacByte(macs[i]).Address(54, kServer).Address(50, addresses[i]).Build());
        EXPECT_EQ(DHCPACK, rig.LastReply()[kDhcpTypeValueOffset]);
    }
    EXPECT_NE(addresses[0], addresses[1]);
    ASSERT_EQ(2u, rig.core->ClientEntries().size());
    for (int i = 0; i < 2; ++i) {
        rig.Handle(MessageBuilder(DHCPREQUEST).MacByte(macs[i]).Ciaddr(addresses[i]).Build());
        EXPECT_EQ(DHCPACK, rig.LastReply()[kDhcpTypeValueOffset]);
    }
}

TEST(CDhcpServerCore, PoolChangeWhileRunning)
{
    CoreRig rig;
    rig.core->AddClientEntry(Entry(0x55, Ip(192, 168, 0, 40), rig.clock.now));
    rig.core->SetPool(100, 110);
    EXPECT_EQ(100u, rig.core->PoolLow());
    EXPECT_EQ(110u, rig.core->PoolHigh());
    EXPECT_EQ(Ip(192, 168, 0, 100), rig.core->ReserveAddress());
    EXPECT_EQ(Ip(192, 168, 0, 40), rig.core->ClientEntries()[0].inAddr) << "existing entries are not touched";
    rig.core->SetPool(0, 300);
    EXPECT_EQ(1u, rig.core->PoolLow());
    EXPECT_EQ(254u, rig.core->PoolHigh());
    EXPECT_EQ(Ip(192, 168, 0, 0), rig.core->Network());
}

TEST(CDhcpServerCore, SnapshotListsLeasedEntries)
{
    CoreRig rig;
    DhcpClientEntry a = Entry(0x01, Ip(192, 168, 0, 10), 0);  // no lease: not listed
    DhcpClientEntry b = Entry(0x02, Ip(192, 168, 0, 11), rig.clock.now);
    b.internetAccess = 1;
    std::vector<uint8_t> longName(120, 'n');
    b.idHostname.Assign(longName.data(), longName.size());
    DhcpClientEntry c = Entry(0x03, Ip(192, 168, 0, 12), rig.clock.now);
    rig.core->AddClientEntry(a);
    rig.core->AddClientEntry(b);
    rig.core->AddClientEntry(c);
    const std::vector<IpcClientEntry> list = rig.core->Snapshot();
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ(std::string(100, 'n'), list[0].idHostname);
    EXPECT_EQ(Ip(192, 168, 0, 11), list[0].inAddr);
    EXPECT_EQ(0x02, list[0].hdwrAddr[5]);
    EXPECT_EQ(1u, list[0].internetAccess);
    EXPECT_EQ("host", list[1].idHostname);
    EXPECT_EQ(0u, list[1].internetAccess);
}

TEST(CDhcpServerCore, LockIsFreeAcrossProbesSendsAndPluginCalls)
{
    CoreRig rig(true);
    Lease(rig, 0x55);
    rig.Handle(Client(DHCPREQUEST).Ciaddr(Ip(192, 168, 0, 2)).Build());
    rig.Handle(Client(DHCPRELEASE).Address(54, kServer).Build());
    rig.Handle(Client(DHCPDECLINE).Address(50, Ip(192, 168, 0, 9)).Build());
    rig.Handle(Client(DHCPINFORM).Build());
    rig.provider.serve = false;
    rig.Handle(Client(DHCPDISCOVER, 0x70).Build());
    rig.clock.now += 100000;
    rig.core->ExpireLeases();
    rig.core->ExpireOffers();
    rig.core->Snapshot();
    EXPECT_GT(rig.lock.locks, 10);
    EXPECT_FALSE(rig.lock.held);
    EXPECT_EQ(0, rig.lock.recursiveLocks);
    EXPECT_GT(rig.probe.probed.size(), 0u);
    EXPECT_EQ(0, rig.probe.probedUnderLock);
    EXPECT_EQ(0, rig.sender.sentUnderLock);
    EXPECT_EQ(0, rig.provider.calledUnderLock);
}

TEST(CDhcpServerCore, TracesGoNowhereWhileTheLogIsOff)
{
    CoreRig rig;
    rig.trace.enabled = false;
    Lease(rig, 0x55);
    EXPECT_TRUE(rig.trace.lines.empty());
    EXPECT_EQ(2u, rig.sender.sent.size());
}

}  // namespace

namespace {

TEST(DhcpIdentity, RecordingALeaseMatchesByIdentifierOrHardware)
{
    auto id = [](std::initializer_list<int> bytes) {
        DhcpId out;
        std::vector<uint8_t> v(bytes.begin(), bytes.end());
        out.Assign(v.data(), v.size());
        return out;
    };
    auto hw = [](uint8_t type, uint8_t length, uint8_t last) {
        DhcpHardwareAddress out;
        out.chType = type;
        out.chLen = length;
        out.bytes[5] = last;
        return out;
    };
    struct Case {
        const char* name;
        DhcpId entryId;
        DhcpHardwareAddress entryHw;
        DhcpId offerId;
        DhcpHardwareAddress offerHw;
        bool match;
    };
    const Case cases[] = {
        {"same id, other hardware", id({1, 2, 3}), hw(1, 6, 1), id({1, 2, 3}), hw(1, 6, 2), true},
        {"same length, other id, same hardware: the ids decide", id({1, 2, 3}), hw(1, 6, 1), id({1, 2, 4}), hw(1, 6, 1),
         false},
        {"other length, same hardware", id({1, 2, 3}), hw(1, 6, 1), id({1, 2}), hw(1, 6, 1), true},
        {"other length, other hardware", id({1, 2, 3}), hw(1, 6, 1), id({1, 2}), hw(1, 6, 2), false},
        {"offer without id: hardware decides", id({}), hw(1, 6, 1), id({}), hw(1, 6, 1), true},
        {"two clients without id stay apart", id({}), hw(1, 6, 1), id({}), hw(1, 6, 2), false},
        {"hardware type differs", id({9}), hw(1, 6, 1), id({}), hw(6, 6, 1), false},
        {"placeholders collapse", id({1, 0}), hw(0, 0, 0), id({1, 0}), hw(0, 0, 0), true},
        {"hlen above 16 compares 16 bytes", id({}), hw(1, 200, 1), id({}), hw(1, 200, 1), true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.match, DhcpEntryMatchesOffer(c.entryId, c.entryHw, c.offerId, c.offerHw)) << c.name;
    }
}

TEST(CDhcpServerCore, LongestHostNameAndIdentifierGoAllTheWay)
{
    CoreRig rig;
    std::vector<uint8_t> name(255, 'n');
    std::vector<uint8_t> id(255);
    for (size_t i = 0; i < id.size(); ++i) {
        id[i] = static_cast<uint8_t>(i);
    }
    auto message = [&](uint8_t type) {
        MessageBuilder m(type);
        m.OptionBytes(DHO_HOST_NAME, name).OptionBytes(DHO_DHCP_CLIENT_IDENTIFIER, id).Params({1, 3});
        return m;
    };
    rig.Handle(message(DHCPDISCOVER).Build());
    const uint32_t offered = ReplyWord(rig.LastReply(), kDhcpYiaddrOffset);
    rig.Handle(message(DHCPREQUEST).Address(54, kServer).Address(50, offered).Build());
    ASSERT_EQ(DHCPACK, rig.LastReply()[kDhcpTypeValueOffset]);
    const std::vector<DhcpClientEntry> clients = rig.core->ClientEntries();
    ASSERT_EQ(1u, clients.size());
    EXPECT_EQ(255, clients[0].idHostname.chLen);
    EXPECT_EQ(255, clients[0].idId.chLen);
    EXPECT_EQ(254, clients[0].idId.bytes[254]);
    // The identifier trace is cut like any formatted line, not overrun.
    for (const std::string& line : rig.trace.lines) {
        EXPECT_LT(line.size(), kFormattedMessageSize);
    }
    // Saved and loaded back whole.
    rig.core->LoadClientList();
    const std::vector<DhcpClientEntry> loaded = rig.core->ClientEntries();
    ASSERT_EQ(1u, loaded.size());
    EXPECT_TRUE(loaded[0].idId.Equals(clients[0].idId));
    EXPECT_TRUE(loaded[0].idHostname.Equals(clients[0].idHostname));
    EXPECT_EQ(std::string(100, 'n'), rig.core->Snapshot()[0].idHostname);
}

TEST(CDhcpServerCore, StopSavesThenEmpties)
{
    CoreRig rig;
    Lease(rig, 0x55);
    rig.files.files.clear();
    rig.core->SaveClientList();
    rig.core->ClearClientTable();
    EXPECT_EQ(0u, rig.core->ClientEntries().size());
    // A save of the empty table at a second stop leaves the file as the first one wrote it.
    const std::vector<uint8_t> saved = rig.files.files["/db/Ombrix.dhcp"];
    rig.core->SaveClientList();
    EXPECT_EQ(saved, rig.files.files["/db/Ombrix.dhcp"]);
    rig.core->LoadClientList();
    EXPECT_EQ(1u, rig.core->ClientEntries().size());
}

}  // namespace
