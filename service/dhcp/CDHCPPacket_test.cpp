#include "CDHCPPacket.h"

#include <gtest/gtest.h>

#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

struct PacketRig {
    PacketRig() : context(&trace)
    {
        context.settings.serverAddress = Ip(192, 168, 0, 1);
        context.settings.subNetMask = Ip(255, 255, 255, 0);
        context.settings.leaseAddrTimeout = 900;
        context.computerName = "BASE";
    }
    FakeTrace trace;
    DhcpServerContext context;
};

std::vector<uint8_t> ReplyOf(const CDHCPPacket& p)
{
    return std::vector<uint8_t>(p.Reply(), p.Reply() + p.ReplyLength());
}

TEST(CDHCPPacket, ChecksRunInOrder)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint8_t want;
        const char* lastTrace;  // the line after the dump, or null for none
    };
    std::vector<uint8_t> badCookie = MessageBuilder(DHCPDISCOVER).Build();
    badCookie[kDhcpCookieOffset + 3] = 0x62;
    const Case cases[] = {
        {"discover", MessageBuilder(DHCPDISCOVER).Build(), DHCPDISCOVER, nullptr},
        {"request", MessageBuilder(DHCPREQUEST).Build(), DHCPREQUEST, nullptr},
        {"decline", MessageBuilder(DHCPDECLINE).Build(), DHCPDECLINE, nullptr},
        {"release", MessageBuilder(DHCPRELEASE).Build(), DHCPRELEASE, nullptr},
        {"inform", MessageBuilder(DHCPINFORM).Build(), DHCPINFORM, nullptr},
        {"bad cookie", badCookie, 0, "Invalid magic cookie"},
        {"offer from another server", MessageBuilder(DHCPOFFER).Build(), 0, "UNKNOWN DHCP MESSAGE TYPE!!! - 2"},
        {"type 9", MessageBuilder(9).Build(), 0, "UNKNOWN DHCP MESSAGE TYPE!!! - 9"},
        {"type 53 not first", MessageBuilder(DHCPDISCOVER).Byte(kDhcpTypeTagOffset, DHO_HOST_NAME).Build(), 0, nullptr},
        {"short datagram", std::vector<uint8_t>(100, 0), 0, "Invalid magic cookie"},
        {"empty datagram", {}, 0, "Invalid magic cookie"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PacketRig rig;
        CDHCPPacket p(rig.context, c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.want, p.CheckRequest());
        ASSERT_FALSE(rig.trace.lines.empty());
        EXPECT_EQ("=========== Received Packet Length: " + std::to_string(c.bytes.size()), rig.trace.lines.front());
        if (c.lastTrace != nullptr) {
            EXPECT_EQ(c.lastTrace, rig.trace.lines.back());
        } else {
            for (const std::string& line : rig.trace.lines) {
                EXPECT_NE("Invalid magic cookie", line);
                EXPECT_EQ(std::string::npos, line.find("UNKNOWN DHCP MESSAGE TYPE!!! -"));
            }
        }
    }
}

TEST(CDHCPPacket, TypeFurtherBackIsMovedToTheFront)
{
    // dhcpcd's REQUEST: the requested address comes before the type.
    PacketRig rig;
    std::vector<uint8_t> bytes = MessageBuilder(DHCPREQUEST).Build();
    const uint8_t front[] = {DHO_DHCP_REQUESTED_ADDRESS, 4, 10,         77, 0, 4, DHO_PAD,
                             DHO_DHCP_MESSAGE_TYPE,      1, DHCPREQUEST};
    std::memcpy(bytes.data() + kDhcpOptionsOffset, front, sizeof(front));
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    EXPECT_EQ(DHCPREQUEST, p.CheckRequest());
    const uint8_t* requested = p.FindOption(DHO_DHCP_REQUESTED_ADDRESS);
    ASSERT_NE(nullptr, requested);
    EXPECT_EQ(kDhcpFirstSearchedOption, static_cast<size_t>(requested - p.Request()));
    EXPECT_EQ(0, std::memcmp(requested + 2, front + 2, 4));

    struct Bad {
        const char* name;
        std::vector<uint8_t> options;
    };
    const Bad bad[] = {
        {"no type at all", {DHO_HOST_NAME, 1, 'a', DHO_END}},
        {"type behind END", {DHO_END, DHO_DHCP_MESSAGE_TYPE, 1, DHCPREQUEST}},
        {"type of two bytes further back", {DHO_HOST_NAME, 1, 'a', DHO_DHCP_MESSAGE_TYPE, 2, DHCPREQUEST, 0, DHO_END}},
        {"option running past the end", {DHO_HOST_NAME, 250}},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.name);
        std::vector<uint8_t> message(kDhcpOptionsOffset, 0);
        message.insert(message.end(), b.options.begin(), b.options.end());
        EXPECT_FALSE(CDHCPPacket::MoveTypeToFront(message.data(), message.size()));
    }
}

