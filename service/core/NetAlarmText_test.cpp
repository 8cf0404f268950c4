#include "NetAlarmText.h"

#include <gtest/gtest.h>

namespace {
AlarmRecord Record(uint32_t kind, uint32_t protocol, uint16_t srcPort, uint16_t dstPort)
{
    AlarmRecord r;
    r.srcAddr = 0x0A03020Bu;  // 11.2.3.10
    r.dstAddr = 0x0100A8C0u;  // 192.168.0.1
    r.srcPort = srcPort;
    r.dstPort = dstPort;
    r.kind = kind;
    r.protocol = protocol;
    return r;
}
}  // namespace

TEST(NetAlarmText, HeadlineByProtocolThenKind)
{
    struct Case {
        uint32_t kind;
        uint32_t protocol;
        const char* headline;
    };
    const Case cases[] = {
        {0, 0, "NetAlarm - UDP\r\n"},
        {1, 0, "NetAlarm - UDP\r\n"},  // UDP wins even with the packet flag set
        {1, 6, "NetAlarm blocked an packet from:\r\n"},
        {0, 6, "NetAlarm blocked a connection request from:\r\n"},
        {0xFFFFFFFFu, 1, "NetAlarm blocked an packet from:\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind << " protocol " << c.protocol);
        EXPECT_EQ(c.headline, FormatNetAlarmEntry(Record(c.kind, c.protocol, 1, 2))[0]);
    }
}

TEST(NetAlarmText, AddressesAndPortsAsSigned16BitNumbers)
{
    const NetAlarmEntry e = FormatNetAlarmEntry(Record(0, 6, 8080, 40000));
    EXPECT_EQ("SourceIP: 11.2.3.10 Source Port: 8080\r\n", e[1]);
    EXPECT_EQ("DestinationIP: 192.168.0.1 Destination Port: -25536\r\n", e[2]);
    EXPECT_EQ(std::string(70, '='), e[3]);
    const NetAlarmEntry edge = FormatNetAlarmEntry(Record(0, 6, 32767, 65535));
    EXPECT_EQ("SourceIP: 11.2.3.10 Source Port: 32767\r\n", edge[1]);
    EXPECT_EQ("DestinationIP: 192.168.0.1 Destination Port: -1\r\n", edge[2]);
}
