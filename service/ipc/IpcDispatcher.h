#pragma once
// CIpcDispatcher: carries out one console request and decides its answer. It does no I/O: the effects go
// through IServiceControl and the reply comes back as bytes for the IPC endpoint to send.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "IServiceControl.h"

/// What handling a request decided.
struct IpcDispatchResult {
    /// False for a code the service does not know: such a request gets no answer at all.
    bool sendReply = false;
    /// Reply data to follow the magic; empty for a bare acknowledgement.
    std::vector<uint8_t> data;
    /// True for IPC_STOP_SERVICE: the service quits once the acknowledgement is out.
    bool quitAfterReply = false;
};

/// Header word 0 of a client list sent while a DHCP server object exists; the console does not read it.
constexpr uint32_t kClientListReservedWithServer = 0;
/// Header word 0 of the list sent when there is no DHCP server object.
constexpr uint32_t kClientListReservedNoServer = 1;

/// The service log line for a code with no row in the table; %x takes the code.
constexpr const char kUnknownRequestFormat[] = "Rec'd Unknown Control Message: %x";

class CIpcDispatcher {
public:
    /// Handles request `code` with its payload (payload may be null when length is 0). Words the request
    /// reads beyond the payload's end count as zero.
    static IpcDispatchResult Dispatch(IServiceControl& service, uint32_t code, const uint8_t* payload, size_t length);
    /// True when `code` has a row in the table.
    static bool IsKnownCode(uint32_t code);
};