TEST(CDHCPPacket, FirstOptionNotTypeTracesNothingAfterTheDump)
{
    PacketRig rig;
    rig.trace.enabled = true;
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Byte(kDhcpTypeTagOffset, 0).Build();
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    EXPECT_EQ(0, p.CheckRequest());
    // The dump ends with the blank line when the type is not first; nothing follows it.
    EXPECT_EQ(" ", rig.trace.lines.back());
}

TEST(CDHCPPacket, OptionSearchStartsBehindTypeAndTakesFirstOccurrence)
{
    PacketRig rig;
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER)
                                           .Raw({0, 2, 12, 12})  // PAD read as tag + length: skips 2 bytes
                                           .Option(DHO_HOST_NAME, {'a'})
                                           .Option(DHO_HOST_NAME, {'b', 'b'})
                                           .Build();
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    p.LocateOptions();
    const uint8_t* name = p.FindOption(DHO_HOST_NAME);
    ASSERT_NE(nullptr, name);
    EXPECT_EQ(247, name - p.Request());
    EXPECT_EQ(1, name[1]);
    EXPECT_EQ('a', name[2]);
    // 53 itself sits in front of where the search starts.
    EXPECT_EQ(nullptr, p.FindOption(DHO_DHCP_MESSAGE_TYPE));
    // END is an option like any other: the search goes on behind it.
    const std::vector<uint8_t> behindEnd =
        MessageBuilder(DHCPDISCOVER).Raw({255, 0}).Option(DHO_HOST_NAME, {'z'}).Build();
    CDHCPPacket q(rig.context, behindEnd.data(), behindEnd.size());
    EXPECT_NE(nullptr, q.FindOption(DHO_HOST_NAME));
}

TEST(CDHCPPacket, OptionsRunningPastTheReceivedBytesAreNotFollowed)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        uint8_t code;
        bool found;
    };
    const std::vector<uint8_t> base = MessageBuilder(DHCPDISCOVER).BuildWithoutEnd();
    auto with = [&](std::initializer_list<int> tail) {
        std::vector<uint8_t> v = base;
        for (int b : tail) {
            v.push_back(static_cast<uint8_t>(b));
        }
        return v;
    };
    const Case cases[] = {
        {"value fits exactly", with({12, 2, 'a', 'b'}), DHO_HOST_NAME, true},
        {"value one byte short", with({12, 3, 'a', 'b'}), DHO_HOST_NAME, false},
        {"length byte missing", with({12}), DHO_HOST_NAME, false},
        {"client id of 255 with 4 bytes", with({61, 255, 1, 2, 3, 4}), DHO_DHCP_CLIENT_IDENTIFIER, false},
        {"list past the end", with({55, 40, 1, 3}), DHO_DHCP_PARAMETER_REQUEST_LIST, false},
        {"behind a cut option", with({43, 50, 12, 1, 'x'}), DHO_HOST_NAME, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PacketRig rig;
        // The buffer behind the datagram holds zeros; none of it may count as option bytes.
        CDHCPPacket p(rig.context, c.bytes.data(), c.bytes.size());
        EXPECT_EQ(c.found, p.FindOption(c.code) != nullptr);
        p.LocateOptions();
        p.BuildOfferOrAck(DHCPOFFER, Ip(192, 168, 0, 9));
        const int listed = p.FindOption(DHO_DHCP_PARAMETER_REQUEST_LIST) != nullptr ? 1 : 0;
        EXPECT_EQ(listed, p.AddRequestedParameters(nullptr));
        EXPECT_EQ(300u, p.Finish());
    }
}

