#pragma once
// CIpcServer: the service's end of the control protocol. It listens on 127.0.0.1 only, so nothing off the
// machine can reach it, and hands every request to the control window as a WM_IPC_REQUEST message: the
// request is carried out there, between the ticks, and answered from there.
#include <cstdint>
#include <map>

#include "IpcSettings.h"
#include "SocketEndpoint.h"

/// A console request for the control window: wParam the request code, lParam the id under which the
/// endpoint keeps the request's record (see CIpcServer::TakeRequest). The message carries no pointer: any
/// program on the desktop can post it, so whatever it carries is only a key to look up.
constexpr UINT WM_IPC_REQUEST = WM_USER + 400;
static_assert(WM_IPC_REQUEST == 0x590, "the control window's request message");

/// Large enough for every request; a bigger datagram fails to be received and is dropped.
constexpr int kIpcReceiveBufferSize = 12288;
/// Section IPC of Ombrix.Ini.
constexpr unsigned kIpcServerLocalAddressBufferSize = 80;
/// Logged in the service log when the endpoint cannot start.
constexpr char kIpcStartFailureText[] = "IPC Server Failed to create/bind socket";

/// One request on its way from the endpoint to the control window. The endpoint keeps it until the control
/// window takes it; whoever takes it answers or releases it.
struct IpcRequestRecord {
    uint32_t code;                ///< the request code, as posted in the message's wParam
    unsigned long senderAddress;  ///< network order, as received
    unsigned short senderPort;    ///< host order
    unsigned short payloadLength;
    unsigned char* payload;  ///< owned copy of the bytes after the code; null when empty
};

class CIpcServer : public CSocketEndpoint {
public:
    CIpcServer();
    ~CIpcServer() override;

    /// The window that receives WM_IPC_REQUEST. Requests that arrive while there is none are dropped.
    void SetControlWindow(HWND window) { controlWindow_ = window; }
    HWND ControlWindow() const { return controlWindow_; }

    /// Reads ServerPort and LocalAddress from section IPC of Ombrix.Ini and starts at that port.
    BOOL Start();
    /// Opens the socket on 127.0.0.1 at port (0: a port the system chooses). localAddress is kept but not
    /// bound to. On failure logs kIpcStartFailureText and returns FALSE; a failed bind leaves no socket open.
    BOOL StartOn(unsigned short port, unsigned long localAddress);
    /// Releases the receive buffer, every request not yet taken, and closes the socket.
    void Stop();

    /// The record a WM_IPC_REQUEST names, handed over to the caller (who answers or releases it), or null
    /// when no request waits under that id with that code: a message that did not come from this endpoint,
    /// or one whose request was taken or dropped already. Nothing is released for such a message, and a
    /// waiting request stays for its own message when the code does not match.
    IpcRequestRecord* TakeRequest(WPARAM code, LPARAM id);
    /// Requests posted to the control window and not yet taken.
    size_t PendingRequests() const { return pending_.size(); }

    /// Sends the bare acknowledgement (the magic alone) to the request's sender and releases the record.
    void Acknowledge(IpcRequestRecord* record);
    /// Sends the magic followed by data to the request's sender and releases the record.
    void Reply(IpcRequestRecord* record, const void* data, int length);
    /// Frees a record and its payload.
    static void ReleaseRequest(IpcRequestRecord* record);

    /// The port the socket is bound to (the system's choice when started at port 0).
    unsigned short Port() const { return port_; }
    unsigned long ConfiguredLocalAddress() const { return localAddress_; }
    /// Requests handed to the control window so far.
    unsigned long PostedRequests() const { return posted_; }

protected:
    void OnReceive() override;

private:
    /// A fresh id: never 0 and never one that is waiting.
    unsigned long NextRequestId();
    void ReleasePending();

    HWND controlWindow_;
    unsigned long localAddress_;
    unsigned short port_;
    char* buffer_;
    unsigned long posted_;
    unsigned long lastId_;
    std::map<unsigned long, IpcRequestRecord*> pending_;
};
