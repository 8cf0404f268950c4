#include "IpcClient.h"

#include "IpcSettings.h"

#include <cstring>
#include <vector>

#include "IpcWire.h"
#include "OmbrixIni.h"

namespace {

// Larger than the largest UDP datagram.
constexpr size_t kWholeReadBufferSize = 65536;

unsigned long LoopbackAddress()
{
    return htonl(INADDR_LOOPBACK);
}

}  // namespace

CIpcClient::CIpcClient()
    : busy_(0),
      localAddress_(INADDR_ANY),
      serverPort_(kIpcDefaultServerPort),
      discarded_(0),
      foreign_(0),
      failureHandler_(nullptr),
      failureContext_(nullptr),
      quitSeen_(false),
      quitCode_(0)
{}

void CIpcClient::SetFailureHandler(IpcFailureHandler handler, void* context)
{
    failureHandler_ = handler;
    failureContext_ = context;
}

BOOL CIpcClient::Start()
{
    int port = COmbrixIni::ReadInt(kIniIpcServerPort);
    char address[kIpcLocalAddressBufferSize] = "";
    COmbrixIni::ReadString(kIniIpcLocalAddress, address, sizeof address);
    return StartWith(static_cast<unsigned short>(static_cast<unsigned>(port) & kIpcPortMask), address);
}

BOOL CIpcClient::StartWith(unsigned short serverPort, const char* localAddress)
{
    serverPort_ = serverPort;
    // inet_addr turns anything that is not a dotted address into INADDR_NONE (255.255.255.255). Windows
    // refuses to bind there, but other stacks accept a broadcast address, so the start fails here without
    // waiting for the bind: a bad setting stops the console instead of sending from some other address.
    localAddress_ = (localAddress && localAddress[0]) ? inet_addr(localAddress) : INADDR_ANY;
    if (localAddress_ == INADDR_NONE) {
        return FALSE;
    }
    if (!Create(SOCK_DGRAM, FD_READ, WM_CLIENT_SOCKET)) {
        return FALSE;
    }
    // Loopback, whatever LocalAddress says: the requests go to 127.0.0.1 and the replies come from there.
    if (!Bind(0, LoopbackAddress())) {
        Close();
        return FALSE;
    }
    return TRUE;
}

BOOL CIpcClient::PingRequest(uint32_t code)
{
    std::vector<uint8_t> datagram = IpcEncodeRequest(code);
    return Transact(datagram.data(), static_cast<int>(datagram.size()), kIpcPingTimeoutMs, ReadMode::ShortBuffer,
                    nullptr, 0, nullptr);
}

BOOL CIpcClient::CommandRequest(uint32_t code, uint32_t word1, uint32_t word2)
{
    std::vector<uint8_t> datagram = IpcEncodeCommand(code, word1, word2);
    BOOL ok = Transact(datagram.data(), static_cast<int>(datagram.size()), kIpcRequestTimeoutMs, ReadMode::ShortBuffer,
                       nullptr, 0, nullptr);
    if (!ok) {
        Report(kIpcCommandFailureText);
    }
    return ok;
}

BOOL CIpcClient::QueryRequest(uint32_t code, void* buffer, int length)
{
    std::vector<uint8_t> datagram = IpcEncodeRequest(code);
    return Transact(datagram.data(), static_cast<int>(datagram.size()), kIpcRequestTimeoutMs, ReadMode::Whole, buffer,
                    length, nullptr);
}

BOOL CIpcClient::SettingsRequest(uint32_t code, const void* block, int length)
{
    std::vector<uint8_t> datagram = IpcEncodeSettingsRequest(code, static_cast<const uint8_t*>(block),
                                                             length > 0 ? static_cast<size_t>(length) : 0);
    return Transact(datagram.data(), static_cast<int>(datagram.size()), kIpcRequestTimeoutMs, ReadMode::Whole, nullptr,
                    0, nullptr);
}

BOOL CIpcClient::RawRequest(const void* datagram, int length, DWORD timeoutMs, void* buffer, int capacity,
                            int* dataLength)
{
    return Transact(datagram, length, timeoutMs, ReadMode::Whole, buffer, capacity, dataLength);
}

