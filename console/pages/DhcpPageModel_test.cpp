#include "DhcpPageModel.h"

#include <gtest/gtest.h>

namespace {
std::vector<uint8_t> StatusReply(uint32_t running, uint32_t low, uint32_t high, uint32_t network)
{
    IpcDhcpBlock status;
    status.useOrRunning = running;
    status.lowAddress = low;
    status.highAddress = high;
    status.network = network;
    std::vector<uint8_t> reply(kIpcDhcpBlockSize);
    IpcEncodeDhcpBlock(status, reply.data());
    return reply;
}

IpcDhcpBlock SentBlock(const DhcpApplyDecision& d)
{
    return IpcDecodeDhcpBlock(d.block, sizeof d.block);
}
}  // namespace

TEST(DhcpPageTest, LoadShowsTheStatus)
{
    CDhcpPageModel page;
    const std::vector<uint8_t> on = StatusReply(1, 10, 200, 0x0000A8C0u);
    DhcpPageView view = page.Load(true, on.data(), on.size());
    EXPECT_TRUE(view.useDhcp);
    EXPECT_EQ("10", view.lowText);
    EXPECT_EQ("200", view.highText);
    EXPECT_EQ("192.168.0.", view.prefix);
    EXPECT_TRUE(view.useEnabled);
    EXPECT_TRUE(view.rangeEnabled);
    EXPECT_EQ(nullptr, view.message);

    const std::vector<uint8_t> off = StatusReply(0, 0xFFFFFFFFu, 5, 0x01020304u);
    view = page.Load(true, off.data(), off.size());
    EXPECT_FALSE(view.useDhcp);
    EXPECT_EQ("-1", view.lowText);
    EXPECT_EQ("4.3.2.", view.prefix);
    EXPECT_TRUE(view.useEnabled);
    EXPECT_FALSE(view.rangeEnabled);

    view = page.Load(false, nullptr, 0);
    EXPECT_STREQ("There was an error communicating with the Ombrix Service", view.message);
    EXPECT_FALSE(view.useEnabled);
    EXPECT_FALSE(view.rangeEnabled);
    EXPECT_EQ("255.255.255.", view.prefix);
}

TEST(DhcpPageTest, UntouchedPageSendsNothing)
{
    CDhcpPageModel page;
    const std::vector<uint8_t> on = StatusReply(1, 10, 200, 0);
    page.Load(true, on.data(), on.size());
    EXPECT_EQ(DhcpApplyStep::Nothing, page.Apply({true, "0", "0"}).step);
    // A load clears a mark set before it.
    page.MarkChanged();
    page.Load(true, on.data(), on.size());
    EXPECT_FALSE(page.Changed());
}

