// The promises the DHCP server keeps to the LAN whatever clients send: no address goes to two computers,
// a computer that cannot be told apart is matched to nobody, and the client table stays bounded.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "CDhcpServerCore.h"
#include "DhcpTableInvariants.h"
#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

constexpr uint32_t kServer = Ip(192, 168, 0, 1);

enum class Act { Discover, Take, Renew, Release, Decline, Elapse, Expire, Answers, Silent };

/// One thing that happens: a client (by the last byte of its MAC) sends something, time passes, or the
/// address probe changes its mind about an address.
struct Step {
    Act act;
    int client = 0;        ///< last MAC byte, or seconds for Elapse
    uint32_t address = 0;  ///< Take/Renew/Decline: the address asked for (0: the last one offered to it)
};

// A client without option 61, told apart by its hardware address alone.
std::vector<uint8_t> Client61Less(uint8_t type)
{
    return MessageBuilder(type).Build();
}

MessageBuilder From(uint8_t type, int client)
{
    MessageBuilder m(type);
    const uint8_t last = static_cast<uint8_t>(client);
    m.MacByte(last).ClientId({1, 0x00, 0x11, 0x22, 0x33, 0x44, last}).Params({1, 3, 6, 51});
    return m;
}

/// Plays steps against a core and keeps, from the replies alone, what each computer believes it holds:
/// an ACK gives it an address until the lease ends, a NAK, RELEASE or DECLINE takes it away. After every
/// step no two computers may believe they hold one address, and the tables must agree.
class Ledger {
public:
    explicit Ledger(CoreRig& rig) : rig_(rig) {}

    void Play(const Step& s)
    {
        const size_t before = rig_.sender.sent.size();
        switch (s.act) {
        case Act::Discover:
            rig_.Handle(From(DHCPDISCOVER, s.client).Build());
            break;
        case Act::Take:
            rig_.Handle(From(DHCPREQUEST, s.client)
                            .Address(DHO_DHCP_SERVER_IDENTIFIER, kServer)
                            .Address(DHO_DHCP_REQUESTED_ADDRESS, s.address != 0 ? s.address : offered_[s.client])
                            .Build());
            break;
        case Act::Renew:
            rig_.Handle(From(DHCPREQUEST, s.client).Ciaddr(s.address != 0 ? s.address : Held(s.client)).Build());
            break;
        case Act::Release:
            rig_.Handle(From(DHCPRELEASE, s.client)
                            .Ciaddr(Held(s.client))
                            .Address(DHO_DHCP_SERVER_IDENTIFIER, kServer)
                            .Build());
            held_.erase(s.client);
            break;
        case Act::Decline:
            rig_.Handle(From(DHCPDECLINE, s.client)
                            .Address(DHO_DHCP_REQUESTED_ADDRESS, s.address != 0 ? s.address : Held(s.client))
                            .Address(DHO_DHCP_SERVER_IDENTIFIER, kServer)
                            .Build());
            if (s.address == 0 || s.address == Held(s.client)) {
                held_.erase(s.client);
            }
            break;
        case Act::Elapse:
            rig_.clock.now += static_cast<uint32_t>(s.client);
            break;
        case Act::Expire:
            rig_.core->ExpireLeases();
            rig_.core->ExpireOffers();
            break;
        case Act::Answers:
            rig_.probe.answering.insert(s.address);
            break;
        case Act::Silent:
            rig_.probe.answering.erase(s.address);
            break;
        }
        for (size_t i = before; i < rig_.sender.sent.size(); ++i) {
            Observe(rig_.sender.sent[i].bytes);
        }
    }

    /// Empty while every computer holds an address of its own; else what clashed.
    std::string Clash() const
    {
        std::map<uint32_t, int> owner;
        for (const auto& held : held_) {
            if (until_.at(held.first) <= rig_.clock.now) {
                continue;
            }
            auto found = owner.find(held.second);
            if (found != owner.end()) {
                return "clients " + std::to_string(found->second) + " and " + std::to_string(held.first) +
                       " were both ACKed " + std::to_string(held.second >> 24);
            }
            owner[held.second] = held.first;
        }
        return DhcpAddressClash(rig_.core->ClientEntries(), rig_.core->OfferEntries());
    }

