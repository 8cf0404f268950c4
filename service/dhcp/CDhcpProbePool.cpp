#include "CDhcpProbePool.h"

#include <climits>

CDhcpProbePool::CDhcpProbePool(CDhcpServerCore& core, IDhcpProbePoolOwner& owner)
    : m_core(core), m_owner(owner), m_queue(&m_queueLock)
{
    InitializeCriticalSection(&m_lock);
    m_work = CreateSemaphoreA(nullptr, 0, LONG_MAX, nullptr);
    m_drained = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

CDhcpProbePool::~CDhcpProbePool()
{
    // The owner outlives every thread (each holds a reference), so none runs here.
    CloseHandle(m_work);
    CloseHandle(m_drained);
    DeleteCriticalSection(&m_lock);
}

DhcpQueuePush CDhcpProbePool::Submit(std::unique_ptr<CDHCPPacket> packet, uint32_t arrivedMs)
{
    if (m_stopping != 0) {
        return DhcpQueuePush::Dropped;
    }
    EnterCriticalSection(&m_lock);
    const DhcpQueuePush pushed = m_queue.PushReplacingSameClient(std::move(packet), arrivedMs);
    if (pushed == DhcpQueuePush::Replaced) {
        // Its older DISCOVER's place, and that one's wake-up, serve it.
        LeaveCriticalSection(&m_lock);
        return pushed;
    }
    const bool queued = pushed == DhcpQueuePush::Queued || pushed == DhcpQueuePush::QueuedAfterDrops;
    // An idle thread may be on its way to a DISCOVER handed in before this one: a new thread is made
    // whenever more wait than there are idle threads to take them.
    if (queued && m_queue.Size() > static_cast<size_t>(m_idle) && m_threads < kDhcpProbeThreadLimit) {
        m_owner.AddReference();
        DWORD id = 0;
        HANDLE thread = CreateThread(nullptr, kDhcpProbeStackBytes, ThreadMain, this, 0, &id);
        if (thread != nullptr) {
            CloseHandle(thread);
            InterlockedIncrement(&m_threads);
            ResetEvent(m_drained);
        } else {
            // The DISCOVER waits for a thread that is running, or for the next one made; its client
            // repeats it anyway.
            m_owner.DropReference();
        }
    }
    LeaveCriticalSection(&m_lock);
    if (queued) {
        ReleaseSemaphore(m_work, 1, nullptr);
    }
    return pushed;
}

void CDhcpProbePool::Stop()
{
    InterlockedExchange(&m_stopping, 1);
    EnterCriticalSection(&m_lock);
    const LONG threads = m_threads;
    LeaveCriticalSection(&m_lock);
    if (threads > 0) {
        ReleaseSemaphore(m_work, threads, nullptr);
    }
}

void CDhcpProbePool::Resume()
{
    InterlockedExchange(&m_stopping, 0);
}

bool CDhcpProbePool::WaitDrained(DWORD ms)
{
    return WaitForSingleObject(m_drained, ms) == WAIT_OBJECT_0;
}

DWORD WINAPI CDhcpProbePool::ThreadMain(LPVOID self)
{
    static_cast<CDhcpProbePool*>(self)->Run();
    return 0;
}

void CDhcpProbePool::Run()
{
    for (;;) {
        EnterCriticalSection(&m_lock);
        ++m_idle;
        LeaveCriticalSection(&m_lock);
        const DWORD waited = WaitForSingleObject(m_work, kDhcpProbeIdleMs);
        EnterCriticalSection(&m_lock);
        --m_idle;
        // Ending is decided under the lock Submit starts threads under: work handed in after this point
        // finds this thread gone and starts another.
        if (m_stopping != 0 || (waited != WAIT_OBJECT_0 && m_queue.Size() == 0)) {
            break;
        }
        LeaveCriticalSection(&m_lock);
        std::unique_ptr<CDHCPPacket> packet = m_queue.Pop(GetTickCount());
        if (packet != nullptr) {
            m_core.HandlePacket(*packet);
        }
    }
    // The owner's last reference may free the pool with it: nothing of this object is touched after it.
    IDhcpProbePoolOwner& owner = m_owner;
    if (InterlockedDecrement(&m_threads) == 0) {
        SetEvent(m_drained);
    }
    LeaveCriticalSection(&m_lock);
    owner.DropReference();
}
