// PruneUnboundAdapters: after a registry method, keeps only the static adapters whose address the system
// has bound now. The registry also lists adapters that are configured but absent or disabled.
#pragma once

#include "AdapterTable.h"
#include "OsType.h"
#include "SystemQueries.h"

// Removes every adapter that is neither dial-up nor DHCP and whose first address (or any address, when it
// has none) is not among the host's own addresses. Nothing is removed when the host's name does not
// resolve.
void PruneUnboundAdapters(CAdapterTable& table, OsType os, INetworkInfo& network);
