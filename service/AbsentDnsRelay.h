#pragma once
// CAbsentDnsRelay: the DNS relay's place in a build that has no relay. It exists, so the switches, the tick
// and the control protocol see an object where the relay will be, but it never runs: starting it fails
// (the switch logs "Error Starting DNS Server") and its tick duties do nothing.
#include "ServerComponent.h"

class CAbsentDnsRelay : public IDnsRelayComponent {
public:
    bool Start() override;
    bool Stop() override;
    bool IsRunning() const override;
    void CloseInternetSocket() override;
    void ExpireQueries() override;
    /// 0: there is no listening socket.
    uint32_t LanAddress() const override;
};
