#include "CDhcpPacketQueue.h"

#include <utility>

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

DhcpQueuePush CDhcpPacketQueue::Push(std::unique_ptr<CDHCPPacket> packet)
{
    Guard guard(m_lock);
    if (m_packets.size() >= m_limit) {
        ++m_dropped;
        return ++m_currentRun == 1 ? DhcpQueuePush::FirstDrop : DhcpQueuePush::Dropped;
    }
    m_packets.push_back(std::move(packet));
    if (m_currentRun == 0) {
        return DhcpQueuePush::Queued;
    }
    m_lastRun = m_currentRun;
    m_currentRun = 0;
    return DhcpQueuePush::QueuedAfterDrops;
}

std::unique_ptr<CDHCPPacket> CDhcpPacketQueue::Pop()
{
    Guard guard(m_lock);
    if (m_packets.empty()) {
        return nullptr;
    }
    std::unique_ptr<CDHCPPacket> packet = std::move(m_packets.front());
    m_packets.pop_front();
    return packet;
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
