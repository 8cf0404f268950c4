#include "CDhcpPacketThread.h"

#include <utility>
#include <vector>

#include "ServiceLog.h"

CDhcpPacketThread* CDhcpPacketThread::Create(const DhcpThreadParts& parts)
{
    return new CDhcpPacketThread(parts);
}

CDhcpPacketThread::CDhcpPacketThread(const DhcpThreadParts& parts)
    : packetWaitMs_(parts.packetWaitMs),
      provider_(parts.accessProvider),
      files_(parts.os),
      probe_(parts.probe != nullptr ? parts.probe : &icmp_),
      replies_(parts.replies),
      queue_(&queueLock_)
{
    if (replies_ != nullptr) {
        replies_->AddReference();
    }
    DhcpCollaborators c;
    c.clock = parts.clock != nullptr ? parts.clock : &systemClock_;
    c.probe = this;
    c.sender = replies_;
    c.trace = &log_;
    c.files = &files_;
    // Without a plug-in the core is told there is none, and takes its own short way.
    c.accessProvider = parts.accessProvider != nullptr ? this : nullptr;
    c.lock = &tableLock_;
    c.saveLock = &saveLock_;
    c.serviceLog = this;
    c.computerName = parts.computerName;
    c.databasePath = parts.databasePath;
    core_.reset(new CDhcpServerCore(c));
    probes_.reset(new CDhcpProbePool(*core_, *this));
}

CDhcpPacketThread::~CDhcpPacketThread()
{
    // The pool and the core go first: the core may still hold the channel as its sender.
    probes_.reset();
    core_.reset();
    if (replies_ != nullptr) {
        replies_->DropReference();
    }
    if (thread_ != nullptr) {
        CloseHandle(thread_);
    }
    CloseEvents();
}

void CDhcpPacketThread::AddReference()
{
    InterlockedIncrement(&references_);
}

void CDhcpPacketThread::DropReference()
{
    if (InterlockedDecrement(&references_) == 0) {
        delete this;
    }
}

void CDhcpPacketThread::ServiceLine(const char* text)
{
    CServiceLog::Write(text);
}

void CDhcpPacketThread::DetachAccessProvider()
{
    providerLock_.Lock();
    provider_ = nullptr;
    providerLock_.Unlock();
}

bool CDhcpPacketThread::Authorise(const uint8_t* hardwareAddress, int length)
{
    providerLock_.Lock();
    const bool serve = provider_ == nullptr || provider_->Authorise(hardwareAddress, length);
    providerLock_.Unlock();
    return serve;
}

void CDhcpPacketThread::Lease(const uint8_t* hardwareAddress, int length, uint32_t address)
{
    providerLock_.Lock();
    if (provider_ != nullptr) {
        provider_->Lease(hardwareAddress, length, address);
    }
    providerLock_.Unlock();
}

void CDhcpPacketThread::Release(const uint8_t* hardwareAddress, int length)
{
    providerLock_.Lock();
    if (provider_ != nullptr) {
        provider_->Release(hardwareAddress, length);
    }
    providerLock_.Unlock();
}

DhcpQueuePush CDhcpPacketThread::Enqueue(std::unique_ptr<CDHCPPacket> packet)
{
    const DhcpQueuePush result = queue_.Push(std::move(packet), GetTickCount());
    // A thread at work takes the message in its next round anyway: only one that waits (or is about to)
    // is woken. Under load this spares a system call on each side for most datagrams.
    if ((result == DhcpQueuePush::Queued || result == DhcpQueuePush::QueuedAfterDrops) && packetEvent_ != nullptr &&
        InterlockedExchange(&waiting_, 0) != 0) {
        SetEvent(packetEvent_);
    }
    return result;
}

void CDhcpPacketThread::CloseEvents()
{
    HANDLE* events[] = {&stopEvent_, &packetEvent_, &doneEvent_};
    for (HANDLE* event : events) {
        if (*event != nullptr) {
            CloseHandle(*event);
            *event = nullptr;
        }
    }
}