    uint32_t Offered(int client) const { return offered_.count(client) ? offered_.at(client) : 0; }
    uint32_t Held(int client) const { return held_.count(client) ? held_.at(client) : 0; }

private:
    void Observe(const std::vector<uint8_t>& reply)
    {
        const int client = reply[kDhcpChaddrOffset + 5];
        const uint32_t yiaddr = ReplyWord(reply, kDhcpYiaddrOffset);
        switch (reply[kDhcpTypeValueOffset]) {
        case DHCPOFFER:
            offered_[client] = yiaddr;
            break;
        case DHCPACK:
            held_[client] = yiaddr;
            until_[client] = rig_.clock.now + rig_.settings.leaseAddrTimeout;
            break;
        case DHCPNAK:
            held_.erase(client);
            break;
        default:
            break;
        }
    }

    CoreRig& rig_;
    std::map<int, uint32_t> offered_;
    std::map<int, uint32_t> held_;
    std::map<int, uint32_t> until_;
};

constexpr uint32_t kTwo = Ip(192, 168, 0, 2);
constexpr uint32_t kThree = Ip(192, 168, 0, 3);

struct Sequence {
    const char* name;
    std::vector<Step> steps;
};

TEST(DhcpAddressSafety, NoTwoComputersAreGivenOneAddress)
{
    // Pool .2 and .3 only, so that every sequence soon finds it full and reaches the second pass.
    const Sequence sequences[] = {
        {"a returning client's open offer is not taken for a newcomer",
         {{Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Discover, 0xB},
          {Act::Take, 0xB},
          {Act::Discover, 0xA},
          {Act::Discover, 0xC},
          {Act::Take, 0xA},
          {Act::Take, 0xC, kTwo}}},
        {"the same after both leases ran out",
         {{Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Discover, 0xB},
          {Act::Take, 0xB},
          {Act::Elapse, 1000},
          {Act::Expire},
          {Act::Discover, 0xA},
          {Act::Discover, 0xC},
          {Act::Take, 0xC},
          {Act::Take, 0xA}}},
        {"a running lease of a computer that answers no echo is not taken",
         {{Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Discover, 0xB},
          {Act::Take, 0xB},
          {Act::Discover, 0xC},
          {Act::Take, 0xC, kTwo},
          {Act::Renew, 0xA},
          {Act::Renew, 0xB}}},
        {"an ended lease is taken back, and its old holder is refused it",
         {{Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Discover, 0xB},
          {Act::Take, 0xB},
          {Act::Elapse, 1000},
          {Act::Expire},
          {Act::Discover, 0xC},
          {Act::Take, 0xC},
          {Act::Renew, 0xA},
          {Act::Renew, 0xB},
          {Act::Discover, 0xA},
          {Act::Take, 0xA}}},
        {"a decline for another computer's address changes nothing",
         {{Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Decline, 0xB, kTwo},
          {Act::Renew, 0xA},
          {Act::Discover, 0xC},
          {Act::Take, 0xC},
          {Act::Discover, 0xD},
          {Act::Take, 0xD}}},
        {"a decline by the holder gives the address up",
         {{Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Decline, 0xA},
          {Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Discover, 0xB},
          {Act::Take, 0xB},
          {Act::Elapse, 1000},
          {Act::Expire},
          {Act::Discover, 0xC},
          {Act::Take, 0xC}}},
        {"a release, then two newcomers race for the freed address",
         {{Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Discover, 0xB},
          {Act::Take, 0xB},
          {Act::Release, 0xA},
          {Act::Discover, 0xC},
          {Act::Discover, 0xD},
          {Act::Take, 0xD, kTwo},
          {Act::Take, 0xC}}},
        {"an open offer whose address starts answering moves",
         {{Act::Discover, 0xA},
          {Act::Answers, 0, kTwo},
          {Act::Discover, 0xA},
          {Act::Discover, 0xB},
          {Act::Silent, 0, kTwo},
          {Act::Discover, 0xB},
          {Act::Take, 0xA},
          {Act::Take, 0xB}}},
        {"a renewal asking for somebody else's address",
         {{Act::Discover, 0xA},
          {Act::Take, 0xA},
          {Act::Discover, 0xB},
          {Act::Take, 0xB},
          {Act::Renew, 0xB, kTwo},
          {Act::Take, 0xB, kTwo}}},
    };
    for (const Sequence& seq : sequences) {
        SCOPED_TRACE(seq.name);
        CoreRig rig;
        rig.settings.highAddress = 4;
        rig.core->Configure(rig.settings);
        Ledger ledger(rig);
        for (size_t i = 0; i < seq.steps.size(); ++i) {
            ledger.Play(seq.steps[i]);
            const std::string clash = ledger.Clash();
            ASSERT_EQ("", clash) << "after step " << i;
        }
    }
}

