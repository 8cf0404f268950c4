#pragma once
// CDhcpReplyChannel: the DHCP server's send path, owned by the server and lent to whichever thread sends a
// reply (the packet thread, the probe threads, the thread that runs Start). It holds the server's socket
// for sending, the lock that keeps a send and the closing of that socket apart, and the one send policy
// of the socket layer (SendFailurePolicy): a reply the system has no room for, or whose destination cannot
// be reached, is dropped and counted; a failure of the socket itself marks the channel broken and tells
// the server's own thread with an event of the endpoint's own, on which that thread closes the socket.
//
// Counted: the server holds one reference and the packet thread another, since a packet thread may outlive
// a stop that gave up waiting for it.
#include <winsock.h>

#include "CWin32DhcpLock.h"
#include "DhcpHostInterfaces.h"

/// The event the channel posts to the server's endpoint when a send broke its socket.
constexpr WORD kDhcpSendFailedEvent = 0x101;

/// Hands a datagram to the system; tests give one that records instead.
class IDhcpDatagramOut {
public:
    virtual ~IDhcpDatagramOut() = default;
    /// sendto's result; the Windows Sockets error in *error when it fails.
    virtual int SendTo(SOCKET socket, const char* data, int length, const sockaddr_in& to, int flags, int* error) = 0;
};

class CDhcpReplyChannel : public IDhcpReplySender {
public:
    /// A new channel holding one reference, the caller's. `out` may be null: the system's sendto.
    static CDhcpReplyChannel* Create(IDhcpDatagramOut* out);
    void AddReference();
    void DropReference();

    /// The server's socket is open and bound: replies go out of it, and a send that breaks it is reported
    /// to `window` as kDhcpSendFailedEvent under `message` (the endpoint's socket message).
    void Open(SOCKET socket, HWND window, UINT message);
    /// No reply goes out any more; a send under way has ended when this returns, so the socket may be closed.
    void Close();
    /// True once a send failed in a way that broke the socket (until the next Open).
    bool Broken() const { return broken_ != 0; }
    /// Replies dropped for lack of room or for their destination.
    unsigned long Dropped() const { return static_cast<unsigned long>(dropped_); }

    /// One reply to `address`:`port` with MSG_DONTROUTE: replies stay on the LAN, never by way of the default
    /// route, which faces the Internet. Any thread.
    bool SendReply(uint32_t address, uint16_t port, const uint8_t* bytes, size_t length) override;

private:
    explicit CDhcpReplyChannel(IDhcpDatagramOut* out);
    ~CDhcpReplyChannel() override = default;
    CDhcpReplyChannel(const CDhcpReplyChannel&) = delete;
    CDhcpReplyChannel& operator=(const CDhcpReplyChannel&) = delete;

    IDhcpDatagramOut* out_;
    CWin32DhcpLock lock_;
    volatile LONG references_ = 1;
    SOCKET socket_ = INVALID_SOCKET;
    HWND window_ = nullptr;
    UINT message_ = 0;
    volatile LONG broken_ = 0;
    volatile LONG dropped_ = 0;
};