TEST(CDHCPPacket, LongDatagramsAreCutToTheBuffer)
{
    PacketRig rig;
    MessageBuilder m(DHCPDISCOVER);
    m.Option(DHO_HOST_NAME, {'h'});
    std::vector<uint8_t> bytes = m.BuildWithoutEnd();
    // Vendor class padding up to beyond 1456, then a parameter list that no longer fits in the buffer.
    while (bytes.size() < 1450) {
        bytes.push_back(60);
        bytes.push_back(100);
        bytes.insert(bytes.end(), 100, 'v');
    }
    bytes.push_back(55);
    bytes.push_back(2);
    bytes.push_back(1);
    bytes.push_back(3);
    bytes.resize(2000, 0);
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    EXPECT_EQ(2000u, p.ReceivedLength());
    EXPECT_EQ(kDhcpMessageBufferSize, p.Length());
    EXPECT_EQ(DHCPDISCOVER, p.CheckRequest());
    EXPECT_EQ("=========== Received Packet Length: 2000", rig.trace.lines.front());
    EXPECT_NE(nullptr, p.FindOption(DHO_HOST_NAME));
    EXPECT_EQ(nullptr, p.FindOption(DHO_DHCP_PARAMETER_REQUEST_LIST));
}

TEST(CDHCPPacket, ReplyHeadersByType)
{
    PacketRig rig;
    std::vector<uint8_t> bytes = MessageBuilder(DHCPREQUEST)
                                     .Ciaddr(Ip(192, 168, 0, 50))
                                     .Giaddr(Ip(10, 0, 0, 1))
                                     .Byte(kDhcpHopsOffset, 3)
                                     .Byte(kDhcpSecsOffset, 9)
                                     .Byte(kDhcpFlagsOffset, 0x80)
                                     .Byte(kDhcpYiaddrOffset, 77)
                                     .Byte(kDhcpSiaddrOffset, 88)
                                     .Byte(kDhcpSnameOffset + 10, 'q')
                                     .Byte(kDhcpFileOffset + 5, 'f')
                                     .Build();
    struct Case {
        const char* name;
        void (*build)(CDHCPPacket&);
        uint8_t type;
        uint32_t ciaddr, yiaddr, siaddr;
        bool computerName;
    };
    const Case cases[] = {
        {"offer", [](CDHCPPacket& p) { p.BuildOfferOrAck(DHCPOFFER, Ip(192, 168, 0, 9)); }, DHCPOFFER,
         Ip(192, 168, 0, 50), Ip(192, 168, 0, 9), Ip(192, 168, 0, 1), true},
        {"ack", [](CDHCPPacket& p) { p.BuildOfferOrAck(DHCPACK, Ip(192, 168, 0, 9)); }, DHCPACK, Ip(192, 168, 0, 50),
         Ip(192, 168, 0, 9), Ip(192, 168, 0, 1), true},
        {"inform ack", [](CDHCPPacket& p) { p.BuildInformAck(); }, DHCPACK, Ip(192, 168, 0, 50), 77, Ip(192, 168, 0, 1),
         true},
        {"nak", [](CDHCPPacket& p) { p.BuildNak(); }, DHCPNAK, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CDHCPPacket p(rig.context, bytes.data(), bytes.size());
        p.LocateOptions();
        c.build(p);
        p.Finish();
        const std::vector<uint8_t> r = ReplyOf(p);
        EXPECT_EQ(kBootReply, r[kDhcpOpOffset]);
        EXPECT_EQ(1, r[kDhcpHtypeOffset]);
        EXPECT_EQ(6, r[kDhcpHlenOffset]);
        EXPECT_EQ(0, r[kDhcpHopsOffset]);
        EXPECT_EQ(0x78563412u, ReplyWord(r, kDhcpXidOffset));
        EXPECT_EQ(0, r[kDhcpSecsOffset]);
        EXPECT_EQ(0x80, r[kDhcpFlagsOffset]);
        EXPECT_EQ(c.ciaddr, ReplyWord(r, kDhcpCiaddrOffset));
        EXPECT_EQ(c.yiaddr, ReplyWord(r, kDhcpYiaddrOffset));
        EXPECT_EQ(c.siaddr, ReplyWord(r, kDhcpSiaddrOffset));
        EXPECT_EQ(Ip(10, 0, 0, 1), ReplyWord(r, kDhcpGiaddrOffset));
        EXPECT_EQ(0x55, r[kDhcpChaddrOffset + 5]);
        if (c.computerName) {
            EXPECT_EQ(0, std::memcmp(&r[kDhcpSnameOffset], "BASE", 5));
            EXPECT_EQ('q', r[kDhcpSnameOffset + 10]) << "the name is written over the start of the field";
        } else {
            EXPECT_EQ(std::vector<uint8_t>(kDhcpSnameSize, 0),
                      std::vector<uint8_t>(r.begin() + kDhcpSnameOffset, r.begin() + kDhcpFileOffset));
        }
        EXPECT_EQ(std::vector<uint8_t>(kDhcpFileSize, 0),
                  std::vector<uint8_t>(r.begin() + kDhcpFileOffset, r.begin() + kDhcpCookieOffset));
        EXPECT_EQ(0, std::memcmp(&r[kDhcpCookieOffset], kDhcpMagicCookie, 4));
        EXPECT_EQ(53, r[240]);
        EXPECT_EQ(1, r[241]);
        EXPECT_EQ(c.type, r[242]);
    }
}

TEST(CDHCPPacket, LongComputerNameIsCutToTheField)
{
    PacketRig rig;
    rig.context.computerName = std::string(100, 'N');
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Build();
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    p.BuildOfferOrAck(DHCPOFFER, 1);
    p.Finish();
    EXPECT_EQ('N', p.Reply()[kDhcpSnameOffset + kDhcpSnameSize - 2]);
    EXPECT_EQ(0, p.Reply()[kDhcpSnameOffset + kDhcpSnameSize - 1]);
    EXPECT_EQ(0, p.Reply()[kDhcpFileOffset]);
}

TEST(CDHCPPacket, ExpiryNakIsAFreshMessage)
{
    PacketRig rig;
    DhcpHardwareAddress hw;
    hw.chType = 1;
    hw.chLen = 6;
    for (int i = 0; i < 16; ++i) {
        hw.bytes[i] = static_cast<uint8_t>(0xA0 + i);
    }
    CDHCPPacket p(rig.context);
    EXPECT_EQ(0u, p.Length());
    p.BuildExpiryNak(hw);
    p.AddServerIdentifier();
    EXPECT_EQ(300u, p.Finish());
    const std::vector<uint8_t> r = ReplyOf(p);
    std::vector<uint8_t> want(300, 0);
    want[0] = 2;
    want[1] = 1;
    want[2] = 6;
    for (int i = 0; i < 16; ++i) {
        want[kDhcpChaddrOffset + i] = static_cast<uint8_t>(0xA0 + i);
    }
    std::memcpy(&want[kDhcpCookieOffset], kDhcpMagicCookie, 4);
    const uint8_t options[] = {53, 1, 6, 54, 4, 192, 168, 0, 1, 255};
    std::memcpy(&want[240], options, sizeof(options));
    EXPECT_EQ(want, r);
}

TEST(CDHCPPacket, RepliesArePaddedToThreeHundredBytes)
{
    PacketRig rig;
    // A request full of bytes behind the options: the padding must overwrite them.
    std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Build(600);
    for (size_t i = 260; i < 600; ++i) {
        bytes[i] = 0xCC;
    }
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    p.BuildOfferOrAck(DHCPOFFER, 1);
    p.AddServerIdentifier();
    EXPECT_EQ(300u, p.Finish());
    const std::vector<uint8_t> r = ReplyOf(p);
    EXPECT_EQ(255, r[249]);
    for (size_t i = 250; i < 300; ++i) {
        EXPECT_EQ(0, r[i]) << i;
    }
}

TEST(CDHCPPacket, LongerRepliesKeepTheirLength)
{
    PacketRig rig;
    rig.context.settings.numDomainNameServers = 5;
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Build();
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    p.BuildOfferOrAck(DHCPOFFER, 1);
    // 243 + 11 * 22 = 485 bytes of options, then END.
    for (int i = 0; i < 11; ++i) {
        p.AddDnsServers();
    }
    EXPECT_EQ(243u + 11 * 22 + 1, p.Finish());
    EXPECT_EQ(255, p.Reply()[p.ReplyLength() - 1]);
}

TEST(CDHCPPacket, WritersNeverPassTheBuffer)
{
    PacketRig rig;
    rig.context.settings.numDomainNameServers = 5;
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Build();
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    p.BuildOfferOrAck(DHCPOFFER, 1);
    for (int i = 0; i < 200; ++i) {
        p.AddDnsServers();
        p.AddLeaseTime();
        p.AddDomainName();
    }
    EXPECT_LE(p.Finish(), kDhcpMessageBufferSize);
    EXPECT_EQ(255, p.Reply()[p.ReplyLength() - 1]);
}

TEST(CDHCPPacket, OptionWriterValues)
{
    PacketRig rig;
    rig.context.settings.numDomainNameServers = 2;
    rig.context.settings.domainNameServers[0] = Ip(10, 0, 0, 53);
    rig.context.settings.domainNameServers[1] = Ip(10, 0, 0, 54);
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Build();
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    p.BuildOfferOrAck(DHCPOFFER, 1);
    p.AddSubnetMask();
    p.AddRouters();
    p.AddDnsServers();
    p.AddDomainName();
    p.AddServerIdentifier();
    p.Finish();
    const std::vector<uint8_t> r = ReplyOf(p);
    EXPECT_EQ((std::vector<uint8_t>{255, 255, 255, 0}), OptionValue(r, 1));
    EXPECT_EQ((std::vector<uint8_t>{192, 168, 0, 1}), OptionValue(r, 3));
    EXPECT_EQ((std::vector<uint8_t>{10, 0, 0, 53, 10, 0, 0, 54}), OptionValue(r, 6));
    EXPECT_EQ((std::vector<uint8_t>{'O', 'm', 'b', 'r', 'i', 'x', 0}), OptionValue(r, 15));
    EXPECT_EQ((std::vector<uint8_t>{192, 168, 0, 1}), OptionValue(r, 54));

    // Without DNS entries configured, option 6 names the server.
    PacketRig plain;
    CDHCPPacket q(plain.context, bytes.data(), bytes.size());
    q.BuildOfferOrAck(DHCPOFFER, 1);
    q.AddDnsServers();
    q.Finish();
    EXPECT_EQ((std::vector<uint8_t>{192, 168, 0, 1}), OptionValue(ReplyOf(q), 6));
}

TEST(CDHCPPacket, RenewalTimeFollowsLeaseTime)
{
    struct Case {
        uint32_t lease, renewal;
    };
    const Case cases[] = {{900, 600}, {301, 1}, {300, 150}, {1, 0}, {0, 0}, {86400, 86100}, {0xFFFFFFFFu, 0xFFFFFED3u}};
    for (const Case& c : cases) {
        PacketRig rig;
        rig.context.settings.leaseAddrTimeout = c.lease;
        const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Build();
        CDHCPPacket p(rig.context, bytes.data(), bytes.size());
        p.BuildOfferOrAck(DHCPOFFER, 1);
        p.AddLeaseTime();
        p.Finish();
        const std::vector<uint8_t> r = ReplyOf(p);
        EXPECT_EQ((std::vector<int>{51, 58, 255}), OptionTags(r)) << c.lease;
        EXPECT_EQ(c.lease, LoadBe32(OptionValue(r, 51).data())) << c.lease;
        EXPECT_EQ(c.renewal, LoadBe32(OptionValue(r, 58).data())) << c.lease;
    }
}

struct ParamCase {
    const char* name;
    std::vector<uint8_t> list;  // value of option 55; empty vector with noList for none
    bool noList;
    std::vector<int> wantTags;
    int wantResult;
    std::vector<std::string> wantTraces;  // in order, among all traces
    DhcpParameterWalk wantWalk;
};

TEST(CDHCPPacket, RequestedParametersWalk)
{
    const ParamCase cases[] = {
        {"the usual five", {1, 3, 6, 15, 51}, false, {1, 3, 6, 15, 51, 58, 255}, 1, {}, {true, false, true}},
        {"router appended behind",
         {1, 6},
         false,
         {1, 6, 3, 255},
         1,
         {"DHO_ROUTERS Added to packet"},
         {true, false, false}},
        {"router once, in list order", {3, 1}, false, {3, 1, 255}, 1, {}, {true, false, false}},
        {"51 brings 58 along", {51}, false, {51, 58, 3, 255}, 1, {"DHO_ROUTERS Added to packet"}, {true, false, true}},
        {"54 from the list", {54, 3}, false, {54, 3, 255}, 1, {}, {true, true, false}},
        {"no list", {}, true, {255}, 0, {}, {false, false, false}},
        {"empty list", {}, false, {3, 255}, 1, {"DHO_ROUTERS Added to packet"}, {true, false, false}},
        {"not implemented",
         {2, 42, 77, 3},
         false,
         {3, 255},
         1,
         {"DHO_TIME_OFFSET requested. Not implemented.", "DHO_NTP_SERVERS requested. Not implemented.",
          "DHO_DHCP_USER_CLASS_ID requested. Not implemented."},
         {true, false, false}},
        {"unknown codes",
         {0, 53, 61, 121, 3},
         false,
         {3, 255},
         1,
         {"UNKNOWN parameter requested - 0", "UNKNOWN parameter requested - 35", "UNKNOWN parameter requested - 3d",
          "UNKNOWN parameter requested - 79"},
         {true, false, false}},
        {"codes of 128 and more read as negative",
         {128, 252, 3},
         false,
         {3, 255},
         1,
         {"UNKNOWN parameter requested - ffffff80", "UNKNOWN parameter requested - fffffffc"},
         {true, false, false}},
        {"a code listed twice counts once",
         {1, 1, 2, 2, 6, 6},
         false,
         {1, 6, 3, 255},
         1,
         {"DHO_TIME_OFFSET requested. Not implemented.", "DHO_ROUTERS Added to packet"},
         {true, false, false}},
    };
    for (const ParamCase& c : cases) {
        SCOPED_TRACE(c.name);
        PacketRig rig;
        MessageBuilder m(DHCPDISCOVER);
        if (!c.noList) {
            m.OptionBytes(DHO_DHCP_PARAMETER_REQUEST_LIST, c.list);
        }
        const std::vector<uint8_t> bytes = m.Build();
        CDHCPPacket p(rig.context, bytes.data(), bytes.size());
        p.LocateOptions();
        p.BuildOfferOrAck(DHCPOFFER, 1);
        rig.trace.lines.clear();
        DhcpParameterWalk walk;
        EXPECT_EQ(c.wantResult, p.AddRequestedParameters(&walk));
        p.Finish();
        EXPECT_EQ(c.wantTags, OptionTags(ReplyOf(p)));
        EXPECT_EQ(c.wantTraces, rig.trace.lines);
        EXPECT_EQ(c.wantWalk.wroteRouter, walk.wroteRouter);
        EXPECT_EQ(c.wantWalk.listedServerId, walk.listedServerId);
        EXPECT_EQ(c.wantWalk.listedLeaseTime, walk.listedLeaseTime);
    }
}

TEST(CDHCPPacket, ListLengthOf128OrMoreWalksNoCodes)
{
    PacketRig rig;
    std::vector<uint8_t> list(130, 1);  // 130 times "subnet mask"
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).OptionBytes(55, list).Build();
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    p.LocateOptions();
    p.BuildOfferOrAck(DHCPOFFER, 1);
    rig.trace.lines.clear();
    EXPECT_EQ(1, p.AddRequestedParameters(nullptr));
    p.Finish();
    EXPECT_EQ((std::vector<int>{3, 255}), OptionTags(ReplyOf(p)));
    EXPECT_EQ((std::vector<std::string>{"DHO_ROUTERS Added to packet"}), rig.trace.lines);
}

