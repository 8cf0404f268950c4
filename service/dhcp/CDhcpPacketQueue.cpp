#include "CDhcpPacketQueue.h"

#include <cstring>
#include <utility>

namespace {

// Same htype, hlen and chaddr in two received messages (false when either is too short to hold them).
bool SameSender(const CDHCPPacket& a, const CDHCPPacket& b)
{
    constexpr size_t kEnd = kDhcpChaddrOffset + kDhcpChaddrSize;
    if (a.Length() < kEnd || b.Length() < kEnd) {
        return false;
    }
    return a.Request()[kDhcpHtypeOffset] == b.Request()[kDhcpHtypeOffset] &&
           a.Request()[kDhcpHlenOffset] == b.Request()[kDhcpHlenOffset] &&
           std::memcmp(a.Request() + kDhcpChaddrOffset, b.Request() + kDhcpChaddrOffset, kDhcpChaddrSize) == 0;
}

}  // namespace

class CDhcpPacketQueue::Guard {
public:
    explicit Guard(IDhcpLock* lock) : m_lock(lock)
    {
        if (m_lock != nullptr) {
            m_lock->Lock();
        }
    }
    ~Guard()
    {
        if (m_lock != nullptr) {
            m_lock->Unlock();
        }
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    IDhcpLock* m_lock;
};

CDhcpPacketQueue::CDhcpPacketQueue(IDhcpLock* lock, size_t limit) : m_lock(lock), m_limit(limit) {}

DhcpQueuePush CDhcpPacketQueue::Push(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs)
{
    const bool discover =
        CDHCPPacket::FindMessageType(packet->Request(), packet->Length()) == DHCPDISCOVER;
    Guard guard(m_lock);
    if (m_packets.size() >= m_limit) {
        ++m_dropped;
        return ++m_currentRun == 1 ? DhcpQueuePush::FirstDrop : DhcpQueuePush::Dropped;
    }
    m_packets.push_back(Waiting{std::move(packet), arrivedMs, discover});
    if (m_currentRun == 0) {
        return DhcpQueuePush::Queued;
    }
    m_lastRun = m_currentRun;
    m_currentRun = 0;
    return DhcpQueuePush::QueuedAfterDrops;
}

DhcpQueuePush CDhcpPacketQueue::PushReplacingSameClient(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs)
{
    {
        Guard guard(m_lock);
        for (Waiting& waiting : m_packets) {
            if (SameSender(*waiting.packet, *packet)) {
                waiting.packet = std::move(packet);
                waiting.arrivedMs = arrivedMs;
                waiting.discover =
                    CDHCPPacket::FindMessageType(waiting.packet->Request(), waiting.packet->Length()) == DHCPDISCOVER;
                ++m_replaced;
                return DhcpQueuePush::Replaced;
            }
        }
    }
    return Push(std::move(packet), arrivedMs);
}

uint64_t CDhcpPacketQueue::Replaced() const
{
    Guard guard(m_lock);
    return m_replaced;
}

std::unique_ptr<CDHCPPacket> CDhcpPacketQueue::Pop(uint32_t nowMs)
{
    Guard guard(m_lock);
    while (!m_packets.empty()) {
        Waiting waiting = std::move(m_packets.front());
        m_packets.pop_front();
        // Unsigned difference: right across a wrap of the tick.
        if (waiting.discover && nowMs - waiting.arrivedMs > kDhcpDiscoverMaxWaitMs) {
            ++m_stale;
            continue;
        }
        return std::move(waiting.packet);
    }
    return nullptr;
}

uint64_t CDhcpPacketQueue::Stale() const
{
    Guard guard(m_lock);
    return m_stale;
}

size_t CDhcpPacketQueue::Size() const
{
    Guard guard(m_lock);
    return m_packets.size();
}

uint64_t CDhcpPacketQueue::Dropped() const
{
    Guard guard(m_lock);
    return m_dropped;
}

uint64_t CDhcpPacketQueue::LastRunOfDrops() const
{
    Guard guard(m_lock);
    return m_lastRun;
}
