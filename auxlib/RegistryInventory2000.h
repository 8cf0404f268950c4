// CRegistryInventory2000: the adapters Windows 2000 has installed (the network class of the device
// classes), each with the TCP/IP interface of its instance identifier; the DNS servers from IP Helper;
// and a dial-up pseudo adapter when RAS has a device.
#pragma once

#include "AdapterTable.h"
#include "RegistryAccess.h"
#include "SystemQueries.h"

constexpr size_t k2000NameMax = 256;
constexpr size_t k2000ValueBuffer = 256;
constexpr char kDialupPseudoAdapter[] = "Dial-up Networking Adapter";

class CRegistryInventory2000 {
public:
    CRegistryInventory2000(IRegistry& registry, INetworkInfo& network) : registry_(registry), network_(network) {}

    // Appends the adapters, the DNS servers, and the dial-up pseudo adapter last.
    void Run(CAdapterTable& table);

private:
    void Walk(const CRegKey& key, int depth, CAdapterTable& table);
    void AddAdapter(const CRegKey& instance, CAdapterTable& table);

    IRegistry& registry_;
    INetworkInfo& network_;
};
