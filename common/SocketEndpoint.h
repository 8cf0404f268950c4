#pragma once
// CSocketEndpoint: a UDP (or other) socket whose events arrive as window messages on the hidden socket
// window, the base of every endpoint of the service and of the console's IPC client. Each thread that opens
// sockets has a socket window and an endpoint list of its own, so an endpoint's events are handled on the
// thread that made it; an endpoint may not be called from another thread (the DHCP server's probe and
// packet threads send through a channel of their own and tell the endpoint's thread with an own event).
#include <windows.h>
#include <winsock.h>

#include <string>

#include "SocketMessages.h"

/// Class of the one hidden window that receives every endpoint's socket events.
constexpr char kSocketWindowClass[] = "OmbrixSocketWindow";
/// Longest component log path kept.
constexpr size_t kEndpointLogPathLength = 260;
/// Event values above every Windows Sockets event (FD_READ … FD_CLOSE, all below 0x40) are an endpoint's
/// own; see OnOwnEvent.
constexpr WORD kSocketOwnEventFirst = 0x100;

class CSocketEndpoint {
public:
    /// Starts Windows Sockets 1.1 the first time any endpoint is made in the process.
    CSocketEndpoint();
    /// Destroy().
    virtual ~CSocketEndpoint();

    // The six event operations, called from the socket window in the creating thread.
    virtual void OnReceive();
    virtual void OnAccept();
    virtual void OnSend();
    virtual void OnConnect();
    /// Closes the socket.
    virtual void OnClose();
    /// The error that came with a socket event; the socket is closed right after.
    virtual void OnError(int error);
    /// An event of the endpoint's own, posted with its socket message and socket (an event value no socket
    /// event uses, from kSocketOwnEventFirst on): how a thread that may not touch the endpoint tells the
    /// thread that owns it.
    virtual void OnOwnEvent(WORD event);

    /// Opens a socket of `type` (SOCK_DGRAM: UDP, SOCK_STREAM: TCP) whose `events` (FD_READ ...) arrive on the
    /// socket window as `message`, and lists the endpoint. Fails when a socket is already open.
    BOOL Create(int type, long events, UINT message);
    /// Binds to address (network order) and port (host order). On failure the socket stays open; the
    /// error is kept in LastError().
    BOOL Bind(unsigned short port, unsigned long address);
    /// Receives one datagram into buffer. Returns its length, or -1 with address and port 0 (a datagram
    /// bigger than capacity is lost that way). address is in network order, port in host order.
    int ReceiveFrom(char* buffer, int capacity, unsigned long* address, unsigned short* port);
    /// Sends one datagram to address (network order) and port (host order). Returns the length sent or -1.
    /// When the system has no room for the datagram at that moment it is dropped and counted and the socket
    /// is kept; any other failure closes the socket.
    int SendTo(const void* data, int length, unsigned long address, unsigned short port, int flags);
    /// Closes the socket when one is open and takes the endpoint off the list. A second call does nothing.
    void Close();
    /// True while the socket is open.
    BOOL IsRunning() const { return socket_ != INVALID_SOCKET; }
    /// Closes and unlists the endpoint; when no endpoint is left listed, the socket window goes too.
    void Destroy();

    UINT SocketMessage() const { return socketMessage_; }
    SOCKET Socket() const { return socket_; }
    /// The Windows Sockets error of the last failed Create, Bind, ReceiveFrom or SendTo.
    int LastError() const { return lastError_; }
    /// Datagrams dropped because the system had no room for them.
    unsigned long DroppedSends() const { return droppedSends_; }

    /// The component log; empty (the default) means no logging.
    void SetLogPath(const char* path);
    const char* LogPath() const { return logPath_.c_str(); }
    /// A line in the component log.
    void WriteLog(const char* message) const;
    /// A formatted line in the component log (printf rules, cut at 512 characters).
    void WriteLogF(const char* fmt, ...) const
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    /// The socket window, or NULL while none exists.
    static HWND SocketWindow();
    /// Number of endpoints on the list.
    static size_t ListedEndpoints();

protected:
    /// Hands one datagram to the system: sendto's result, with the socket error in *error when it fails.
    /// Tests replace it to make the system refuse a datagram.
    virtual int SendDatagram(const char* data, int length, const sockaddr_in& to, int flags, int* error);

private:
    CSocketEndpoint(const CSocketEndpoint&) = delete;
    CSocketEndpoint& operator=(const CSocketEndpoint&) = delete;

    /// Hands a socket event (message above WM_USER, wParam the socket) to the listed endpoint with that
    /// message and that socket; an event for any other socket goes to the default window procedure.
    static LRESULT CALLBACK SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static BOOL EnsureSocketWindow(CSocketEndpoint* creator);
    void DispatchEvent(WORD event, WORD error);
    void Unlist();

    UINT socketMessage_;
    SOCKET socket_;
    std::string logPath_;
    int lastError_;
    unsigned long droppedSends_;
};
