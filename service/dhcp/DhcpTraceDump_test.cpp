#include "DhcpTraceDump.h"

#include <gtest/gtest.h>

#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

std::vector<std::string> Dump(const std::vector<uint8_t>& bytes, size_t length)
{
    FakeTrace sink;
    CDhcpTrace trace(&sink);
    std::vector<uint8_t> buffer(kDhcpMessageBufferSize, 0);
    std::copy(bytes.begin(), bytes.begin() + std::min(bytes.size(), buffer.size()), buffer.begin());
    TraceDhcpMessage(trace, buffer.data(), length);
    return sink.lines;
}

TEST(DhcpTraceDump, EveryLineFormat)
{
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPREQUEST)
                                           .Mac({0x00, 0x0c, 0x29, 0xab, 0xcd, 0xef})
                                           .Ciaddr(Ip(192, 168, 0, 5))
                                           .Giaddr(Ip(10, 0, 0, 1))
                                           .Byte(kDhcpFlagsOffset, 0x80)
                                           .Byte(kDhcpYiaddrOffset + 3, 7)
                                           .Byte(kDhcpSiaddrOffset, 1)
                                           .Raw({0, 0})
                                           .Address(1, Ip(255, 255, 255, 0))
                                           .Address(3, Ip(192, 168, 0, 1))
                                           .Option(5, {})
                                           .Option(12, {'p', 'c', '-', '1'})
                                           .Option(15, {'x'})
                                           .Option(43, {1, 2, 0xAA, 0xBB, 7, 0, 9, 1, 0x01})
                                           .Address(50, Ip(192, 168, 0, 9))
                                           .Option(51, {0, 0, 3, 0x84})
                                           .Address(54, Ip(192, 168, 0, 1))
                                           .Option(55, {1, 3, 6, 15, 121})
                                           .Option(58, {0, 0, 2, 0x58})
                                           .Option(61, {1, 0x00, 0x0c, 0x29})
                                           .Option(6, {8, 8, 8, 8})
                                           .Option(53, {3})
                                           .Option(56, {'m'})
                                           .Option(60, {'v'})
                                           .Option(99, {})
                                           .Build();
    const std::vector<std::string> want = {
        "op = 1",
        "xid = 78563412",
        "flags = 80",
        "ciaddr = 500a8c0",
        "yiaddr = 7000000",
        "siaddr = 1",
        "giaddr = 100000a",
        "chaddr = 00 0C 29 AB CD EF 00 00 00 00 00 00 00 00 00 00",
        " ",
        "DHCP Message Type = 3 - DHCPREQUEST",
        "DHCP Option = 0 - DHO_PAD",
        "DHCP Option = 1 - DHO_SUBNET_MASK, 00ffffff",
        "DHCP Option = 3 - DHO_ROUTERS, 0100a8c0",
        "DHCP Option = 5 - DHO_NAME_SERVERS",
        "DHCP Option = 12 - DHO_HOST_NAME - pc-1 ",
        "DHCP Option = 15 - DHO_DOMAIN_NAME",
        "DHCP Option = 43 - DHO_VENDOR_ENCAPSULATED_OPTIONS",
        "Option 1 tag = 1; len = 2",
        "Option 2 tag = 7; len = 0",
        "Option 3 tag = 9; len = 1",
        "DHCP Option = 50 - DHO_DHCP_REQUESTED_ADDRESS - 192.168.0.9",
        "DHCP Option = 51 - DHO_DHCP_LEASE_TIME: 84030000 seconds",
        "DHCP Option = 54 - DHO_DHCP_SERVER_IDENTIFIER - 192.168.0.1",
        "DHCP Option = 55 - DHO_DHCP_PARAMETER_REQUEST_LIST",
        " 1  3  6 15 121 ",
        "DHCP Option = 58 - DHO_DHCP_RENEWAL_TIME: 58020000 seconds",
        "DHCP Option = 61 - DHO_DHCP_CLIENT_IDENTIFIER - 01 00 0C 29 ",
        "DHCP Option = 6 - DHO_DOMAIN_NAME_SERVERS",
        "DHCP Option = 53 - DHO_DHCP_MESSAGE_TYPE",
        "DHCP Option = 56 - DHO_DHCP_MESSAGE",
        "DHCP Option = 60 - DHO_DHCP_CLASS_IDENTIFIER",
        "DHCP Option = 99 - UNKNOWN DHCP OPTION",
        "DHCP Option = 255 - DHO_END",
    };
    EXPECT_EQ(want, Dump(bytes, bytes.size()));
}

