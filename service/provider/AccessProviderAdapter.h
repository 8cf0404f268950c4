#pragma once
// CAccessProviderAdapter: the DHCP server's view of the access provider plug-in. The server is given this
// adapter whether or not a plug-in is configured; each call asks the provider at that moment, so a plug-in
// retained after the server started takes part at once, and one unloaded is no longer called.
#include <cstdint>

#include "AccessProvider.h"
#include "DhcpHostInterfaces.h"

class CAccessProviderAdapter : public IDhcpAccessProvider {
public:
    explicit CAccessProviderAdapter(CAccessProvider& provider) : provider_(provider) {}

    /// The adapter over the service's one plug-in (CAccessProvider::Service()), for the service's DHCP server.
    static CAccessProviderAdapter& Service();

    bool Authorise(const uint8_t* hardwareAddress, int length) override;
    void Lease(const uint8_t* hardwareAddress, int length, uint32_t address) override;
    void Release(const uint8_t* hardwareAddress, int length) override;

private:
    CAccessProvider& provider_;
};
