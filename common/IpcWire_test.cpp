#include "IpcWire.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values) {
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

TEST(IpcWire, RequestCodesHaveTheirProtocolValues)
{
    struct Code {
        uint32_t code;
        uint32_t value;
    };
    const Code codes[] = {
        {IPC_PING, 0x464},          {IPC_SET_SHARING, 0x4A2},
        {IPC_DIAL, 0x4C9},          {IPC_HANG_UP, 0x4CA},
        {IPC_STOP_SERVICE, 0x4CD},  {IPC_GET_CLIENTS, 0x4D2},
        {IPC_SET_DNS_RELAY, 0x4DC}, {IPC_GET_DNS_STATUS, 0x4DD},
        {IPC_SET_DHCP, 0x4E0},      {IPC_GET_DHCP_STATUS, 0x4E1},
        {IPC_GET_NETALARM, 0x4E6},  {IPC_SET_NETALARM, 0x4E7},
    };
    for (const Code& c : codes) {
        EXPECT_EQ(c.value, c.code);
    }
}

TEST(IpcWire, WordsAreLittleEndian)
{
    uint8_t word[4];
    IpcPutWord(word, IPC_REPLY_MAGIC);
    EXPECT_EQ(Bytes({0xB2, 0x9A, 0x65, 0xF4}), std::vector<uint8_t>(word, word + 4));
    EXPECT_EQ(IPC_REPLY_MAGIC, IpcGetWord(word));
}

TEST(IpcWire, BlockWordsPastTheEndReadAsZero)
{
    const std::vector<uint8_t> block = Bytes({1, 0, 0, 0, 0x22, 0x11, 0x33});
    struct Case {
        size_t index;
        uint32_t expected;
    };
    const Case cases[] = {
        {0, 1},
        {1, 0x00331122},  // cut word: the bytes there, zeros for the rest
        {2, 0},
        {100, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, IpcBlockWord(block.data(), block.size(), c.index)) << "word " << c.index;
    }
    EXPECT_EQ(0u, IpcBlockWord(nullptr, 0, 0));
}

TEST(IpcWire, DecodeRequestSplitsCodeAndPayload)
{
    const std::vector<uint8_t> datagram = Bytes({0xA2, 0x04, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0});
    IpcRequestView view;
    ASSERT_TRUE(IpcDecodeRequest(datagram.data(), datagram.size(), &view));
    EXPECT_EQ(IPC_SET_SHARING, view.code);
    EXPECT_EQ(8u, view.payloadLength);
    EXPECT_EQ(datagram.data() + 4, view.payload);
}

TEST(IpcWire, DatagramShorterThanTheCodeIsNoRequest)
{
    const std::vector<uint8_t> datagram = Bytes({0x64, 0x04, 0});
    IpcRequestView view;
    for (size_t n = 0; n < 4; ++n) {
        EXPECT_FALSE(IpcDecodeRequest(datagram.data(), n, &view)) << n << " bytes";
    }
    ASSERT_TRUE(IpcDecodeRequest(Bytes({0x64, 0x04, 0, 0}).data(), 4, &view));
    EXPECT_EQ(0u, view.payloadLength);
}

TEST(IpcWire, EncodesTheConsolesRequestShapes)
{
    EXPECT_EQ(Bytes({0x64, 0x04, 0, 0}), IpcEncodeRequest(IPC_PING));
    EXPECT_EQ(Bytes({0xA2, 0x04, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}), IpcEncodeCommand(IPC_SET_SHARING, 1, 1));
    const uint8_t block[] = {9, 8, 7};
    EXPECT_EQ(Bytes({0xE0, 0x04, 0, 0, 9, 8, 7}), IpcEncodeSettingsRequest(IPC_SET_DHCP, block, sizeof block));
    EXPECT_EQ(Bytes({0xE0, 0x04, 0, 0}), IpcEncodeSettingsRequest(IPC_SET_DHCP, nullptr, 0));
}

TEST(IpcWire, ReplyIsMagicThenData)
{
    EXPECT_EQ(Bytes({0xB2, 0x9A, 0x65, 0xF4}), IpcEncodeReply(nullptr, 0));
    const uint8_t data[] = {5, 6};
    EXPECT_EQ(Bytes({0xB2, 0x9A, 0x65, 0xF4, 5, 6}), IpcEncodeReply(data, 2));
}

