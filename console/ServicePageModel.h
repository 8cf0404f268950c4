#pragma once
// The Service page's status rules without its windows: which buttons the answer of the service and the
// dial-up connection enable, and the status line. No windows.h.
#include <cstdint>

struct ServicePageState {
    bool start;
    bool stop;
    bool dial;
    bool hangup;
    const char* status;
};

/// answered: the service answered the ping; modem: modem mode; connected: a dial-up connection exists.
ServicePageState ServiceStatusFor(bool answered, bool modem, bool connected);

/// The connection check's reading of RasEnumConnectionsA: any error (the too-small buffer of more than one
/// connection among them) or a count above 0 means connected.
inline bool DialupConnected(uint32_t result, uint32_t count)
{
    return result != 0 || count > 0;
}
