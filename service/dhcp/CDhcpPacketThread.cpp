#include "CDhcpPacketThread.h"

#include <utility>
#include <vector>

#include "ServiceLog.h"

CDhcpPacketThread* CDhcpPacketThread::Create(const DhcpThreadParts& parts)
{
    return new CDhcpPacketThread(parts);
}

CDhcpPacketThread::CDhcpPacketThread(const DhcpThreadParts& parts)
    : m_packetWaitMs(parts.packetWaitMs),
      m_provider(parts.accessProvider),
      m_files(parts.os),
      m_probe(parts.probe != nullptr ? parts.probe : &m_icmp),
      m_replies(parts.replies),
      m_queue(&m_queueLock)
{
    if (m_replies != nullptr) {
        m_replies->AddReference();
    }
    DhcpCollaborators c;
    c.clock = parts.clock != nullptr ? parts.clock : &m_systemClock;
    c.probe = this;
    c.sender = m_replies;
    c.trace = &m_log;
    c.files = &m_files;
    // Without a plug-in the core is told there is none, and takes its own short way.
    c.accessProvider = parts.accessProvider != nullptr ? this : nullptr;
    c.lock = &m_tableLock;
    c.saveLock = &m_saveLock;
    c.serviceLog = this;
    c.computerName = parts.computerName;
    c.databasePath = parts.databasePath;
    m_core.reset(new CDhcpServerCore(c));
    m_probes.reset(new CDhcpProbePool(*m_core, *this));
}

CDhcpPacketThread::~CDhcpPacketThread()
{
    // The pool and the core go first: the core may still hold the channel as its sender.
    m_probes.reset();
    m_core.reset();
    if (m_replies != nullptr) {
        m_replies->DropReference();
    }
    if (m_thread != nullptr) {
        CloseHandle(m_thread);
    }
    CloseEvents();
}

void CDhcpPacketThread::AddReference()
{
    InterlockedIncrement(&m_references);
}

void CDhcpPacketThread::DropReference()
{
    if (InterlockedDecrement(&m_references) == 0) {
        delete this;
    }
}

void CDhcpPacketThread::ServiceLine(const char* text)
{
    CServiceLog::Write(text);
}

void CDhcpPacketThread::DetachAccessProvider()
{
    m_providerLock.Lock();
    m_provider = nullptr;
    m_providerLock.Unlock();
}

bool CDhcpPacketThread::Authorise(const uint8_t* hardwareAddress, int length)
{
    m_providerLock.Lock();
    const bool serve = m_provider == nullptr || m_provider->Authorise(hardwareAddress, length);
    m_providerLock.Unlock();
    return serve;
}

void CDhcpPacketThread::Lease(const uint8_t* hardwareAddress, int length, uint32_t address)
{
    m_providerLock.Lock();
    if (m_provider != nullptr) {
        m_provider->Lease(hardwareAddress, length, address);
    }
    m_providerLock.Unlock();
}

void CDhcpPacketThread::Release(const uint8_t* hardwareAddress, int length)
{
    m_providerLock.Lock();
    if (m_provider != nullptr) {
        m_provider->Release(hardwareAddress, length);
    }
    m_providerLock.Unlock();
}

DhcpQueuePush CDhcpPacketThread::Enqueue(std::unique_ptr<CDHCPPacket> packet)
{
    const DhcpQueuePush result = m_queue.Push(std::move(packet), GetTickCount());
    if ((result == DhcpQueuePush::Queued || result == DhcpQueuePush::QueuedAfterDrops) && m_packetEvent != nullptr) {
        SetEvent(m_packetEvent);
    }
    return result;
}

void CDhcpPacketThread::CloseEvents()
{
    HANDLE* events[] = {&m_stopEvent, &m_packetEvent, &m_doneEvent};
    for (HANDLE* event : events) {
        if (*event != nullptr) {
            CloseHandle(*event);
            *event = nullptr;
        }
    }
}

bool CDhcpPacketThread::Start()
{
    if (m_outstanding) {
        return false;
    }
    InterlockedExchange(&m_stopping, 0);
    m_probes->Resume();
    m_stopEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_packetEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    m_doneEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (m_stopEvent == nullptr || m_packetEvent == nullptr || m_doneEvent == nullptr) {
        CloseEvents();
        return false;
    }
    // The running thread holds a reference of its own until its last step.
    AddReference();
    DWORD id = 0;
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, 0, &id);
    if (m_thread == nullptr) {
        InterlockedDecrement(&m_references);
        CloseEvents();
        return false;
    }
    m_outstanding = true;
    if (m_queue.Size() > 0) {
        SetEvent(m_packetEvent);
    }
    return true;
}

