#include "TickPlan.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    uint32_t status;
    bool autoDial;
    bool dnsRelay;
    TickPlan expected;
};

const Case kCases[] = {
    {0x0, true, true, {false, false, false, true}},
    {0x1, true, false, {true, false, false, false}},
    {0x1, false, false, {false, false, false, false}},  // AutoDial off: the request is ignored
    {0x2, false, true, {false, true, false, true}},
    {0x2, false, false, {false, false, false, false}},  // no relay object to tell
    {0x8, false, false, {false, false, true, false}},
    {0xB, true, true, {true, true, true, true}},
    {0xFFFFFFF4u, true, true, {false, false, false, true}},  // other bits are ignored
};
}  // namespace

TEST(TickPlan, FollowsTheDriverStatusBits)
{
    for (const Case& c : kCases) {
        TickPlan p = PlanTick(c.status, c.autoDial, c.dnsRelay);
        SCOPED_TRACE(testing::Message() << "status 0x" << std::hex << c.status << " autoDial " << c.autoDial
                                        << " relay " << c.dnsRelay);
        EXPECT_EQ(c.expected.dialOut, p.dialOut);
        EXPECT_EQ(c.expected.closeDnsInternetSocket, p.closeDnsInternetSocket);
        EXPECT_EQ(c.expected.readNetAlarm, p.readNetAlarm);
        EXPECT_EQ(c.expected.expireDnsQueries, p.expireDnsQueries);
    }
}