TEST(IpcWire, RecognisesRepliesByTheMagicAlone)
{
    struct Case {
        std::vector<uint8_t> datagram;
        bool reply;
    };
    const Case cases[] = {
        {Bytes({0xB2, 0x9A, 0x65, 0xF4}), true},  {Bytes({0xB2, 0x9A, 0x65, 0xF4, 1, 2, 3}), true},
        {Bytes({0xB2, 0x9A, 0x65}), false},        // shorter than the magic
        {Bytes({0xF4, 0x65, 0x9A, 0xB2}), false},  // big-endian magic
        {Bytes({0x64, 0x04, 0, 0}), false},       {Bytes({}), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.reply, IpcIsReply(c.datagram.data(), c.datagram.size())) << c.datagram.size() << " bytes";
    }
}

TEST(IpcWire, DhcpBlockLayout)
{
    IpcDhcpBlock block;
    block.useOrRunning = 1;
    block.lowAddress = 10;
    block.highAddress = 200;
    block.network = 0x0000A8C0;  // 192.168.0.0 in memory order
    uint8_t out[kIpcDhcpBlockSize];
    IpcEncodeDhcpBlock(block, out);
    EXPECT_EQ(Bytes({20, 0, 0, 0, 1, 0, 0, 0, 10, 0, 0, 0, 200, 0, 0, 0, 0xC0, 0xA8, 0, 0}),
              std::vector<uint8_t>(out, out + sizeof out));
    IpcDhcpBlock back = IpcDecodeDhcpBlock(out, sizeof out);
    EXPECT_EQ(20u, back.size);
    EXPECT_EQ(1u, back.useOrRunning);
    EXPECT_EQ(10u, back.lowAddress);
    EXPECT_EQ(200u, back.highAddress);
    EXPECT_EQ(0x0000A8C0u, back.network);
}

TEST(IpcWire, ShortDhcpSettingsReadAsZeros)
{
    const std::vector<uint8_t> payload = Bytes({20, 0, 0, 0, 1, 0, 0, 0, 5});
    IpcDhcpBlock block = IpcDecodeDhcpBlock(payload.data(), payload.size());
    EXPECT_EQ(1u, block.useOrRunning);
    EXPECT_EQ(5u, block.lowAddress);
    EXPECT_EQ(0u, block.highAddress);
    EXPECT_EQ(0u, block.network);
}

TEST(IpcWire, DnsStatusLayout)
{
    IpcDnsStatus status;
    status.relayRunning = 1;
    status.dhcpRunning = 1;
    status.lanAddress = 0x0100A8C0;  // 192.168.0.1
    uint8_t out[kIpcDnsStatusSize];
    IpcEncodeDnsStatus(status, out);
    EXPECT_EQ(Bytes({16, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0xC0, 0xA8, 0, 1}), std::vector<uint8_t>(out, out + 16));
    IpcDnsStatus back = IpcDecodeDnsStatus(out, sizeof out);
    EXPECT_EQ(16u, back.size);
    EXPECT_EQ(0x0100A8C0u, back.lanAddress);
}

TEST(IpcWire, NetAlarmLayout)
{
    IpcNetAlarmSettings settings;
    settings.enable = 1;
    settings.messageBox = 0;
    settings.delayTime = 300;
    settings.logAlarms = 1;
    uint8_t out[kIpcNetAlarmSize];
    IpcEncodeNetAlarm(settings, out);
    EXPECT_EQ(Bytes({20, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0x2C, 1, 0, 0, 1, 0, 0, 0}),
              std::vector<uint8_t>(out, out + 20));
    IpcNetAlarmSettings back = IpcDecodeNetAlarm(out, 16);  // the last word cut off
    EXPECT_EQ(1u, back.enable);
    EXPECT_EQ(300u, back.delayTime);
    EXPECT_EQ(0u, back.logAlarms);
}