TEST(DhcpPageTest, ValidationOrderAndMessages)
{
    const struct {
        const char* low;
        const char* high;
        DhcpApplyStep step;
        const char* message;
        DhcpField focus;
    } cases[] = {
        {"", "20", DhcpApplyStep::Refuse, "Invalid Low DHCP Address. Please enter a number between 1 and 255.",
         DhcpField::Low},
        {"abc", "", DhcpApplyStep::Refuse, "Invalid Low DHCP Address. Please enter a number between 1 and 255.",
         DhcpField::Low},
        {"10", "", DhcpApplyStep::Refuse, "Invalid High DHCP Address. Please enter a number between 1 and 255.",
         DhcpField::High},
        {"0", "255", DhcpApplyStep::Refuse, "The High DHCP Address must be between 1 and 254", DhcpField::High},
        {"10", "0", DhcpApplyStep::Refuse, "The High DHCP Address must be between 1 and 254", DhcpField::High},
        {"0", "20", DhcpApplyStep::Refuse, "The Low DHCP Address must be between 1 and 254", DhcpField::Low},
        {"255", "20", DhcpApplyStep::Refuse, "The Low DHCP Address must be between 1 and 254", DhcpField::Low},
        {"20", "20", DhcpApplyStep::Refuse, "The High DHCP Address must be greater than the Low DHCP Address",
         DhcpField::High},
        {"30", "20", DhcpApplyStep::Refuse, "The High DHCP Address must be greater than the Low DHCP Address",
         DhcpField::High},
        {"10", "14", DhcpApplyStep::Confirm,
         "You have made allowances for 5 or less DHCP Addresses.\nAre you sure this is correct?", DhcpField::None},
        {"1", "2", DhcpApplyStep::Confirm,
         "You have made allowances for 5 or less DHCP Addresses.\nAre you sure this is correct?", DhcpField::None},
        {"10", "15", DhcpApplyStep::Send, nullptr, DhcpField::None},
        {"1", "254", DhcpApplyStep::Send, nullptr, DhcpField::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.low) + ".." + c.high);
        CDhcpPageModel page;
        page.MarkChanged();
        const DhcpApplyDecision d = page.Apply({true, c.low, c.high});
        EXPECT_EQ(c.step, d.step);
        if (c.message) {
            EXPECT_STREQ(c.message, d.message);
        } else {
            EXPECT_EQ(nullptr, d.message);
        }
        EXPECT_EQ(c.focus, d.focus);
        if (d.step == DhcpApplyStep::Send) {
            const IpcDhcpBlock b = SentBlock(d);
            EXPECT_EQ(20u, b.size);
            EXPECT_EQ(1u, b.useOrRunning);
            EXPECT_EQ(std::to_string(b.lowAddress), c.low);
            EXPECT_EQ(std::to_string(b.highAddress), c.high);
            EXPECT_EQ(0u, b.network);
        }
    }
}

TEST(DhcpPageTest, TheQuestionDecidesTheSend)
{
    CDhcpPageModel page;
    page.MarkChanged();
    ASSERT_EQ(DhcpApplyStep::Confirm, page.Apply({true, "10", "14"}).step);
    const DhcpApplyDecision yes = page.Confirmed(true);
    ASSERT_EQ(DhcpApplyStep::Send, yes.step);
    EXPECT_EQ(10u, SentBlock(yes).lowAddress);
    EXPECT_EQ(14u, SentBlock(yes).highAddress);
    EXPECT_EQ(nullptr, page.Sent(true));
    EXPECT_FALSE(page.Changed());

    page.MarkChanged();
    ASSERT_EQ(DhcpApplyStep::Confirm, page.Apply({true, "10", "14"}).step);
    const DhcpApplyDecision no = page.Confirmed(false);
    EXPECT_EQ(DhcpApplyStep::Refuse, no.step);
    EXPECT_EQ(nullptr, no.message);
    EXPECT_EQ(DhcpField::None, no.focus);
}

TEST(DhcpPageTest, UncheckedSendsOffWithoutLookingAtTheFields)
{
    CDhcpPageModel page;
    page.MarkChanged();
    const DhcpApplyDecision d = page.Apply({false, "", "junk"});
    ASSERT_EQ(DhcpApplyStep::Send, d.step);
    const IpcDhcpBlock b = SentBlock(d);
    EXPECT_EQ(20u, b.size);
    EXPECT_EQ(0u, b.useOrRunning);
    EXPECT_EQ(0u, b.lowAddress);
    EXPECT_EQ(0u, b.highAddress);
    EXPECT_STREQ("There was an error communicating with the Ombrix Service. Setting may not have been updated.",
                 page.Sent(false));
    EXPECT_FALSE(page.Changed());
}

TEST(DhcpPageTest, RefusedRangeIsCheckedAgainOnTheNextAttempt)
{
    CDhcpPageModel page;
    page.MarkChanged();
    EXPECT_EQ(DhcpApplyStep::Refuse, page.Apply({true, "0", "20"}).step);
    EXPECT_TRUE(page.Changed());
    EXPECT_EQ(DhcpApplyStep::Refuse, page.Apply({true, "0", "20"}).step);
    ASSERT_EQ(DhcpApplyStep::Send, page.Apply({true, "5", "20"}).step);
    page.Sent(true);
    EXPECT_EQ(DhcpApplyStep::Nothing, page.Apply({true, "0", "20"}).step);
}
