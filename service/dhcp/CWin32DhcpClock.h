#pragma once
// CWin32DhcpClock: seconds since 1970-01-01 UTC, the time base of offers, leases and the client database.
// Read from the system time rather than counted from the tick count: leases in the database must keep
// their meaning across a restart of the service and of the machine.
#include "DhcpHostInterfaces.h"

class CWin32DhcpClock : public IDhcpClock {
public:
    uint32_t Now() override;
};
