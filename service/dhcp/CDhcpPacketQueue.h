#pragma once
// CDhcpPacketQueue: the received messages waiting for the packet thread, oldest first. The main thread
// appends, the packet thread takes from the head; the injected lock guards the hand-over.
//
// The queue is bounded. A reservation can hold the packet thread for a second per probed address, so a
// burst of DISCOVERs (a flood of made-up hardware addresses, say) arrives far faster than it is handled;
// unbounded, the queue would grow until memory ran out. Past the bound a datagram is dropped and counted:
// a real client repeats its DISCOVER or REQUEST within seconds anyway.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>

#include "CDHCPPacket.h"
#include "DhcpHostInterfaces.h"

/// Messages that may wait at once: 256 × about 3 KB each. At one probe per message this is four minutes
/// of work, longer than any client waits for an answer, hence the age limit below.
constexpr size_t kDhcpPacketQueueLimit = 256;

/// A DISCOVER that waited longer than this is dropped unhandled when its turn comes. A client repeats its
/// DISCOVER after 4 s (RFC 2131, 4.1) and takes the first offer to its newest one, so an offer to an older
/// one only costs the packet thread a probe of up to a second. After a flood of made-up clients this keeps
/// the backlog to a few seconds instead of minutes, and a real client is served right after. Other messages
/// cost no probe and are always handled.
constexpr uint32_t kDhcpDiscoverMaxWaitMs = 4000;

/// What became of a message handed to the queue.
enum class DhcpQueuePush {
    Queued,            ///< appended
    QueuedAfterDrops,  ///< appended, and the ones before it since the queue filled up had been dropped
    FirstDrop,         ///< dropped: the queue has just become full
    Dropped,           ///< dropped again: the queue is still full
    Replaced,          ///< took the place of the same client's message still waiting (PushReplacingSameClient)
};

class CDhcpPacketQueue {
public:
    /// `lock` may be null (one thread only).
    explicit CDhcpPacketQueue(IDhcpLock* lock, size_t limit = kDhcpPacketQueueLimit);
    CDhcpPacketQueue(const CDhcpPacketQueue&) = delete;
    CDhcpPacketQueue& operator=(const CDhcpPacketQueue&) = delete;

    /// Appends `packet`, received at `arrivedMs` (a millisecond tick that may wrap), unless `limit` messages
    /// wait already; a dropped one is destroyed here.
    DhcpQueuePush Push(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs = 0);
    /// The same, except that a message from the same client (htype, hlen and chaddr) still waiting is
    /// replaced by this newer one, which keeps its place: a client that repeats its DISCOVER wants one
    /// answer, to the newest.
    DhcpQueuePush PushReplacingSameClient(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs);
    /// Messages that took the place of an older one of their client.
    uint64_t Replaced() const;
    /// The oldest waiting message, or null when none waits. DISCOVERs that waited longer than
    /// kDhcpDiscoverMaxWaitMs by `nowMs` are destroyed on the way and counted as stale.
    std::unique_ptr<CDHCPPacket> Pop(uint32_t nowMs = 0);
    /// DISCOVERs dropped for their age since the queue was made.
    uint64_t Stale() const;

    size_t Size() const;
    size_t Limit() const { return limit_; }
    /// Messages dropped since the queue was made.
    uint64_t Dropped() const;
    /// Messages dropped in the run of drops that the last QueuedAfterDrops ended.
    uint64_t LastRunOfDrops() const;

private:
    class Guard;

    IDhcpLock* lock_;
    size_t limit_;
    struct Waiting {
        std::unique_ptr<CDHCPPacket> packet;
        uint32_t arrivedMs;
        bool discover;
    };
    std::deque<Waiting> packets_;
    uint64_t stale_ = 0;
    uint64_t replaced_ = 0;
    uint64_t dropped_ = 0;
    uint64_t currentRun_ = 0;
    uint64_t lastRun_ = 0;
};
