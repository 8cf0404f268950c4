#include "AdapterPrune.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "DialupDescription.h"

namespace {

bool IsUnbound(const AdapterRecord& adapter, OsType os, const std::vector<uint32_t>& hostAddresses)
{
    if (adapter.dhcp || IsDialupDescription(os, adapter.description))
        return false;
    if (adapter.addresses.empty())
        return true;
    return std::find(hostAddresses.begin(), hostAddresses.end(), adapter.addresses.front()) == hostAddresses.end();
}

}  // namespace

void PruneUnboundAdapters(CAdapterTable& table, OsType os, INetworkInfo& network)
{
    std::vector<uint32_t> hostAddresses;
    if (!network.HostAddresses(hostAddresses))
        return;
    // After a removal the walk starts again from the first adapter.
    for (int i = 0; i < table.AdapterCount();) {
        if (IsUnbound(*table.Adapter(i), os, hostAddresses)) {
            table.RemoveAdapter(i);
            i = 0;
        } else {
            ++i;
        }
    }
}
