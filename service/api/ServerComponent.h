#pragma once
#include <cstdint>
#include <vector>

#include "IpcWire.h"

/// What the service's switches and the tick need of a server it owns (the DHCP server, the DNS relay).
class IServerComponent {
public:
    virtual ~IServerComponent() = default;
    virtual bool Start() = 0;
    virtual bool Stop() = 0;
    /// True while the server's socket is open.
    virtual bool IsRunning() const = 0;
};

/// What the control protocol asks of the DHCP server besides start and stop.
class IDhcpServerComponent : public IServerComponent {
public:
    /// Replaces the pool's low and high host numbers at once, also while the server runs.
    virtual void SetPool(uint32_t low, uint32_t high) = 0;
    virtual uint32_t PoolLow() const = 0;
    virtual uint32_t PoolHigh() const = 0;
    /// The pool's network: the first three octets of AssignedIp, network order, last octet zero.
    virtual uint32_t Network() const = 0;
    /// The client entries that hold a lease, in table order.
    virtual std::vector<IpcClientEntry> Clients() const = 0;
};

/// The DNS relay's extra duties on the tick.
class IDnsRelayComponent : public IServerComponent {
public:
    virtual void CloseInternetSocket() = 0;
    /// Drops pending queries that waited too long.
    virtual void ExpireQueries() = 0;
    /// Address of the LAN-side listening socket, network order.
    virtual uint32_t LanAddress() const = 0;
};
