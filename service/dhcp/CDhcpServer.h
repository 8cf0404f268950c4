#pragma once
// CDhcpServer: the DHCP server as a running component of the service: a socket endpoint on UDP port 67 of
// the LAN-side address, whose datagrams are received on the service-main thread and handled on a packet
// thread of its own (CDhcpPacketThread), which also sends the replies, probes addresses and expires
// offers and leases.
//
// Threads: Start, Stop, the receive and everything the control protocol asks (pool, client list) run on
// the service-main thread, which owns the socket. A datagram goes one way: socket window, OnReceive, the
// packet queue, the packet thread, the core, the send path (CDhcpReplyChannel), the socket. A send that
// breaks the socket on another thread marks the channel broken (the server counts as stopped at once) and
// posts kDhcpSendFailedEvent to the socket window, on which this thread closes the socket.
#include <windows.h>

#include <string>

#include "CDhcpPacketThread.h"
#include "CDhcpReplyChannel.h"
#include "DhcpAddressPick.h"
#include "ServerComponent.h"
#include "SocketEndpoint.h"

/// Service-log lines of a start that fails.
constexpr char kDhcpNoAddressText[] = "Unable to determine IP Address to bind DHCP Server to.";
constexpr char kDhcpSocketFailureText[] = "DHCP Server Failed to create/bind socket";

/// Stand-ins a test gives the server; every member left empty means the real thing.
struct DhcpServerHost {
    IDhcpAdapterSource* adapters = nullptr;   ///< null: the adapter table of ombrixaux
    IDhcpAddressProbe* probe = nullptr;       ///< null: the ICMP echo through "Icmp.dll"
    IDhcpClock* clock = nullptr;              ///< null: the system time
    std::string databasePath;                 ///< empty: "Ombrix.dhcp" beside the program
    DWORD packetWaitMs = kDhcpPacketWaitMs;   ///< the packet thread's longest wait for work
    IDhcpDatagramOut* datagramOut = nullptr;  ///< null: the system's sendto
};

class CDhcpServer : public CSocketEndpoint, public IDhcpServerComponent {
public:
    /// `sharingMode` picks the adapter to bind to; `accessProvider` (may be null) is the plug-in's
    /// callbacks, read at each call.
    CDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider);
    CDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider, const DhcpServerHost& host);
    /// Destroy: stops the server when it runs, then lets go of the tables and the ICMP facility (at once, or
    /// when a packet thread that outlived the stop ends).
    ~CDhcpServer() override;
    CDhcpServer(const CDhcpServer&) = delete;
    CDhcpServer& operator=(const CDhcpServer&) = delete;

    /// Reads section DHCP, finds the address to bind to, loads the client database, opens and binds the
    /// socket, starts the packet thread, loads "Icmp.dll" the first time and ends the leases that ran out.
    /// True also when already running. On false the service log (no address, no socket) or the component
    /// log (no packet thread: the server would queue and never answer, so it does not start) says why.
    bool Start() override;
    /// Closes the socket, ends the packet thread (waiting at most 5 s), then saves and empties the client
    /// table. The offer list and the packet queue stay as they are. Always true.
    bool Stop() override;
    /// True while the socket is open and no send has failed on it.
    bool IsRunning() const override;

    void SetPool(uint32_t low, uint32_t high) override;
    uint32_t PoolLow() const override;
    uint32_t PoolHigh() const override;
    uint32_t Network() const override;
    std::vector<IpcClientEntry> Clients() const override;

    /// The address bound to at the last start (0 before).
    uint32_t ServerAddress() const { return serverAddress_; }
    /// Received messages waiting (for the packet thread, or DISCOVERs for a probe thread), and those
    /// dropped because too many waited.
    size_t QueuedPackets() const { return thread_->Queue().Size() + thread_->Probes().Waiting(); }
    uint64_t DroppedPackets() const { return thread_->Queue().Dropped() + thread_->Probes().Dropped(); }
    /// Datagrams taken off the socket since the object was made (the main thread's count; only it receives).
    uint64_t ReceivedPackets() const { return receivedPackets_; }
    /// Threads answering DISCOVERs now.
    long ProbeThreads() const { return thread_->Probes().Threads(); }
    /// Replies the system had no room for, or whose destination it could not reach (dropped; the socket
    /// stays open).
    unsigned long DroppedReplies() const { return replies_->Dropped(); }
    /// True while a packet thread exists (also one that outlived a stop).
    bool PacketThreadOutstanding() const { return thread_->Outstanding(); }
    /// The core, for what a test reads of the tables.
    const CDhcpServerCore& Core() const { return thread_->Core(); }

protected:
    /// One datagram of at most 2048 bytes into the packet queue.
    void OnReceive() override;
    /// An error with a socket event: the socket layer closes the socket right after; no reply may be sent
    /// on it from now on.
    void OnError(int error) override;
    /// kDhcpSendFailedEvent: a send broke the socket; it is closed here, on the thread that owns it.
    void OnOwnEvent(WORD event) override;

private:
    /// Closes the send path, then the socket.
    void CloseSocket();
    /// A packet thread left from an earlier run (a stop that gave up waiting, or a failed send that closed
    /// the socket without a stop) is ended first. False when it does not end within the stop's bound.
    bool EndEarlierThread();
    const CDhcpTrace& Trace() const { return thread_->Trace(); }

    int sharingMode_;
    IDhcpAdapterSource* adapters_;
    std::unique_ptr<IDhcpAdapterSource> ownAdapters_;
    CDhcpReplyChannel* replies_;
    CDhcpPacketThread* thread_;
    uint32_t serverAddress_ = 0;
    uint64_t receivedPackets_ = 0;
};