TEST(DhcpTraceDump, MessageTypeNames)
{
    const char* names[] = {"UNKNOWN DHCP MESSAGE TYPE!!!",
                           "DHCPDISCOVER",
                           "DHCPOFFER",
                           "DHCPREQUEST",
                           "DHCPDECLINE",
                           "DHCPACK",
                           "DHCPNAK",
                           "DHCPRELEASE",
                           "DHCPINFORM",
                           "UNKNOWN DHCP MESSAGE TYPE!!!"};
    for (int type = 0; type <= 9; ++type) {
        const std::vector<uint8_t> bytes = MessageBuilder(static_cast<uint8_t>(type)).Build();
        const std::vector<std::string> lines = Dump(bytes, bytes.size());
        ASSERT_GE(lines.size(), 10u);
        EXPECT_EQ("DHCP Message Type = " + std::to_string(type) + " - " + names[type], lines[9]);
    }
}

TEST(DhcpTraceDump, WalkEndsAtEndAtTheLengthAndAtCutOptions)
{
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        size_t lengthCut;  // 0: the whole vector
        std::vector<std::string> wantTail;
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
        {"stops after END",
         with({255, 0, 12, 1, 'a'}),
         0,
         {"DHCP Message Type = 1 - DHCPDISCOVER", "DHCP Option = 255 - DHO_END"}},
        {"END as the last byte",
         with({12, 1, 'a', 255}),
         0,
         {"DHCP Option = 12 - DHO_HOST_NAME - a ", "DHCP Option = 255 - DHO_END"}},
        {"stops at the length",
         with({12, 1, 'a', 12, 1, 'b'}),
         base.size() + 3,
         {"DHCP Option = 12 - DHO_HOST_NAME - a "}},
        {"stops at an option running past the end",
         with({12, 1, 'a', 61, 9, 1}),
         0,
         {"DHCP Option = 12 - DHO_HOST_NAME - a "}},
        {"vendor sub-option cut inside the option",
         with({43, 3, 1, 5, 0}),
         0,
         {"DHCP Option = 43 - DHO_VENDOR_ENCAPSULATED_OPTIONS", "Option 1 tag = 1; len = 5"}},
        {"short address option reads zeros for missing bytes",
         with({50, 2, 10, 1}),
         0,
         {"DHCP Option = 50 - DHO_DHCP_REQUESTED_ADDRESS - 10.1.0.0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::string> lines = Dump(c.bytes, c.lengthCut != 0 ? c.lengthCut : c.bytes.size());
        ASSERT_GE(lines.size(), c.wantTail.size());
        EXPECT_EQ(c.wantTail, std::vector<std::string>(lines.end() - c.wantTail.size(), lines.end()));
    }
}

TEST(DhcpTraceDump, NoTypeFirstEndsAfterTheBlankLine)
{
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Byte(kDhcpTypeTagOffset, 12).Build();
    const std::vector<std::string> lines = Dump(bytes, bytes.size());
    ASSERT_EQ(9u, lines.size());
    EXPECT_EQ(" ", lines.back());
}

TEST(DhcpTraceDump, NothingWhileTheLogIsOff)
{
    FakeTrace sink;
    sink.enabled = false;
    CDhcpTrace trace(&sink);
    std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Build();
    bytes.resize(kDhcpMessageBufferSize, 0);
    TraceDhcpMessage(trace, bytes.data(), 300);
    EXPECT_TRUE(sink.lines.empty());
    CDhcpTrace none(nullptr);
    TraceDhcpMessage(none, bytes.data(), 300);
    EXPECT_FALSE(none.Enabled());
}

TEST(DhcpTraceDump, LongListLineIsCutLikeAnyFormattedLine)
{
    std::vector<uint8_t> list(250, 121);
    const std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).OptionBytes(55, list).Build();
    const std::vector<std::string> lines = Dump(bytes, bytes.size());
    bool found = false;
    for (const std::string& l : lines) {
        if (l.compare(0, 4, "121 ") == 0) {
            EXPECT_EQ(kFormattedMessageSize - 1, l.size());
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

}  // namespace
