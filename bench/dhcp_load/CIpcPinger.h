#pragma once
// CIpcPinger: one IPC_PING to the service's control endpoint and the time to its answer. Each ping goes
// out from a fresh socket: the protocol has no request id, and a late answer to an earlier ping must not
// be taken for the answer to this one (it arrives at a port that is closed by then).
#include <cstdint>

enum class IpcPingResult { Answered, NoAnswer, Refused, Error };

class CIpcPinger {
public:
    /// `address` and `port` in host order.
    CIpcPinger(uint32_t address, uint16_t port) : address_(address), port_(port) {}

    /// Sends one ping and waits up to `waitMs` for the reply; on Answered `*roundTripUs` is set.
    IpcPingResult Ping(int waitMs, uint64_t* roundTripUs);

private:
    uint32_t address_;
    uint16_t port_;
};
