// CAdapterSettings: writes an adapter's stored TCP/IP settings (fixed address, DHCP, mask, gateway) where
// its Windows family keeps them, in the value types and byte counts that family's TCP/IP stack reads at
// its next start. The running stack is not changed.
#pragma once

#include <cstdint>
#include <string>

#include "OsType.h"
#include "RegistryAccess.h"

// The 9x settings key is checked for an existing "IpAddress" by reading it into a buffer of this size.
constexpr size_t k9xIpAddressProbeBuffer = 20;

class CAdapterSettings {
public:
    // configKey: the adapter record's key name (empty writes nothing).
    CAdapterSettings(IRegistry& registry, OsType os, const std::string& configKey)
        : registry_(registry), os_(os), configKey_(configKey)
    {}

    // Each returns true only when every write it makes succeeded; a failed write stops the rest (except
    // where a family says otherwise). Values written before a failure stay.
    bool SetFixedIp(uint32_t address);
    bool SetDhcp();
    bool SetSubnet(uint32_t mask);
    bool SetGateway(uint32_t gateway);

private:
    enum class Family { Win9x, Nt4, Win2000, None };
    Family FamilyOf() const;
    // The 9x class key, only when it already has an "IpAddress".
    CRegKey Open9x() const;
    // The NT 4 service key and its TCP/IP subkey, both for writing; tcpip is not open on failure.
    bool OpenNt4(CRegKey& service, CRegKey& tcpip) const;
    CRegKey Open2000() const;

    IRegistry& registry_;
    OsType os_;
    std::string configKey_;
};
