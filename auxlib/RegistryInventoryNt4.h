// CRegistryInventoryNt4: the adapters Windows NT 4 has configured: the installed network cards, each with
// the service of its driver, whose TCP/IP settings hold the addresses.
#pragma once

#include "AdapterTable.h"
#include "RegistryAccess.h"

constexpr size_t kNt4NameMax = 128;
constexpr size_t kNt4ValueBuffer = 128;
constexpr size_t kNt4NameServerBuffer = 50;
// The adapter service type (SERVICE_ADAPTER) and the device its driver binds.
constexpr uint32_t kNt4AdapterServiceType = 4;
constexpr char kNt4NameServerSeparator = ' ';

class CRegistryInventoryNt4 {
public:
    explicit CRegistryInventoryNt4(IRegistry& registry) : registry_(registry) {}

    // Appends the adapters, then the DNS servers.
    void Run(CAdapterTable& table);

private:
    // Fills in what the card's service says; false when the card has no bound TCP/IP settings.
    bool Complete(AdapterRecord& record);
    void AddNameServers(const char* keyPath, CAdapterTable& table);

    IRegistry& registry_;
};
