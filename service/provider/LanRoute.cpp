#include "LanRoute.h"

#include <windows.h>

#include <string>
#include <vector>

#include "LanRouteCommand.h"
#include "OmbrixIni.h"
#include "ServiceLog.h"
#include "ombrixaux.h"

namespace {
/// The adapter table as Refresh has just rebuilt it.
std::vector<LanRouteAdapter> ReadAdapters()
{
    constexpr int kFirstAddress = 0;
    std::vector<LanRouteAdapter> adapters;
    const int count = GetAdapterCount();
    for (int i = 0; i < count; ++i) {
        LanRouteAdapter adapter;
        adapter.dialup = IsDialup(i) != 0;
        adapter.gateway = static_cast<uint32_t>(GetGateway(i));
        adapter.firstAddress = static_cast<uint32_t>(GetIpAddress(i, kFirstAddress));
        adapters.push_back(adapter);
    }
    return adapters;
}
}  // namespace

bool CLanRoute::Add(int sharingMode)
{
    if (sharingMode != kLanRouteSharingMode)
        return true;
    CServiceLog::Write(kLanRouteAttemptLine);

    char assignedIp[kLanRouteAssignedIpBuffer] = {};
    char subnetMask[kLanRouteSubnetMaskBuffer] = {};
    COmbrixIni::ReadString(kIniDhcpAssignedIp, assignedIp, sizeof assignedIp);
    COmbrixIni::ReadString(kIniDhcpSubNetMask, subnetMask, sizeof subnetMask);
    const LanRouteNetwork route = ComputeLanRouteNetwork(assignedIp, subnetMask);

    // The gateway comes from the adapters as they are now, not as the table stood when the service started.
    Refresh();
    const uint32_t gateway = PickLanRouteGateway(ReadAdapters());
    if (gateway == 0)
        return false;

    const std::string command = FormatLanRouteCommand(route.network, route.mask, gateway);
    CServiceLog::Write(command.c_str());
    // Not waited for: start-up goes on while the route program runs, and nothing the service does depends
    // on its outcome.
    WinExec(command.c_str(), SW_HIDE);
    return true;
}