TEST(CDHCPPacket, HardwareAddressAndKeys)
{
    PacketRig rig;
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER)
                                           .Hlen(200)
                                           .ClientId({1, 0, 0x11, 0x22, 0x33, 0x44, 0x55})
                                           .Option(DHO_HOST_NAME, {'p', 'c'})
                                           .Address(DHO_DHCP_REQUESTED_ADDRESS, Ip(192, 168, 0, 7))
                                           .Option(DHO_DHCP_SERVER_IDENTIFIER, {192, 168})
                                           .Build();
    CDHCPPacket p(rig.context, bytes.data(), bytes.size());
    p.LocateOptions();
    EXPECT_EQ(1, p.HardwareAddress().chType);
    EXPECT_EQ(200, p.HardwareAddress().chLen);
    const DhcpClientKey key = p.ClientKey();
    ASSERT_TRUE(key.HasClientId());
    EXPECT_EQ(7, key.clientIdLength);
    uint8_t length = 0;
    EXPECT_NE(nullptr, p.HostName(&length));
    EXPECT_EQ(2, length);
    EXPECT_TRUE(p.HasRequestedAddress());
    EXPECT_EQ(Ip(192, 168, 0, 7), p.RequestedAddress());
    // A cut server identifier reads the bytes it has and zeros for the rest.
    EXPECT_TRUE(p.HasServerIdentifier());
    EXPECT_EQ(Ip(192, 168, 0, 0), p.ServerIdentifier());

    const std::vector<uint8_t> noId = MessageBuilder(DHCPDISCOVER).ClientId({}).Build();
    CDHCPPacket q(rig.context, noId.data(), noId.size());
    q.LocateOptions();
    EXPECT_FALSE(q.ClientKey().HasClientId()) << "an empty identifier identifies nobody";
}

