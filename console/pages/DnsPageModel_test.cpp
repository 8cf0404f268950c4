#include "DnsPageModel.h"

#include <gtest/gtest.h>

#include "IpcWire.h"

namespace {
std::vector<uint8_t> Reply(uint32_t relay, uint32_t dhcp, uint32_t lan)
{
    IpcDnsStatus s;
    s.relayRunning = relay;
    s.dhcpRunning = dhcp;
    s.lanAddress = lan;
    std::vector<uint8_t> reply(kIpcDnsStatusSize);
    IpcEncodeDnsStatus(s, reply.data());
    return reply;
}
}  // namespace

TEST(DnsPageTest, LoadShowsRelayBoxAndLine)
{
    const struct {
        uint32_t relay, dhcp, lan;
        bool checked, enabled, shown;
        const char* line;
    } cases[] = {
        {1, 0, 0x0100A8C0u, true, true, true, "Client DNS Server Address: 192.168.0.1"},
        {1, 1, 0x0200000Au, true, false, true, "Client DNS Server Address: 10.0.0.2"},
        {0, 1, 0, false, false, false, "Client Name Server IP: 198.168.0.1"},
        {0, 0, 0, false, true, false, "Client Name Server IP: 198.168.0.1"},
        // A relay that is off but knows its address names it for when the box is checked.
        {0, 0, 0x0500A8C0u, false, true, false, "Client DNS Server Address: 192.168.0.5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        CDnsPageModel page;
        const std::vector<uint8_t> reply = Reply(c.relay, c.dhcp, c.lan);
        const DnsPageView view = page.Load(true, reply.data(), reply.size());
        EXPECT_EQ(c.checked, view.relay);
        EXPECT_EQ(c.enabled, view.boxEnabled);
        EXPECT_EQ(c.shown, view.lineShown);
        EXPECT_EQ(c.line, view.lineText);
        EXPECT_EQ(nullptr, view.message);
    }
}

TEST(DnsPageTest, SilentServiceDisablesTheBox)
{
    CDnsPageModel page;
    const DnsPageView view = page.Load(false, nullptr, 0);
    EXPECT_STREQ("There was an error communicating with the Ombrix Service", view.message);
    EXPECT_FALSE(view.boxEnabled);
    EXPECT_FALSE(view.lineShown);
}

TEST(DnsPageTest, CommandOnlyAfterAClick)
{
    CDnsPageModel page;
    const std::vector<uint8_t> reply = Reply(0, 0, 0);
    page.Load(true, reply.data(), reply.size());
    DnsCommand command{9, 9};
    EXPECT_FALSE(page.Apply(false, &command));
    EXPECT_EQ(9u, command.word1);

    EXPECT_TRUE(page.Clicked(true));
    EXPECT_TRUE(page.Apply(true, &command));
    EXPECT_EQ(1u, command.word1);
    EXPECT_EQ(0u, command.word2);
    EXPECT_FALSE(page.Apply(true, &command));

    EXPECT_FALSE(page.Clicked(false));
    EXPECT_TRUE(page.Apply(false, &command));
    EXPECT_EQ(0u, command.word1);
}
