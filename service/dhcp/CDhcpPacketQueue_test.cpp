#include "CDhcpPacketQueue.h"

#include <gtest/gtest.h>

#include <cstring>

#include "DhcpTestSupport.h"

using namespace dhcptest;

namespace {

class PacketQueueTest : public testing::Test {
protected:
    PacketQueueTest() : context(&trace) {}

    // A DISCOVER whose xid tells the messages apart.
    std::unique_ptr<CDHCPPacket> Message(uint32_t xid)
    {
        std::vector<uint8_t> bytes = MessageBuilder(DHCPDISCOVER).Build();
        StoreLe32(&bytes[kDhcpXidOffset], xid);
        return std::unique_ptr<CDHCPPacket>(new CDHCPPacket(context, bytes.data(), bytes.size()));
    }
    static uint32_t Xid(const std::unique_ptr<CDHCPPacket>& packet)
    {
        return LoadLe32(packet->Request() + kDhcpXidOffset);
    }

    FakeTrace trace;
    DhcpServerContext context;
    FakeLock lock;
};

TEST_F(PacketQueueTest, HandsMessagesOutInArrivalOrder)
{
    CDhcpPacketQueue queue(&lock);
    for (uint32_t xid = 1; xid <= 3; ++xid) {
        EXPECT_EQ(DhcpQueuePush::Queued, queue.Push(Message(xid)));
    }
    EXPECT_EQ(3u, queue.Size());
    for (uint32_t xid = 1; xid <= 3; ++xid) {
        std::unique_ptr<CDHCPPacket> packet = queue.Pop();
        ASSERT_NE(nullptr, packet);
        EXPECT_EQ(xid, Xid(packet));
    }
    EXPECT_EQ(nullptr, queue.Pop());
    EXPECT_EQ(0u, queue.Dropped());
}

TEST_F(PacketQueueTest, DropsAndCountsPastTheLimitAndReportsTheRunWhenRoomComesBack)
{
    const size_t limit = 4;
    CDhcpPacketQueue queue(&lock, limit);
    for (uint32_t xid = 1; xid <= limit; ++xid) {
        ASSERT_EQ(DhcpQueuePush::Queued, queue.Push(Message(xid)));
    }
    EXPECT_EQ(DhcpQueuePush::FirstDrop, queue.Push(Message(100)));
    EXPECT_EQ(DhcpQueuePush::Dropped, queue.Push(Message(101)));
    EXPECT_EQ(DhcpQueuePush::Dropped, queue.Push(Message(102)));
    EXPECT_EQ(limit, queue.Size());
    EXPECT_EQ(3u, queue.Dropped());

    // The head is still the oldest message: the dropped ones never got in.
    EXPECT_EQ(1u, Xid(queue.Pop()));
    EXPECT_EQ(DhcpQueuePush::QueuedAfterDrops, queue.Push(Message(5)));
    EXPECT_EQ(3u, queue.LastRunOfDrops());
    EXPECT_EQ(DhcpQueuePush::FirstDrop, queue.Push(Message(103)));
    EXPECT_EQ(4u, queue.Dropped());
    for (uint32_t xid = 2; xid <= 5; ++xid) {
        EXPECT_EQ(xid, Xid(queue.Pop()));
    }
}

TEST_F(PacketQueueTest, TheDefaultBoundHolds)
{
    CDhcpPacketQueue queue(&lock);
    EXPECT_EQ(kDhcpPacketQueueLimit, queue.Limit());
    for (size_t i = 0; i < kDhcpPacketQueueLimit + 10; ++i) {
        queue.Push(Message(static_cast<uint32_t>(i)));
    }
    EXPECT_EQ(kDhcpPacketQueueLimit, queue.Size());
    EXPECT_EQ(10u, queue.Dropped());
}

TEST_F(PacketQueueTest, EveryOperationTakesTheLockAndLetsItGo)
{
    CDhcpPacketQueue queue(&lock);
    queue.Push(Message(1));
    queue.Pop();
    queue.Size();
    queue.Dropped();
    EXPECT_EQ(4, lock.locks);
    EXPECT_FALSE(lock.held);
    EXPECT_EQ(0, lock.recursiveLocks);
}

TEST_F(PacketQueueTest, MessagesLeftWaitingAreFreedWithTheQueue)
{
    // Under the address sanitizer a leak here fails the run.
    CDhcpPacketQueue queue(nullptr, 2);
    queue.Push(Message(1));
    queue.Push(Message(2));
    queue.Push(Message(3));
    EXPECT_EQ(2u, queue.Size());
}

}  // namespace

namespace {
std::unique_ptr<CDHCPPacket> TypedMessage(const DhcpServerContext& context, uint8_t type, uint32_t xid)
{
    std::vector<uint8_t> bytes = MessageBuilder(type).Build();
    StoreLe32(&bytes[kDhcpXidOffset], xid);
    return std::unique_ptr<CDHCPPacket>(new CDHCPPacket(context, bytes.data(), bytes.size()));
}
}  // namespace

TEST_F(PacketQueueTest, DiscoversTooOldForTheirClientAreDroppedOtherMessagesNever)
{
    CDhcpPacketQueue queue(&lock);
    // A tick close to its wrap, so the ages are taken across it.
    const uint32_t t0 = 0xFFFFF000u;
    queue.Push(TypedMessage(context, DHCPDISCOVER, 1), t0);
    queue.Push(TypedMessage(context, DHCPREQUEST, 2), t0);
    queue.Push(TypedMessage(context, DHCPDISCOVER, 3), t0 + 1000);
    queue.Push(TypedMessage(context, DHCPRELEASE, 4), t0 + 1000);
    queue.Push(TypedMessage(context, DHCPDISCOVER, 5), t0 + 4500);

    const uint32_t now = t0 + 4500 + kDhcpDiscoverMaxWaitMs;  // wrapped past zero
    std::vector<uint32_t> handed;
    while (std::unique_ptr<CDHCPPacket> packet = queue.Pop(now))
        handed.push_back(Xid(packet));
    // 1 and 3 waited longer than the limit; 5 waited exactly the limit.
    EXPECT_EQ((std::vector<uint32_t>{2, 4, 5}), handed);
    EXPECT_EQ(2u, queue.Stale());
    EXPECT_EQ(0u, queue.Dropped());
}

TEST_F(PacketQueueTest, TypeIsFoundWhereverTheClientPutIt)
{
    std::vector<uint8_t> late = MessageBuilder(DHCPDISCOVER).Build();
    const uint8_t front[] = {DHO_DHCP_REQUESTED_ADDRESS, 4, 10, 0, 0, 9, DHO_DHCP_MESSAGE_TYPE, 1, DHCPDISCOVER};
    std::memcpy(late.data() + kDhcpOptionsOffset, front, sizeof(front));
    EXPECT_EQ(DHCPDISCOVER, CDHCPPacket::FindMessageType(late.data(), late.size()));
    std::vector<uint8_t> none(kDhcpOptionsOffset, 0);
    none.push_back(DHO_END);
    EXPECT_EQ(0, CDHCPPacket::FindMessageType(none.data(), none.size()));

    CDhcpPacketQueue queue(&lock);
    queue.Push(std::unique_ptr<CDHCPPacket>(new CDHCPPacket(context, late.data(), late.size())), 0);
    EXPECT_EQ(nullptr, queue.Pop(kDhcpDiscoverMaxWaitMs + 1)) << "a DISCOVER with its type further back ages too";
    EXPECT_EQ(1u, queue.Stale());
}
