#include "SocketEndpoint.h"

#include <cstdarg>
#include <vector>

#include "LogLine.h"
#include "LogWriter.h"
#include "SendFailurePolicy.h"

static_assert(kSocketErrorWouldBlock == WSAEWOULDBLOCK, "policy codes are the Windows Sockets ones");
static_assert(kSocketErrorNoBuffers == WSAENOBUFS, "policy codes are the Windows Sockets ones");
static_assert(kSocketOwnEventFirst > (FD_READ | FD_WRITE | FD_OOB | FD_ACCEPT | FD_CONNECT | FD_CLOSE),
              "an endpoint's own events never look like socket events");

namespace {

// Version 1.1: the one every target system has.
constexpr WORD kWinsockVersion = MAKEWORD(1, 1);

bool g_winsockStarted = false;
bool g_classRegistered = false;

// The socket window and the endpoint list belong to the thread that opens the sockets. A program whose
// sockets are opened on two threads (a service thread and a client thread in one process) gets one of
// each per thread: with one window for all, the second thread's socket events would be handled on the
// first thread, at the same time as the second thread works its own socket.
struct ThreadSockets {
    HWND window = NULL;
    std::vector<CSocketEndpoint*> list;
};
// Allocated while the program starts, before any thread of its own exists.
const DWORD g_threadSlot = TlsAlloc();

ThreadSockets& MySockets()
{
    if (g_threadSlot == TLS_OUT_OF_INDEXES) {
        static ThreadSockets shared;  // no slot: one window for all, as good as one thread
        return shared;
    }
    ThreadSockets* mine = static_cast<ThreadSockets*>(TlsGetValue(g_threadSlot));
    if (!mine) {
        mine = new ThreadSockets;  // kept for the thread's life: a few bytes per thread that opens sockets
        TlsSetValue(g_threadSlot, mine);
    }
    return *mine;
}

std::vector<CSocketEndpoint*>& EndpointList()
{
    return MySockets().list;
}

int ProtocolFor(int type)
{
    if (type == SOCK_STREAM) {
        return IPPROTO_TCP;
    }
    if (type == SOCK_DGRAM) {
        return IPPROTO_UDP;
    }
    return 0;
}

}  // namespace

CSocketEndpoint::CSocketEndpoint() : socketMessage_(0), socket_(INVALID_SOCKET), lastError_(0), droppedSends_(0)
{
    if (!g_winsockStarted) {
        WSADATA data;
        // Never shut down again: other endpoints may come and go for the whole life of the process.
        if (WSAStartup(kWinsockVersion, &data) == 0) {
            g_winsockStarted = true;
        }
    }
}

CSocketEndpoint::~CSocketEndpoint()
{
    Destroy();
}

void CSocketEndpoint::OnReceive() {}
void CSocketEndpoint::OnAccept() {}
void CSocketEndpoint::OnSend() {}
void CSocketEndpoint::OnConnect() {}
void CSocketEndpoint::OnClose()
{
    Close();
}
void CSocketEndpoint::OnError(int) {}
void CSocketEndpoint::OnOwnEvent(WORD) {}

BOOL CSocketEndpoint::EnsureSocketWindow(CSocketEndpoint* creator)
{
    if (MySockets().window) {
        return TRUE;
    }
    HINSTANCE instance = GetModuleHandleA(NULL);
    if (!g_classRegistered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = SocketWindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kSocketWindowClass;
        if (!RegisterClassA(&wc)) {
            return FALSE;
        }
        g_classRegistered = true;
    }
    MySockets().window = CreateWindowA(kSocketWindowClass, "", 0, 0, 0, 0, 0, NULL, NULL, instance, NULL);
    if (!MySockets().window) {
        return FALSE;
    }
    SetWindowLongPtrA(MySockets().window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creator));
    return TRUE;
}

BOOL CSocketEndpoint::Create(int type, long events, UINT message)
{
    if (socket_ != INVALID_SOCKET) {
        return FALSE;
    }
    SOCKET s = socket(AF_INET, type, ProtocolFor(type));
    if (s == INVALID_SOCKET) {
        lastError_ = WSAGetLastError();
        return FALSE;
    }
    if (!EnsureSocketWindow(this)) {
        lastError_ = static_cast<int>(GetLastError());
        closesocket(s);
        return FALSE;
    }
    if (WSAAsyncSelect(s, MySockets().window, message, events) == SOCKET_ERROR) {
        lastError_ = WSAGetLastError();
        closesocket(s);
        return FALSE;
    }
    socket_ = s;
    socketMessage_ = message;
    EndpointList().push_back(this);
    return TRUE;
}

BOOL CSocketEndpoint::Bind(unsigned short port, unsigned long address)
{
    if (socket_ == INVALID_SOCKET) {
        return FALSE;
    }
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = address;
    if (bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) == SOCKET_ERROR) {
        lastError_ = WSAGetLastError();
        return FALSE;
    }
    return TRUE;
}