TEST(IpcWire, ClientRecordLayout)
{
    IpcClientEntry client;
    client.idHostname = "pc1";
    client.inAddr = 0x0A00A8C0;  // 192.168.0.10
    const uint8_t mac[6] = {0x00, 0x0C, 0x29, 0xAA, 0xBB, 0xCC};
    memcpy(client.hdwrAddr, mac, 6);
    client.internetAccess = 1;
    uint8_t out[kIpcClientRecordSize];
    memset(out, 0xEE, sizeof out);
    IpcEncodeClientRecord(client, out);
    std::vector<uint8_t> expected(kIpcClientRecordSize, 0);
    expected[0] = 'p';
    expected[1] = 'c';
    expected[2] = '1';
    const uint8_t tail[] = {0xC0, 0xA8, 0, 0x0A, 0x00, 0x0C, 0x29, 0xAA, 0xBB, 0xCC, 0, 0, 1, 0, 0, 0};
    memcpy(&expected[100], tail, sizeof tail);
    EXPECT_EQ(expected, std::vector<uint8_t>(out, out + sizeof out));

    IpcClientEntry back = IpcDecodeClientRecord(out);
    EXPECT_EQ("pc1", back.idHostname);
    EXPECT_EQ(client.inAddr, back.inAddr);
    EXPECT_EQ(0, memcmp(mac, back.hdwrAddr, 6));
    EXPECT_EQ(1u, back.internetAccess);
}

TEST(IpcWire, HostNameOfAHundredBytesHasNoTerminator)
{
    struct Case {
        size_t length;
        size_t kept;
    };
    const Case cases[] = {{99, 99}, {100, 100}, {101, 100}, {250, 100}};
    for (const Case& c : cases) {
        IpcClientEntry client;
        client.idHostname.assign(c.length, 'h');
        client.inAddr = 0x01020304;
        uint8_t out[kIpcClientRecordSize];
        IpcEncodeClientRecord(client, out);
        EXPECT_EQ(0x04, out[kIpcClientRecordAddress]) << "the name never runs into the address";
        EXPECT_EQ(std::string(c.kept, 'h'), IpcDecodeClientRecord(out).idHostname) << c.length;
        if (c.kept < kIpcClientHostNameSize) {
            EXPECT_EQ(0, out[c.kept]);
        }
    }
}

TEST(IpcWire, EmptyClientListIsHeaderAndTail)
{
    std::vector<uint8_t> data = IpcEncodeClientList(1, {});
    ASSERT_EQ(128u, data.size());
    EXPECT_EQ(1u, IpcGetWord(&data[0]));
    EXPECT_EQ(0u, IpcGetWord(&data[4]));
    EXPECT_EQ(0u, IpcGetWord(&data[8]));
    for (size_t i = 12; i < data.size(); ++i) {
        ASSERT_EQ(0, data[i]) << "tail byte " << i;
    }
}

TEST(IpcWire, ClientListHoldsRecordsInOrder)
{
    for (size_t count : {1u, 2u, 5u}) {
        std::vector<IpcClientEntry> clients(count);
        for (size_t i = 0; i < count; ++i) {
            clients[i].idHostname = "host" + std::to_string(i);
            clients[i].inAddr = static_cast<uint32_t>(0x0000A8C0 | ((i + 2) << 24));
        }
        std::vector<uint8_t> data = IpcEncodeClientList(0, clients);
        ASSERT_EQ(128 + 116 * count, data.size());
        IpcClientList list;
        ASSERT_TRUE(IpcDecodeClientList(data.data(), data.size(), &list));
        EXPECT_EQ(count, list.count);
        ASSERT_EQ(count, list.clients.size());
        for (size_t i = 0; i < count; ++i) {
            EXPECT_EQ(clients[i].idHostname, list.clients[i].idHostname);
            EXPECT_EQ(clients[i].inAddr, list.clients[i].inAddr);
        }
    }
}

TEST(IpcWire, ClientListCutByTheBufferKeepsWholeRecordsOnly)
{
    std::vector<IpcClientEntry> clients(3);
    std::vector<uint8_t> data = IpcEncodeClientList(0, clients);
    IpcClientList list;
    ASSERT_TRUE(IpcDecodeClientList(data.data(), 12 + 116 * 2 + 50, &list));
    EXPECT_EQ(3u, list.count);
    EXPECT_EQ(2u, list.clients.size());
    EXPECT_FALSE(IpcDecodeClientList(data.data(), 11, &list));
}

TEST(IpcWire, ClientListNeverOutgrowsADatagram)
{
    std::vector<IpcClientEntry> clients(kIpcMaxListedClients + 10);
    std::vector<uint8_t> data = IpcEncodeClientList(0, clients);
    EXPECT_LE(data.size() + kIpcReplyDataOffset, kIpcMaxDatagramSize);
    EXPECT_EQ(kIpcMaxListedClients, IpcGetWord(&data[8]));
    EXPECT_EQ(128 + 116 * kIpcMaxListedClients, data.size());
}

}  // namespace
