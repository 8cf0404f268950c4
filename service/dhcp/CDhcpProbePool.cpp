#include "CDhcpProbePool.h"

#include <climits>

CDhcpProbePool::CDhcpProbePool(CDhcpServerCore& core, IDhcpProbePoolOwner& owner)
    : core_(core), owner_(owner), queue_(&queueLock_)
{
    InitializeCriticalSection(&lock_);
    work_ = CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr);
    drained_ = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

CDhcpProbePool::~CDhcpProbePool()
{
    // The owner outlives every thread (each holds a reference), so none runs here.
    CloseHandle(work_);
    CloseHandle(drained_);
    DeleteCriticalSection(&lock_);
}

DhcpQueuePush CDhcpProbePool::Submit(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs)
{
    if (stopping_ != 0) {
        return DhcpQueuePush::Dropped;
    }
    EnterCriticalSection(&lock_);
    const DhcpQueuePush pushed = queue_.PushReplacingSameClient(std::move(packet), arrivedMs);
    if (pushed == DhcpQueuePush::Replaced) {
        // Its older DISCOVER's place, and that one's wake-up, serve it.
        LeaveCriticalSection(&lock_);
        return pushed;
    }
    const bool queued = pushed == DhcpQueuePush::Queued || pushed == DhcpQueuePush::QueuedAfterDrops;
    // An idle thread may be on its way to a DISCOVER handed in before this one: a new thread is made
    // whenever more wait than there are idle threads to take them.
    if (queued && queue_.Size() > static_cast<size_t>(idle_) && threads_ < kDhcpProbeThreadLimit) {
        owner_.AddReference();
        DWORD id = 0;
        HANDLE thread = CreateThread(nullptr, kDhcpProbeStackBytes, ThreadMain, this, 0, &id);
        if (thread != nullptr) {
            CloseHandle(thread);
            InterlockedIncrement(&threads_);
            ResetEvent(drained_);
        } else {
            // The DISCOVER waits for a thread that is running, or for the next one made; its client
            // repeats it anyway.
            owner_.DropReference();
        }
    }
    LeaveCriticalSection(&lock_);
    if (queued) {
        ReleaseSemaphore(work_, 1, nullptr);
    }
    return pushed;
}

void CDhcpProbePool::Stop()
{
    InterlockedExchange(&stopping_, 1);
    EnterCriticalSection(&lock_);
    const LONG threads = threads_;
    LeaveCriticalSection(&lock_);
    if (threads > 0) {
        ReleaseSemaphore(work_, threads, nullptr);
    }
}

void CDhcpProbePool::Resume()
{
    InterlockedExchange(&stopping_, 0);
}

bool CDhcpProbePool::WaitDrained(DWORD ms)
{
    return WaitForSingleObject(drained_, ms) == WAIT_OBJECT_0;
}

DWORD WINAPI CDhcpProbePool::ThreadMain(LPVOID self)
{
    static_cast<CDhcpProbePool*>(self)->Run();
    return 0;
}

void CDhcpProbePool::Run()
{
    for (;;) {
        EnterCriticalSection(&lock_);
        ++idle_;
        LeaveCriticalSection(&lock_);
        const DWORD waited = WaitForSingleObject(work_, kDhcpProbeIdleMs);
        EnterCriticalSection(&lock_);
        --idle_;
        // Ending is decided under the lock Submit starts threads under: work handed in after this point
        // finds this thread gone and starts another.
        if (stopping_ != 0 || (waited != WAIT_OBJECT_0 && queue_.Size() == 0)) {
            break;
        }
        LeaveCriticalSection(&lock_);
        std::unique_ptr<CDHCPPacket> packet = queue_.Pop(GetTickCount());
        if (packet != nullptr) {
            core_.HandlePacket(*packet);
        }
    }
    // The owner's last reference may free the pool with it: nothing of this object is touched after it.
    IDhcpProbePoolOwner& owner = owner_;
    if (InterlockedDecrement(&threads_) == 0) {
        SetEvent(drained_);
    }
    LeaveCriticalSection(&lock_);
    owner.DropReference();
}
