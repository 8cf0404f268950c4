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
    explicit Guard(IDhcpLock* lock) : lock_(lock)
    {
        if (lock_ != nullptr) {
            lock_->Lock();
        }
    }
    ~Guard()
    {
        if (lock_ != nullptr) {
            lock_->Unlock();
        }
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

private:
    IDhcpLock* lock_;
};

CDhcpPacketQueue::CDhcpPacketQueue(IDhcpLock* lock, size_t limit) : lock_(lock), limit_(limit) {}

DhcpQueuePush CDhcpPacketQueue::Push(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs)
{
    const bool discover = CDHCPPacket::FindMessageType(packet->Request(), packet->Length()) == DHCPDISCOVER;
    Guard guard(lock_);
    if (packets_.size() >= limit_) {
        ++dropped_;
        return ++currentRun_ == 1 ? DhcpQueuePush::FirstDrop : DhcpQueuePush::Dropped;
    }
    packets_.push_back(Waiting{std::move(packet), arrivedMs, discover});
    if (currentRun_ == 0) {
        return DhcpQueuePush::Queued;
    }
    lastRun_ = currentRun_;
    currentRun_ = 0;
    return DhcpQueuePush::QueuedAfterDrops;
}

DhcpQueuePush CDhcpPacketQueue::PushReplacingSameClient(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs)
{
    {
        Guard guard(lock_);
        for (Waiting& waiting : packets_) {
            if (SameSender(*waiting.packet, *packet)) {
                waiting.packet = std::move(packet);
                waiting.arrivedMs = arrivedMs;
                waiting.discover =
                    CDHCPPacket::FindMessageType(waiting.packet->Request(), waiting.packet->Length()) == DHCPDISCOVER;
                ++replaced_;
                return DhcpQueuePush::Replaced;
            }
        }
    }
    return Push(std::move(packet), arrivedMs);
}

uint64_t CDhcpPacketQueue::Replaced() const
{
    Guard guard(lock_);
    return replaced_;
}

std::unique_ptr<CDHCPPacket> CDhcpPacketQueue::Pop(uint32_t nowMs)
{
    Guard guard(lock_);
    while (!packets_.empty()) {
        Waiting waiting = std::move(packets_.front());
        packets_.pop_front();
        // Unsigned difference: right across a wrap of the tick.
        if (waiting.discover && nowMs - waiting.arrivedMs > kDhcpDiscoverMaxWaitMs) {
            ++stale_;
            continue;
        }
        return std::move(waiting.packet);
    }
    return nullptr;
}

uint64_t CDhcpPacketQueue::Stale() const
{
    Guard guard(lock_);
    return stale_;
}

size_t CDhcpPacketQueue::Size() const
{
    Guard guard(lock_);
    return packets_.size();
}

uint64_t CDhcpPacketQueue::Dropped() const
{
    Guard guard(lock_);
    return dropped_;
}

uint64_t CDhcpPacketQueue::LastRunOfDrops() const
{
    Guard guard(lock_);
    return lastRun_;
}