int CSocketEndpoint::ReceiveFrom(char* buffer, int capacity, unsigned long* address, unsigned short* port)
{
    sockaddr_in from = {};
    int fromLength = sizeof from;
    int n = SOCKET_ERROR;
    if (socket_ != INVALID_SOCKET) {
        n = recvfrom(socket_, buffer, capacity, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
    }
    if (n == SOCKET_ERROR) {
        lastError_ = socket_ != INVALID_SOCKET ? WSAGetLastError() : WSAENOTSOCK;
        if (address) {
            *address = 0;
        }
        if (port) {
            *port = 0;
        }
        return -1;
    }
    if (address) {
        *address = from.sin_addr.s_addr;
    }
    if (port) {
        *port = ntohs(from.sin_port);
    }
    return n;
}

int CSocketEndpoint::SendDatagram(const char* data, int length, const sockaddr_in& to, int flags, int* error)
{
    int n = sendto(socket_, data, length, flags, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (n == SOCKET_ERROR) {
        *error = WSAGetLastError();
    }
    return n;
}

int CSocketEndpoint::SendTo(const void* data, int length, unsigned long address, unsigned short port, int flags)
{
    if (socket_ == INVALID_SOCKET) {
        lastError_ = WSAENOTSOCK;
        return -1;
    }
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    int error = 0;
    int n = SendDatagram(static_cast<const char*>(data), length, to, flags, &error);
    if (n != SOCKET_ERROR) {
        return n;
    }
    lastError_ = error;
    if (DecideSendFailure(error) == SendFailureAction::DropDatagram) {
        ++droppedSends_;
    } else {
        Close();
    }
    return -1;
}

void CSocketEndpoint::Unlist()
{
    std::vector<CSocketEndpoint*>& list = EndpointList();
    for (size_t i = 0; i < list.size(); ++i) {
        if (list[i] == this) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
}

void CSocketEndpoint::Close()
{
    if (socket_ == INVALID_SOCKET) {
        return;
    }
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    Unlist();
}

void CSocketEndpoint::Destroy()
{
    Close();
    Unlist();
    if (!MySockets().window) {
        return;
    }
    if (EndpointList().empty()) {
        DestroyWindow(MySockets().window);
        MySockets().window = NULL;
        return;
    }
    // The window outlives its creator: let WM_CLOSE reach an endpoint that still exists.
    if (GetWindowLongPtrA(MySockets().window, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this)) {
        SetWindowLongPtrA(MySockets().window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(EndpointList().front()));
    }
}

void CSocketEndpoint::SetLogPath(const char* path)
{
    logPath_.assign(path ? path : "");
    if (logPath_.size() > kEndpointLogPathLength) {
        logPath_.resize(kEndpointLogPathLength);
    }
}

void CSocketEndpoint::WriteLog(const char* message) const
{
    if (!logPath_.empty()) {
        CLogWriter::WriteLine(logPath_.c_str(), message);
    }
}

void CSocketEndpoint::WriteLogF(const char* fmt, ...) const
{
    if (logPath_.empty()) {
        return;
    }
    char message[kFormattedMessageSize];
    va_list args;
    va_start(args, fmt);
    FormatLogMessageV(message, fmt, args);
    va_end(args);
    CLogWriter::WriteLine(logPath_.c_str(), message);
}

HWND CSocketEndpoint::SocketWindow()
{
    return MySockets().window;
}

size_t CSocketEndpoint::ListedEndpoints()
{
    return EndpointList().size();
}

void CSocketEndpoint::DispatchEvent(WORD event, WORD error)
{
    if (error) {
        OnError(error);
        Close();
        return;
    }
    switch (event) {
    case FD_READ:
        OnReceive();
        break;
    case FD_WRITE:
        OnSend();
        break;
    case FD_ACCEPT:
        OnAccept();
        break;
    case FD_CONNECT:
        OnConnect();
        break;
    case FD_CLOSE:
        OnClose();
        break;
    default:
        if (event >= kSocketOwnEventFirst) {
            OnOwnEvent(event);
        }
        break;
    }
}

LRESULT CALLBACK CSocketEndpoint::SocketWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message > WM_USER) {
        // The message number says which kind of endpoint, wParam which socket. An event can still be queued
        // for a socket that has been closed since, and a later socket of the same endpoint (or another
        // endpoint with the same message) must not take it for its own: an error event would close it.
        const SOCKET socket = static_cast<SOCKET>(wParam);
        std::vector<CSocketEndpoint*>& list = EndpointList();
        for (size_t i = 0; i < list.size(); ++i) {
            if (list[i]->socketMessage_ == message && list[i]->socket_ == socket) {
                list[i]->DispatchEvent(WSAGETSELECTEVENT(lParam), WSAGETSELECTERROR(lParam));
                return 0;
            }
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_CLOSE) {
        CSocketEndpoint* owner = reinterpret_cast<CSocketEndpoint*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (owner) {
            owner->Close();
        }
    }
    // The default handling of WM_CLOSE destroys the window; a later create must then make a new one.
    if (message == WM_NCDESTROY && window == MySockets().window) {
        MySockets().window = NULL;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