TEST(DhcpAddressSafety, TheSecondPassStillTakesBackAnEndedLeaseFromASilentHolder)
{
    CoreRig rig;
    rig.settings.highAddress = 4;
    rig.core->Configure(rig.settings);
    Ledger ledger(rig);
    for (const Step& s : std::vector<Step>{{Act::Discover, 0xA},
                                           {Act::Take, 0xA},
                                           {Act::Discover, 0xB},
                                           {Act::Take, 0xB},
                                           {Act::Elapse, 1000},
                                           {Act::Expire},
                                           {Act::Discover, 0xC},
                                           {Act::Take, 0xC}}) {
        ledger.Play(s);
    }
    EXPECT_EQ(kTwo, ledger.Held(0xC)) << "the first ended lease in pool order is taken back";
    const std::vector<DhcpClientEntry> entries = rig.core->ClientEntries();
    ASSERT_EQ(2u, entries.size()) << "A's entry held nothing any more and is gone";
    EXPECT_EQ(kThree, entries[0].inAddr);
    EXPECT_EQ(kTwo, entries[1].inAddr);
}

TEST(DhcpAddressSafety, APoolOfRunningLeasesOffersNothing)
{
    CoreRig rig;
    rig.settings.highAddress = 4;
    rig.core->Configure(rig.settings);
    Ledger ledger(rig);
    for (const Step& s : std::vector<Step>{
             {Act::Discover, 0xA}, {Act::Take, 0xA}, {Act::Discover, 0xB}, {Act::Take, 0xB}, {Act::Discover, 0xC}}) {
        ledger.Play(s);
    }
    EXPECT_EQ(0u, ledger.Offered(0xC));
    EXPECT_TRUE(rig.trace.Has("Unable to reserve address for DHCPOFFER!"));
}

TEST(DhcpAddressSafety, AnOfferLeftStandingIsTakenOverWhenThePoolIsFull)
{
    // A flood of made-up clients takes every address by offers alone; a real client must still get one.
    CoreRig rig;
    rig.settings.highAddress = 4;
    rig.core->Configure(rig.settings);
    Ledger ledger(rig);
    for (const Step& s : std::vector<Step>{{Act::Discover, 0xA}, {Act::Discover, 0xB}, {Act::Discover, 0xC}}) {
        ledger.Play(s);
    }
    EXPECT_EQ(0u, ledger.Offered(0xC)) << "offers only moments old were taken over";
    for (const Step& s :
         std::vector<Step>{{Act::Elapse, 3}, {Act::Discover, 0xC}, {Act::Take, 0xC}, {Act::Take, 0xA, kTwo}}) {
        ledger.Play(s);
        ASSERT_EQ("", ledger.Clash());
    }
    EXPECT_EQ(kTwo, ledger.Held(0xC)) << "the oldest offer's address goes to the newcomer";
    EXPECT_EQ(0u, ledger.Held(0xA)) << "the client whose offer was taken over was ACKed";
    EXPECT_TRUE(rig.trace.Has("Cannot find DHCPOFFER match for this DHCPREQUEST!"));
}

