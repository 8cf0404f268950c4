#include "ServicePageModel.h"

#include <gtest/gtest.h>

TEST(ServiceStatusTest, ButtonsAndTextFollowTheServiceAndTheConnection)
{
    const struct {
        bool answered, modem, connected;
        bool start, stop, dial, hangup;
        const char* status;
    } cases[] = {
        {false, true, true, true, false, false, false, "Controls Dialup Networking status"},
        {false, false, false, true, false, false, false, "Controls Dialup Networking status"},
        {true, false, true, false, true, false, false, "Controls Dialup Networking status"},
        {true, true, false, false, true, true, false, "Connect to the configured Dial-up Networking host"},
        {true, true, true, false, true, false, true, "Hang-up the currently connected Dial-up Networking session"},
    };
    for (const auto& c : cases) {
        ServicePageState s = ServiceStatusFor(c.answered, c.modem, c.connected);
        EXPECT_EQ(c.start, s.start);
        EXPECT_EQ(c.stop, s.stop);
        EXPECT_EQ(c.dial, s.dial);
        EXPECT_EQ(c.hangup, s.hangup);
        EXPECT_STREQ(c.status, s.status);
    }
}

TEST(ServiceStatusTest, AnyEnumerationErrorCountsAsConnected)
{
    EXPECT_FALSE(DialupConnected(0, 0));
    EXPECT_TRUE(DialupConnected(0, 1));
    EXPECT_TRUE(DialupConnected(603, 0));
    EXPECT_TRUE(DialupConnected(632, 0));
}
