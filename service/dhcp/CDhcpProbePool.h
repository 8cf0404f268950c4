#pragma once
// CDhcpProbePool: the threads that answer DISCOVERs. Every new client's exchange waits up to a second for
// the echo probe of its address, so DISCOVERs are answered side by side, each on a thread of its own,
// while the packet thread goes on with requests, renewals and releases (which never wait behind a probe).
// The core reserves each address while it is probed, so two clients are never offered the same one.
//
// Threads are made when work comes and none is idle, up to kDhcpProbeThreadLimit, and end after
// kDhcpProbeIdleMs without work, so a quiet server keeps none. DISCOVERs wait in a bounded queue with the
// age rule of the packet queue: one that waited longer than a client waits for its answer is dropped.
// A client's newer DISCOVER takes the place of its older one still waiting.
#include <windows.h>

#include <memory>

#include "CDhcpPacketQueue.h"
#include "CDhcpServerCore.h"
#include "CWin32DhcpLock.h"

/// At most this many DISCOVERs are answered at once: 253 new clients (the largest pool) booting together
/// are all offered an address within about eight seconds of probes, while the threads, each about a
/// megabyte under Wine, stay few.
constexpr LONG kDhcpProbeThreadLimit = 32;
/// A probe thread without work for this long ends.
constexpr DWORD kDhcpProbeIdleMs = 10000;
/// Each probe thread's stack: it runs the core's DISCOVER handling and one ICMP echo.
constexpr DWORD kDhcpProbeStackBytes = 64 * 1024;

/// Keeps the object the pool lives in while a probe thread runs.
class IDhcpProbePoolOwner {
public:
    virtual ~IDhcpProbePoolOwner() = default;
    virtual void AddReference() = 0;
    virtual void DropReference() = 0;
};

class CDhcpProbePool {
public:
    CDhcpProbePool(CDhcpServerCore& core, IDhcpProbePoolOwner& owner);
    ~CDhcpProbePool();
    CDhcpProbePool(const CDhcpProbePool&) = delete;
    CDhcpProbePool& operator=(const CDhcpProbePool&) = delete;

    /// Hands a DISCOVER to the pool (the packet thread): queued (possibly in the place of the same
    /// client's older one), or dropped because kDhcpPacketQueueLimit wait already or the pool is stopping.
    DhcpQueuePush Submit(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs);
    /// From now on no DISCOVER is taken; idle threads end at once, busy ones after their DISCOVER.
    void Stop();
    /// Takes DISCOVERs again after a Stop.
    void Resume();
    /// Waits up to `ms` until no probe thread runs.
    bool WaitDrained(DWORD ms);

    /// DISCOVERs dropped for their age, or because a newer one of the same client took their place.
    uint64_t Stale() const { return queue_.Stale(); }
    uint64_t Replaced() const { return queue_.Replaced(); }
    size_t Waiting() const { return queue_.Size(); }
    uint64_t Dropped() const { return queue_.Dropped(); }
    uint64_t LastRunOfDrops() const { return queue_.LastRunOfDrops(); }
    LONG Threads() const { return threads_; }

private:
    static DWORD WINAPI ThreadMain(LPVOID self);
    void Run();

    CDhcpServerCore& core_;
    IDhcpProbePoolOwner& owner_;
    CWin32DhcpLock queueLock_;
    CDhcpPacketQueue queue_;
    CRITICAL_SECTION lock_;  ///< the counts below and the decision to start or end a thread
    HANDLE work_;            ///< semaphore: one count per DISCOVER handed in (and per wake-up at stop)
    HANDLE drained_;         ///< manual-reset: set while no thread runs
    volatile LONG threads_ = 0;
    LONG idle_ = 0;
    volatile LONG stopping_ = 0;
};