void CDhcpPacketThread::SignalStop()
{
    if (!m_outstanding) {
        return;
    }
    InterlockedExchange(&m_stopping, 1);
    m_probes->Stop();
    SetEvent(m_stopEvent);
    SetEvent(m_packetEvent);
    if (m_thread != nullptr) {
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
}

bool CDhcpPacketThread::WaitForEnd(DWORD ms)
{
    if (!m_outstanding) {
        return true;
    }
    if (WaitForSingleObject(m_doneEvent, ms) != WAIT_OBJECT_0) {
        return false;
    }
    m_outstanding = false;
    if (m_thread != nullptr) {
        CloseHandle(m_thread);
        m_thread = nullptr;
    }
    CloseEvents();
    return true;
}

DWORD WINAPI CDhcpPacketThread::ThreadMain(LPVOID self)
{
    static_cast<CDhcpPacketThread*>(self)->Run();
    return 0;
}

void CDhcpPacketThread::Run()
{
    for (;;) {
        if (Stopping() || WaitForSingleObject(m_stopEvent, 0) == WAIT_OBJECT_0) {
            break;
        }
        WaitForSingleObject(m_packetEvent, m_packetWaitMs);
        // Messages that arrive meanwhile signal the event again and are taken in the next round at once.
        const uint64_t staleBefore = m_queue.Stale() + m_probes->Stale();
        std::vector<std::unique_ptr<CDHCPPacket>> batch;
        {
            CDhcpLogBatch lines(m_log);
            while (!Stopping() && batch.size() < kDhcpBatchLimit) {
                std::unique_ptr<CDHCPPacket> packet = m_queue.Pop(GetTickCount());
                if (packet == nullptr) {
                    break;
                }
                // A DISCOVER waits for its probe on a thread of its own; nothing else waits behind it.
                if (CDHCPPacket::FindMessageType(packet->Request(), packet->Length()) == DHCPDISCOVER) {
                    TraceProbeQueue(m_probes->Submit(std::move(packet), GetTickCount()));
                } else {
                    batch.push_back(std::move(packet));
                }
            }
            if (!batch.empty()) {
                std::vector<CDHCPPacket*> messages;
                for (const auto& packet : batch) {
                    messages.push_back(packet.get());
                }
                m_core->HandleBatch(messages.data(), messages.size());
            }
            const uint64_t stale = m_queue.Stale() + m_probes->Stale();
            if (stale != staleBefore) {
                Trace().Format("Dropped %d DISCOVER messages that waited longer than %d ms",
                               static_cast<int>(stale - staleBefore), static_cast<int>(kDhcpDiscoverMaxWaitMs));
            }
            if (!Stopping()) {
                m_core->ExpireLeases();
                m_core->ExpireOffers();
            }
        }
        if (batch.size() == kDhcpBatchLimit) {
            // More may be waiting: the next round starts at once.
            SetEvent(m_packetEvent);
        }
    }
    // The probe threads use the core: they end before the thread reports its own end. Once a stop is
    // asked for their probes answer at once, so this is the rest of one echo at most.
    m_probes->Stop();
    m_probes->WaitDrained(INFINITE);
    Trace().Line("Process Packet Thread Done");
    SetEvent(m_doneEvent);
    // After this the thread touches nothing of the object: a server destroyed meanwhile leaves the freeing
    // to this last reference.
    DropReference();
}

void CDhcpPacketThread::TraceProbeQueue(DhcpQueuePush pushed)
{
    switch (pushed) {
    case DhcpQueuePush::FirstDrop:
        Trace().Format("DhcpServer: probe queue full (%u waiting), dropping DISCOVERs",
                       static_cast<unsigned>(kDhcpPacketQueueLimit));
        break;
    case DhcpQueuePush::QueuedAfterDrops:
        Trace().Format("DhcpServer: probe queue has room again, %lu DISCOVERs dropped",
                       static_cast<unsigned long>(m_probes->LastRunOfDrops()));
        break;
    default:
        break;
    }
}

bool CDhcpPacketThread::Answers(uint32_t address)
{
    if (Stopping()) {
        return true;
    }
    return m_probe->Answers(address);
}
