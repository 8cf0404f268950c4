#pragma once
#include <cstdint>

/// What the service's switches and the tick need of a server it owns (the DHCP server, the DNS relay).
class IServerComponent {
public:
    virtual ~IServerComponent() = default;
    virtual bool Start() = 0;
    virtual bool Stop() = 0;
    /// True while the server's socket is open.
    virtual bool IsRunning() const = 0;
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