TEST(DhcpAddressSafety, TheClashCheckSeesWhatItShould)
{
    DhcpClientEntry a;
    a.hdwrAddr.chType = 1;
    a.hdwrAddr.chLen = 6;
    a.hdwrAddr.bytes[5] = 0xA;
    a.inAddr = kTwo;
    a.leaseStart = 5;
    DhcpClientEntry b = a;
    b.hdwrAddr.bytes[5] = 0xB;
    DhcpOfferEntry offerA;
    offerA.hdwrAddr = a.hdwrAddr;
    offerA.inAddr = kTwo;
    DhcpOfferEntry offerB = offerA;
    offerB.hdwrAddr = b.hdwrAddr;

    EXPECT_NE("", DhcpAddressClash({a, b}, {}));
    EXPECT_EQ("", DhcpAddressClash({a}, {offerA})) << "a client's own lease and offer";
    EXPECT_NE("", DhcpAddressClash({a}, {offerB}));
    EXPECT_NE("", DhcpAddressClash({}, {offerA, offerA}));
    b.leaseStart = 0;
    EXPECT_EQ("", DhcpAddressClash({a, b}, {})) << "an ended lease holds the address for nobody";
}

TEST(DhcpIdentitySafety, AnEmptyHardwareAddressMatchesNobody)
{
    // htype 0, hlen 0, no option 61: such computers cannot be told apart, so none is taken for another.
    auto anonymous = [](uint8_t type) {
        MessageBuilder m(type);
        m.Htype(0).Hlen(0);
        return m;
    };
    CoreRig rig;
    rig.Handle(Client61Less(DHCPDISCOVER));  // a named client first, which the others must not become
    rig.Handle(anonymous(DHCPDISCOVER).Build());
    rig.Handle(anonymous(DHCPDISCOVER).Build());
    EXPECT_EQ(3u, rig.core->OfferEntries().size()) << "each anonymous DISCOVER is a stranger";

    // A declined address is parked; an anonymous renewal or release must not reach the placeholder.
    rig.Handle(anonymous(DHCPDECLINE).Address(DHO_DHCP_REQUESTED_ADDRESS, Ip(192, 168, 0, 40)).Build());
    ASSERT_EQ(1u, rig.core->ClientEntries().size());
    rig.Handle(anonymous(DHCPREQUEST).Ciaddr(Ip(192, 168, 0, 40)).Build());
    EXPECT_EQ(DHCPNAK, rig.LastReply()[kDhcpTypeValueOffset]) << "the placeholder's address was ACKed";
    rig.Handle(anonymous(DHCPRELEASE).Address(DHO_DHCP_SERVER_IDENTIFIER, kServer).Build());
    ASSERT_EQ(1u, rig.core->ClientEntries().size());
    EXPECT_EQ(Ip(192, 168, 0, 40), rig.core->ClientEntries()[0].inAddr) << "a release freed the parked address";

    // Nor does a client whose identifier is the placeholder's.
    rig.Handle(MessageBuilder(DHCPREQUEST).ClientId({1, 0}).Ciaddr(Ip(192, 168, 0, 40)).Build());
    EXPECT_EQ(DHCPNAK, rig.LastReply()[kDhcpTypeValueOffset]);
}

TEST(DhcpTableBound, ComingAndGoingClientsKeepTheTableSmall)
{
    // Every client is new and the probe is silent: after the pool has gone round four times the table
    // still holds one entry per address, none of them empty.
    CoreRig rig;
    rig.trace.enabled = false;
    for (int n = 0; n < 1000; ++n) {
        const uint8_t hi = static_cast<uint8_t>(n >> 8);
        const uint8_t lo = static_cast<uint8_t>(n);
        rig.Handle(MessageBuilder(DHCPDISCOVER).Mac({2, 0, 0, 0, hi, lo}).Build());
        const uint32_t offered = ReplyWord(rig.LastReply(), kDhcpYiaddrOffset);
        rig.Handle(MessageBuilder(DHCPREQUEST)
                       .Mac({2, 0, 0, 0, hi, lo})
                       .Address(DHO_DHCP_SERVER_IDENTIFIER, kServer)
                       .Address(DHO_DHCP_REQUESTED_ADDRESS, offered)
                       .Build());
        rig.clock.now += 901;
        rig.core->ExpireLeases();
        rig.core->ExpireOffers();
    }
    const std::vector<DhcpClientEntry> entries = rig.core->ClientEntries();
    EXPECT_LE(entries.size(), 252u);
    for (const DhcpClientEntry& e : entries) {
        EXPECT_NE(0u, e.inAddr);
    }
    EXPECT_EQ("", DhcpAddressClash(entries, rig.core->OfferEntries()));
    const std::vector<uint8_t>& file = rig.files.files["/db/Ombrix.dhcp"];
    EXPECT_LT(file.size(), 252u * 60u) << "the saved table grew with every client ever seen";
}

