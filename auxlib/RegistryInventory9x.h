// CRegistryInventory9x: the adapters Windows 95/98 have configured, from the registry. Each network device
// under HKLM\Enum leads through its MSTCP binding to the key of its TCP/IP settings.
#pragma once

#include "AdapterTable.h"
#include "RegistryAccess.h"
#include "SystemQueries.h"

constexpr size_t k9xNameMax = 50;
constexpr size_t k9xValueBuffer = 50;

class CRegistryInventory9x {
public:
    CRegistryInventory9x(IRegistry& registry, IVdhcpDevice& vdhcp) : registry_(registry), vdhcp_(vdhcp) {}

    // Appends the adapters, then their DNS servers.
    void Run(CAdapterTable& table);

private:
    void Walk(const CRegKey& key, int depth, CAdapterTable& table);
    // True when the device key gave a record (which is then appended).
    bool AddDevice(const CRegKey& device, CAdapterTable& table);

    IRegistry& registry_;
    IVdhcpDevice& vdhcp_;
};
