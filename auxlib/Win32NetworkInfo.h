// CWin32NetworkInfo: the network queries of the NT family (IP Helper, RAS; both loaded when needed, as
// Windows 95 and NT 4 may lack them) and the host's own addresses through Winsock 1.1.
#pragma once

#include "SystemQueries.h"

class CWin32NetworkInfo : public INetworkInfo {
public:
    bool NetworkParamsDnsServers(std::vector<std::string>& servers) override;
    bool RasDeviceCount(uint32_t& count) override;
    bool HostAddresses(std::vector<uint32_t>& addresses) override;
};
