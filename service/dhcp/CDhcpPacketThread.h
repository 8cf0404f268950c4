#pragma once
// CDhcpPacketThread: the DHCP server's packet thread and everything it shares with the service-main
// thread: the server core with its tables, the packet queue, the three events, and the collaborators the
// core calls (clock, address probe, component log, files, table lock). Replies go from the core straight to
// the server's send path (CDhcpReplyChannel): the thread only calls forward, never back into the server.
//
// It lives on the heap and is counted: the server holds one reference and a running thread another. A
// stop waits 5 s for the thread; a thread still busy then (inside a probe, say) goes on with a core that
// is still there, and when the server is destroyed meanwhile the last of the two to let go frees it. So
// the tables are never released while the thread may use them.
#include <windows.h>

#include <memory>
#include <string>

#include "CDhcpLogSink.h"
#include "CDhcpPacketQueue.h"
#include "CDhcpProbePool.h"
#include "CDhcpServerCore.h"
#include "CDhcpReplyChannel.h"
#include "CIcmpProbe.h"
#include "CWin32DhcpClock.h"
#include "CWin32DhcpFileSystem.h"
#include "CWin32DhcpLock.h"

/// Longest wait of the thread for work: without traffic, leases and offers are still checked once a minute.
constexpr DWORD kDhcpPacketWaitMs = 60000;
static_assert(kDhcpPacketWaitMs == 60 * 1000, "the packet thread's round without traffic is one minute");
/// Longest wait of a stop for the thread to end.
constexpr DWORD kDhcpStopWaitMs = 5000;
/// Messages other than DISCOVERs handled as one batch: one save of the client file, then their replies.
constexpr size_t kDhcpBatchLimit = 64;

/// What the thread's core is made with.
struct DhcpThreadParts {
    OsType os = OsUnknown;                          ///< picks the file calls of the family
    std::string computerName;                       ///< written into sname
    std::string databasePath;                       ///< the client database
    IDhcpAccessProvider* accessProvider = nullptr;  ///< the plug-in's callbacks; null: none
    IDhcpClock* clock = nullptr;                    ///< null: the system time
    IDhcpAddressProbe* probe = nullptr;             ///< null: the ICMP echo through "Icmp.dll"
    CDhcpReplyChannel* replies = nullptr;           ///< the server's send path (the thread keeps a reference)
    DWORD packetWaitMs = kDhcpPacketWaitMs;         ///< the thread's longest wait for work
};

class CDhcpPacketThread : public IDhcpProbePoolOwner,
                          private IDhcpAddressProbe,
                          private IDhcpAccessProvider,
                          private IDhcpServiceLog {
public:
    /// A new one holding one reference, the caller's.
    static CDhcpPacketThread* Create(const DhcpThreadParts& parts);
    void AddReference() override;
    /// Lets go of one reference; the last frees everything.
    void DropReference() override;

    CDhcpServerCore& Core() { return *core_; }
    const CDhcpServerCore& Core() const { return *core_; }
    const CDhcpTrace& Trace() const { return core_->Context().trace; }
    CDhcpLogSink& Log() { return log_; }
    /// The ICMP facility, when no other probe was given.
    CIcmpProbe* Icmp() { return probe_ == &icmp_ ? &icmp_ : nullptr; }

    /// The plug-in's callbacks are no longer called from here on (the server is going, and the plug-in may
    /// be unloaded after it while a thread that outlived the stop still runs). Waits for a call under way.
    void DetachAccessProvider();

    /// Main thread: appends a received message and wakes the thread.
    DhcpQueuePush Enqueue(std::unique_ptr<CDHCPPacket> packet);
    const CDhcpPacketQueue& Queue() const { return queue_; }
    /// The threads that answer DISCOVERs.
    const CDhcpProbePool& Probes() const { return *probes_; }

    /// Creates the stop, packet and done events (auto-reset, unsignalled) and the thread. False when any of
    /// them cannot be made; what was made is closed again. Messages still queued wake the new thread.
    bool Start();
    /// True from a successful Start until the thread has been seen to end.
    bool Outstanding() const { return outstanding_; }
    /// Asks the thread to end: from now on the probe gives up at once, no further message is taken, the
    /// stop and packet events are signalled and the thread handle is closed.
    void SignalStop();
    /// Waits up to `ms` for the thread to end; true once it has, and its events are then closed.
    bool WaitForEnd(DWORD ms);
    bool Stopping() const { return stopping_ != 0; }

private:
    explicit CDhcpPacketThread(const DhcpThreadParts& parts);
    ~CDhcpPacketThread() override;
    CDhcpPacketThread(const CDhcpPacketThread&) = delete;
    CDhcpPacketThread& operator=(const CDhcpPacketThread&) = delete;

    static DWORD WINAPI ThreadMain(LPVOID self);
    /// The probe queue's filling up and emptying again, once each, like the packet queue's.
    void TraceProbeQueue(DhcpQueuePush pushed);
    void Run();
    /// Waits for the packet event (at most packetWaitMs_) unless messages are queued already.
    void WaitForWork();
    void CloseEvents();

    /// The core's probe. Once a stop is asked for, every candidate counts as answering: the reservation
    /// then ends at once without taking an address from anybody, and the thread gets to its end.
    bool Answers(uint32_t address) override;
    /// The core's access provider: the plug-in's callbacks while it is attached; detached, every client is
    /// served and nothing is told, as with a table whose slots are not set.
    bool Authorise(const uint8_t* hardwareAddress, int length) override;
    void Lease(const uint8_t* hardwareAddress, int length, uint32_t address) override;
    void Release(const uint8_t* hardwareAddress, int length) override;
    /// What the client database must tell the user goes to the service log.
    void ServiceLine(const char* text) override;

    DWORD packetWaitMs_;
    volatile LONG references_ = 1;
    volatile LONG stopping_ = 0;
    volatile LONG waiting_ = 0;  ///< 1 while the thread waits (or is about to) for the packet event
    bool outstanding_ = false;

    // Declared before the core, which uses them to its end.
    CWin32DhcpLock tableLock_;
    CWin32DhcpLock queueLock_;
    CWin32DhcpLock saveLock_;
    CWin32DhcpLock providerLock_;
    IDhcpAccessProvider* provider_;
    CDhcpLogSink log_;
    CIcmpProbe icmp_;
    CWin32DhcpClock systemClock_;
    CWin32DhcpFileSystem files_;
    IDhcpAddressProbe* probe_;
    CDhcpReplyChannel* replies_;
    std::unique_ptr<CDhcpServerCore> core_;
    std::unique_ptr<CDhcpProbePool> probes_;  ///< made after the core it works on
    CDhcpPacketQueue queue_;

    HANDLE stopEvent_ = nullptr;
    HANDLE packetEvent_ = nullptr;
    HANDLE doneEvent_ = nullptr;
    HANDLE thread_ = nullptr;
};