bool CDhcpPacketThread::Start()
{
    if (outstanding_) {
        return false;
    }
    InterlockedExchange(&stopping_, 0);
    probes_->Resume();
    stopEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    packetEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    doneEvent_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (stopEvent_ == nullptr || packetEvent_ == nullptr || doneEvent_ == nullptr) {
        CloseEvents();
        return false;
    }
    // The running thread holds a reference of its own until its last step.
    AddReference();
    DWORD id = 0;
    thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, &id);
    if (thread_ == nullptr) {
        InterlockedDecrement(&references_);
        CloseEvents();
        return false;
    }
    outstanding_ = true;
    if (queue_.Size() > 0) {
        SetEvent(packetEvent_);
    }
    return true;
}

void CDhcpPacketThread::SignalStop()
{
    if (!outstanding_) {
        return;
    }
    InterlockedExchange(&stopping_, 1);
    probes_->Stop();
    SetEvent(stopEvent_);
    SetEvent(packetEvent_);
    if (thread_ != nullptr) {
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

bool CDhcpPacketThread::WaitForEnd(DWORD ms)
{
    if (!outstanding_) {
        return true;
    }
    if (WaitForSingleObject(doneEvent_, ms) != WAIT_OBJECT_0) {
        return false;
    }
    outstanding_ = false;
    if (thread_ != nullptr) {
        CloseHandle(thread_);
        thread_ = nullptr;
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
        // The stop flag is set before the stop event is signalled, and reading it costs no system call.
        if (Stopping()) {
            break;
        }
        WaitForWork();
        // Messages that arrive meanwhile are taken in the next round at once: no wait while any are queued.
        const uint64_t staleBefore = queue_.Stale() + probes_->Stale();
        std::vector<std::unique_ptr<CDHCPPacket>> batch;
        {
            CDhcpLogBatch lines(log_);
            while (!Stopping() && batch.size() < kDhcpBatchLimit) {
                std::unique_ptr<CDHCPPacket> packet = queue_.Pop(GetTickCount());
                if (packet == nullptr) {
                    break;
                }
                // A DISCOVER waits for its probe on a thread of its own; nothing else waits behind it.
                if (CDHCPPacket::FindMessageType(packet->Request(), packet->Length()) == DHCPDISCOVER) {
                    TraceProbeQueue(probes_->Submit(std::move(packet), GetTickCount()));
                } else {
                    batch.push_back(std::move(packet));
                }
            }
            if (!batch.empty()) {
                std::vector<CDHCPPacket*> messages;
                for (const auto& packet : batch) {
                    messages.push_back(packet.get());
                }
                core_->HandleBatch(messages.data(), messages.size());
            }
            const uint64_t stale = queue_.Stale() + probes_->Stale();
            if (stale != staleBefore) {
                Trace().Format("Dropped %d DISCOVER messages that waited longer than %d ms",
                               static_cast<int>(stale - staleBefore), static_cast<int>(kDhcpDiscoverMaxWaitMs));
            }
            if (!Stopping()) {
                core_->ExpireLeases();
                core_->ExpireOffers();
            }
        }
    }
    // The probe threads use the core: they end before the thread reports its own end. Once a stop is
    // asked for their probes answer at once, so this is the rest of one echo at most.
    probes_->Stop();
    probes_->WaitDrained(INFINITE);
    Trace().Line("Process Packet Thread Done");
    SetEvent(doneEvent_);
    // After this the thread touches nothing of the object: a server destroyed meanwhile leaves the freeing
    // to this last reference.
    DropReference();
}

void CDhcpPacketThread::WaitForWork()
{
    // Said before the queue is looked at: a message queued after the look finds the flag and signals.
    InterlockedExchange(&waiting_, 1);
    if (queue_.Size() == 0 && !Stopping()) {
        WaitForSingleObject(packetEvent_, packetWaitMs_);
    }
    InterlockedExchange(&waiting_, 0);
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
                       static_cast<unsigned long>(probes_->LastRunOfDrops()));
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
    return probe_->Answers(address);
}