BOOL CIpcClient::Transact(const void* datagram, int length, DWORD timeoutMs, ReadMode mode, void* buffer, int capacity,
                          int* dataLength)
{
    // Busy before the datagram leaves: from then on a reply may come, and the idle read handler must leave
    // it to this request.
    ++busy_;
    // A failed send either closed the socket or dropped the datagram; either way no reply can come.
    if (SendTo(datagram, length, LoopbackAddress(), serverPort_, 0) != length) {
        --busy_;
        return FALSE;
    }
    const DWORD start = GetTickCount();
    bool replied = false;
    for (;;) {
        unsigned long pending = 0;
        while (!replied && HasPendingDatagram(&pending)) {
            replied = ReadOne(mode, buffer, capacity, dataLength);
        }
        if (replied) {
            break;
        }
        PumpMessages();
        // A datagram that came while the queue was being emptied may have had its read event dispatched
        // already; nothing would wake the wait for it.
        if (HasPendingDatagram(&pending)) {
            continue;
        }
        // Elapsed time, not a deadline, is compared: the difference stays right when the tick count wraps.
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs) {
            break;
        }
        // Sleeps until the thread's queue gets something new (the socket's read events come as messages to
        // the socket window of this thread) or the time is up. Winsock 1.1 has no event objects for sockets,
        // so the window message is the only wake-up every target system has.
        MsgWaitForMultipleObjects(0, NULL, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
    --busy_;
    if (busy_ == 0 && quitSeen_) {
        // The quit message was taken off the queue by the wait; the program's own loop must still see it.
        quitSeen_ = false;
        PostQuitMessage(quitCode_);
    }
    return replied ? TRUE : FALSE;
}

bool CIpcClient::HasPendingDatagram(unsigned long* bytes)
{
    *bytes = 0;
    if (!IsRunning()) {
        return false;
    }
    u_long count = 0;
    if (ioctlsocket(Socket(), FIONREAD, &count) == SOCKET_ERROR) {
        return false;
    }
    *bytes = count;
    if (count > 0) {
        return true;
    }
    // An empty datagram shows no pending bytes but still blocks the queue until it is read.
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Socket(), &readable);
    timeval now = {0, 0};
    return select(0, &readable, nullptr, nullptr, &now) > 0;
}

bool CIpcClient::ReadOne(ReadMode mode, void* buffer, int capacity, int* dataLength)
{
    // The pending count is no reliable guide to the size of the datagram the next read takes (an empty or
    // not yet counted one shows 0), so a whole read takes a buffer that fits any datagram.
    std::vector<uint8_t> datagram(mode == ReadMode::ShortBuffer ? kIpcShortReplyBufferSize : kWholeReadBufferSize);
    unsigned long from = 0;
    unsigned short fromPort = 0;
    int n = ReceiveFrom(reinterpret_cast<char*>(datagram.data()), static_cast<int>(datagram.size()), &from, &fromPort);
    if (n < 0 || !IpcIsReply(datagram.data(), static_cast<size_t>(n))) {
        return false;
    }
    // The magic is no proof of origin: any program on the machine can send it to this port. Only the
    // service's own port on loopback answers requests.
    if (from != LoopbackAddress() || fromPort != serverPort_) {
        ++foreign_;
        return false;
    }
    int data = n - static_cast<int>(kIpcReplyDataOffset);
    if (dataLength) {
        *dataLength = data;
    }
    int copy = data < capacity ? data : capacity;
    if (buffer && copy > 0) {
        memcpy(buffer, datagram.data() + kIpcReplyDataOffset, static_cast<size_t>(copy));
    }
    return true;
}

void CIpcClient::OnReceive()
{
    if (busy_) {
        return;  // the waiting request reads the data itself
    }
    unsigned long pending = 0;
    while (HasPendingDatagram(&pending)) {
        char scrap[kIpcShortReplyBufferSize];
        int n = ReceiveFrom(scrap, sizeof scrap, nullptr, nullptr);
        ++discarded_;
        // A datagram too big for the scrap buffer is gone all the same; any other error leaves it queued.
        if (n < 0 && LastError() != WSAEMSGSIZE) {
            break;
        }
    }
}

void CIpcClient::PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Kept for the program's own loop, and the queue is still emptied: the wait that follows only
            // wakes for messages that arrive after it.
            quitSeen_ = true;
            quitCode_ = static_cast<int>(msg.wParam);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void CIpcClient::Report(const char* text)
{
    if (failureHandler_) {
        failureHandler_(failureContext_, text);
    }
}
