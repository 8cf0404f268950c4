#include "NetAlarmPageModel.h"

#include <gtest/gtest.h>

#include "PageFields.h"

TEST(NetAlarmPageTest, EnablingRule)
{
    const struct {
        bool enable, messageBox;
        bool boxEnabled, delayEnabled;
    } cases[] = {
        {false, false, false, false},
        {false, true, false, false},
        {true, false, true, false},
        {true, true, true, true},
    };
    for (const auto& c : cases) {
        const NetAlarmEnabling e = NetAlarmEnablingFor(c.enable, c.messageBox);
        EXPECT_TRUE(e.enable);
        EXPECT_EQ(c.boxEnabled, e.messageBox);
        EXPECT_EQ(c.boxEnabled, e.log);
        EXPECT_EQ(c.delayEnabled, e.delay);
    }
}

TEST(NetAlarmPageTest, LoadShowsTheSettings)
{
    IpcNetAlarmSettings s;
    s.enable = 1;
    s.messageBox = 0;
    s.delayTime = 45;
    s.logAlarms = 1;
    uint8_t reply[kIpcNetAlarmSize];
    IpcEncodeNetAlarm(s, reply);
    CNetAlarmPageModel page;
    page.MarkChanged();
    NetAlarmPageView view = page.Load(true, reply, sizeof reply);
    EXPECT_FALSE(page.Changed());
    EXPECT_TRUE(view.enable);
    EXPECT_FALSE(view.messageBox);
    EXPECT_TRUE(view.log);
    EXPECT_EQ("45", view.delayText);
    EXPECT_TRUE(view.enabled.messageBox);
    EXPECT_FALSE(view.enabled.delay);
    EXPECT_EQ(nullptr, view.message);

    view = page.Load(false, nullptr, 0);
    EXPECT_STREQ(kPageCommFailureText, view.message);
    EXPECT_FALSE(view.enabled.enable || view.enabled.messageBox || view.enabled.delay || view.enabled.log);
}

TEST(NetAlarmPageTest, ApplySendsOnlyAChange)
{
    CNetAlarmPageModel page;
    page.Load(false, nullptr, 0);
    uint8_t block[kIpcNetAlarmSize] = {};
    EXPECT_FALSE(page.Apply({true, true, 30, true}, block));
    page.MarkChanged();
    ASSERT_TRUE(page.Apply({true, false, 500, true}, block));
    const IpcNetAlarmSettings s = IpcDecodeNetAlarm(block, sizeof block);
    EXPECT_EQ(20u, s.size);
    EXPECT_EQ(1u, s.enable);
    EXPECT_EQ(0u, s.messageBox);
    EXPECT_EQ(500u, s.delayTime);
    EXPECT_EQ(1u, s.logAlarms);
    EXPECT_FALSE(page.Apply({true, false, 500, true}, block));
    page.MarkChanged();
    ASSERT_TRUE(page.Apply({false, false, -1, false}, block));
    EXPECT_EQ(0xFFFFFFFFu, IpcDecodeNetAlarm(block, sizeof block).delayTime);
}
