#pragma once
// CLanRoute: the LAN route, added at start-up once the port forwards are sent. In single NIC mode the
// clients' network and the Internet side share one adapter, and the system is told to reach the local
// network through that adapter's own address. The system's route program does it; the service starts it
// and does not wait for it.
class CLanRoute {
public:
    /// Adds the route when `sharingMode` is single NIC mode; in the other modes does nothing and succeeds.
    /// Reads `AssignedIp` and `SubnetMask` of section DHCP, refreshes the adapter table (Refresh), writes
    /// "Attempting to Add Route" and the command line to the service log and runs the command hidden.
    /// False, without a log line of its own, when no adapter gives a gateway.
    static bool Add(int sharingMode);
};
