#pragma once
// CLoadMessage: one request of a simulated client, built in place: the DISCOVER and the REQUEST that takes
// an offer (both asking for a broadcast answer), the renewal (RENEWING state: ciaddr set, no requested
// address or server identifier, sent by unicast) and the RELEASE. Every request identifies the client by
// chaddr and by option 61 (type 1 + the hardware address), as most clients do.
#include <cstddef>
#include <cstdint>

#include "DhcpLoadWire.h"

class CLoadMessage {
public:
    /// DISCOVER from `mac` with transaction `xid`.
    void Discover(const uint8_t mac[kEthernetAddressSize], uint32_t xid);
    /// REQUEST in SELECTING state: takes `offered` from the server `serverId` (option 50 and 54).
    void Select(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint32_t offered, uint32_t serverId);
    /// REQUEST in RENEWING state for the lease on `leased`.
    void Renew(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint32_t leased);
    /// RELEASE of `leased` to `serverId`.
    void Release(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint32_t leased, uint32_t serverId);

    const uint8_t* Bytes() const { return bytes_; }
    size_t Length() const { return length_; }

private:
    void Header(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint16_t flags, uint32_t ciaddr, uint8_t type);
    void AddAddress(uint8_t code, uint32_t address);
    void AddClientId(const uint8_t mac[kEthernetAddressSize]);
    void AddParameterList();
    void Finish();

    uint8_t bytes_[kLoadMessageCapacity] = {};
    size_t length_ = 0;
};
