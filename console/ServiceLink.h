#pragma once
// CServiceLink: the console's one connection to the service, over the IPC client. A request waits for its
// reply while the console's windows keep working, so a timer or a click may start a second request during
// the wait; replies carry no request number, and the second would take the first one's reply. The link
// therefore sends one request at a time: one started while another waits is refused without being sent (a
// ping quietly, a command with the communication message), and the waiting one keeps its reply.
#include <windows.h>

#include <cstdint>

#include "IpcClient.h"

class CServiceLink {
public:
    CServiceLink();

    /// Reads the IPC section and opens the socket.
    bool Start();
    bool Ping();
    /// Sends a command; silence or a refusal is shown as the communication message (no owner).
    bool Command(uint32_t code, uint32_t word1, uint32_t word2);
    bool Query(uint32_t code, void* buffer, int length);
    bool Settings(uint32_t code, const void* block, int length);
    /// Starts the service by the method of this system's family; a failure is shown over owner.
    bool StartService(HWND owner);

    /// A request waits for its reply.
    bool Busy() const { return client_.Busy() != 0; }
    /// Requests refused because another was waiting.
    unsigned long Refused() const { return refused_; }

private:
    static void ShowWarning(void* context, const char* text);
    static void ShowStartError(void* context, const char* text);

    CIpcClient client_;
    unsigned long refused_;
};

/// Message box captions of the console.
constexpr char kConsoleErrorCaption[] = "Ombrix Error";

// Service control requests of the console.
constexpr uint32_t kRequestPing = 1124;
constexpr uint32_t kRequestSetSharing = 1186;
constexpr uint32_t kRequestDial = 1225;
constexpr uint32_t kRequestHangUp = 1226;
constexpr uint32_t kRequestStopService = 1229;
