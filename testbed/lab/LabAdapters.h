#pragma once
// The lab's check of the adapter registry it wrote into the prefix: reads the network adapters the way a
// Windows 2000 machine keeps them (the Net class under Control\Class, each interface's TCP/IP settings
// under Tcpip\Parameters\Interfaces), prunes the static ones whose address the host name does not resolve
// to, and shows which address each sharing mode would pick. When the ombrixaux.dll beside the probe already
// exports the inventory, its table is printed too and compared with this one.
#include <cstdint>
#include <string>
#include <vector>

namespace lab {

struct LabAdapter {
    std::string description;
    std::string configKey;
    int dhcp = 0;
    bool hasAddress = false;
    uint32_t address = 0;
    uint32_t subnetMask = 0;
    uint32_t gateway = 0;
    unsigned long addressType = 0;  // registry type of the address value: 7 (REG_MULTI_SZ) as Windows 2000 writes it
};

/// The Windows 2000 walk, before the prune.
std::vector<LabAdapter> ReadAdapterRegistry();

/// Prints the "adapters" check; returns 0 when exactly the adapters of the registry survive the prune and
/// every mode finds an address.
int ReportAdapters();

}  // namespace lab
