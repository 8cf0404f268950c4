#pragma once
// CIpcClient: the console's side of the service control protocol. A request goes to 127.0.0.1 at the
// service's port and the client waits for the next datagram that opens with the reply magic, dispatching
// the thread's window messages meanwhile so the user interface stays alive; between them the thread
// sleeps until a message (the socket's read events among them) arrives. Where the console shows a
// message, the client hands the text to its failure handler and the console decides how to show it.
#include <cstdint>

#include "IpcSettings.h"
#include "SocketEndpoint.h"

// How long each kind of request waits for its reply, in milliseconds.
constexpr DWORD kIpcPingTimeoutMs = 1000;
constexpr DWORD kIpcRequestTimeoutMs = 3000;
/// Ping and command requests read each datagram into a buffer of this size; a longer one is lost.
constexpr int kIpcShortReplyBufferSize = 20;

/// Settings of the link, section IPC of Ombrix.Ini.
/// LocalAddress is read into a buffer of this size (79 characters and the terminator).
constexpr unsigned kIpcLocalAddressBufferSize = 80;

/// Shown when a command request gets no answer.
constexpr char kIpcCommandFailureText[] = "There was an error communicating with the Ombrix Service";

/// Receives the text of a failure the user should see. context is the value given with the handler.
typedef void (*IpcFailureHandler)(void* context, const char* text);

class CIpcClient : public CSocketEndpoint {
public:
    CIpcClient();

    /// Where failures go; without a handler they are not shown.
    void SetFailureHandler(IpcFailureHandler handler, void* context);

    /// Reads ServerPort and LocalAddress from section IPC of Ombrix.Ini, then StartWith.
    BOOL Start();
    /// Opens the client's UDP socket (read events as WM_CLIENT_SOCKET) and binds it to 127.0.0.1 at a port
    /// the system chooses. Requests then go to 127.0.0.1 at serverPort. localAddress (dotted text; null or
    /// empty: none) is kept but not bound to, as the service does with the same setting: the service only
    /// listens on loopback, so a socket reachable from elsewhere would only let others send it replies.
    /// Text that is not a dotted address becomes 255.255.255.255 and the start fails.
    BOOL StartWith(unsigned short serverPort, const char* localAddress);

    /// Sends the code alone and waits up to 1000 ms. Never reports a failure.
    BOOL PingRequest(uint32_t code);
    /// Sends the code and two words and waits up to 3000 ms; a failure is reported with
    /// kIpcCommandFailureText.
    BOOL CommandRequest(uint32_t code, uint32_t word1, uint32_t word2);
    /// Sends the code and waits up to 3000 ms; the reply data (after the magic) is copied into buffer, at
    /// most length bytes and at most what the reply holds; the rest of buffer is left alone.
    BOOL QueryRequest(uint32_t code, void* buffer, int length);
    /// Sends the code followed by block and waits up to 3000 ms.
    BOOL SettingsRequest(uint32_t code, const void* block, int length);
    /// Sends any datagram and waits up to timeoutMs for a reply read whole; its data (after the magic) is
    /// copied as for QueryRequest and *dataLength (when given) receives the reply's full data length.
    BOOL RawRequest(const void* datagram, int length, DWORD timeoutMs, void* buffer, int capacity, int* dataLength);

    /// Nonzero while a request waits for its reply (it counts nested requests).
    int Busy() const { return busy_; }
    unsigned short ServerPort() const { return serverPort_; }
    /// LocalAddress as configured, network order (INADDR_ANY when empty); the socket binds to loopback.
    unsigned long LocalAddress() const { return localAddress_; }
    /// Datagrams the idle read handler threw away.
    unsigned long DiscardedDatagrams() const { return discarded_; }
    /// Datagrams a waiting request read and dropped because they came from somewhere other than the
    /// service's port on 127.0.0.1, however much they looked like a reply.
    unsigned long ForeignDatagrams() const { return foreign_; }

protected:
    /// The idle read handler: with no request waiting, everything that arrives is stale and is thrown
    /// away, so it can never be taken for the reply to a later request.
    void OnReceive() override;

private:
    enum class ReadMode { ShortBuffer, Whole };

    BOOL Transact(const void* datagram, int length, DWORD timeoutMs, ReadMode mode, void* buffer, int capacity,
                  int* dataLength);
    /// Bytes the socket holds for reading; a waiting empty datagram counts as pending too.
    bool HasPendingDatagram(unsigned long* bytes);
    /// Reads one datagram; true when it was a reply from the service, with its data copied.
    bool ReadOne(ReadMode mode, void* buffer, int capacity, int* dataLength);
    void Report(const char* text);
    void PumpMessages();

    int busy_;
    unsigned long localAddress_;
    unsigned short serverPort_;
    unsigned long discarded_;
    unsigned long foreign_;
    IpcFailureHandler failureHandler_;
    void* failureContext_;
    bool quitSeen_;
    int quitCode_;
};
