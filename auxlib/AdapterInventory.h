// CAdapterInventory: rebuilds the adapter and DNS server tables, by the method of the Windows family.
#pragma once

#include "AdapterTable.h"
#include "OsType.h"
#include "RegistryAccess.h"
#include "SystemQueries.h"

// Everything of the system the inventory reads.
struct AuxSystem {
    IRegistry& registry;
    ITdiTransport& tdi;
    IVdhcpDevice& vdhcp;
    INetworkInfo& network;
};

class CAdapterInventory {
public:
    CAdapterInventory(CAdapterTable& table, AuxSystem system) : table_(table), system_(system) {}

    // The running stack on Windows 95/98 (a failing query leaves both tables empty); the registry method on
    // every other family, and also when the family is not known. Returns the number of adapters.
    int Refresh(OsType os);
    // The registry method of the family (OsUnknown fills nothing), then the prune step. Returns the number
    // of adapters.
    int RefreshByRegistry(OsType os);

private:
    CAdapterTable& table_;
    AuxSystem system_;
};