TEST(DhcpTableBound, TheTableHasAHardBound)
{
    CDhcpClientTable table;
    DhcpClientEntry e;
    e.hdwrAddr.chType = 1;
    e.hdwrAddr.chLen = 6;
    for (size_t i = 0; i < kDhcpMaxClientEntries; ++i) {
        e.hdwrAddr.bytes[4] = static_cast<uint8_t>(i >> 8);
        e.hdwrAddr.bytes[5] = static_cast<uint8_t>(i);
        e.inAddr = static_cast<uint32_t>(10 | (i + 1) << 8);
        e.leaseStart = i == 7 ? 0 : 100;  // one lease has ended
        ASSERT_TRUE(table.Append(e));
    }
    EXPECT_FALSE(table.Full()) << "an ended lease can make room";
    e.hdwrAddr.bytes[3] = 0xEE;
    e.inAddr = Ip(10, 9, 9, 9);
    e.leaseStart = 100;
    ASSERT_TRUE(table.Append(e));
    EXPECT_EQ(kDhcpMaxClientEntries, table.Count());
    EXPECT_TRUE(table.Full());
    for (size_t i = 0; i < table.Count(); ++i) {
        EXPECT_NE(0u, table.At(i).leaseStart) << "the ended lease was the one to go";
    }
    e.hdwrAddr.bytes[3] = 0xEF;
    EXPECT_FALSE(table.Append(e)) << "every lease runs: nothing is pushed out";
    EXPECT_EQ(kDhcpMaxClientEntries, table.Count());
}

TEST(DhcpTableBound, TheConsoleListLeavesOutEntriesWithoutAnAddress)
{
    CoreRig rig;
    DhcpClientEntry withAddress;
    withAddress.hdwrAddr.chType = 1;
    withAddress.hdwrAddr.chLen = 6;
    withAddress.inAddr = Ip(192, 168, 0, 9);
    withAddress.leaseStart = rig.clock.now;
    withAddress.leaseTime = 900;
    DhcpClientEntry without = withAddress;
    without.hdwrAddr.bytes[5] = 1;
    without.inAddr = 0;
    ASSERT_TRUE(rig.core->AddClientEntry(without));
    ASSERT_TRUE(rig.core->AddClientEntry(withAddress));
    const std::vector<IpcClientEntry> list = rig.core->Snapshot();
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(Ip(192, 168, 0, 9), list[0].inAddr);
}

TEST(DhcpLogSafety, AHostNameCannotWriteLinesOfItsOwn)
{
    CoreRig rig;
    const std::string name = "pc\r\n01/01/2001  00:00:00.000 DHCP Server Started OK";
    std::vector<uint8_t> value(name.begin(), name.end());
    rig.Handle(MessageBuilder(DHCPDISCOVER).MacByte(0x61).OptionBytes(DHO_HOST_NAME, value).Build());
    rig.Handle(MessageBuilder(DHCPREQUEST)
                   .MacByte(0x61)
                   .OptionBytes(DHO_HOST_NAME, value)
                   .Address(DHO_DHCP_SERVER_IDENTIFIER, kServer)
                   .Address(DHO_DHCP_REQUESTED_ADDRESS, ReplyWord(rig.LastReply(), kDhcpYiaddrOffset))
                   .Build());
    ASSERT_TRUE(rig.trace.Has("Adding NEW client entry: id: ")) << "the lease was not recorded";
    bool sawName = false;
    for (const std::string& line : rig.trace.lines) {
        EXPECT_EQ(std::string::npos, line.find_first_of("\r\n")) << line;
        sawName = sawName || line.find("pc??01/01/2001") != std::string::npos;
    }
    EXPECT_TRUE(sawName) << "the host name shows, its line ends replaced";
}

}  // namespace