TEST(CDHCPPacket, OfferDestination)
{
    struct Case {
        uint32_t ciaddr, giaddr, want;
    };
    const Case cases[] = {
        {0, 0, kDhcpBroadcastAddress},
        {Ip(192, 168, 0, 5), 0, Ip(192, 168, 0, 5)},
        {Ip(192, 168, 0, 5), Ip(10, 0, 0, 1), kDhcpBroadcastAddress},
        {0, Ip(10, 0, 0, 1), kDhcpBroadcastAddress},
        // A ciaddr outside the server's subnet cannot be reached on the LAN: the client hears a broadcast.
        {Ip(8, 8, 8, 8), 0, kDhcpBroadcastAddress},
        {Ip(192, 168, 1, 5), 0, kDhcpBroadcastAddress},
        {Ip(255, 255, 255, 255), 0, kDhcpBroadcastAddress},
        {Ip(192, 168, 0, 255), 0, Ip(192, 168, 0, 255)},
    };
    for (const Case& c : cases) {
        PacketRig rig;
        const std::vector<uint8_t> bytes = MessageBuilder(DHCPREQUEST).Ciaddr(c.ciaddr).Giaddr(c.giaddr).Build();
        CDHCPPacket p(rig.context, bytes.data(), bytes.size());
        EXPECT_EQ(c.want, p.OfferDestination());
    }
}

}  // namespace
