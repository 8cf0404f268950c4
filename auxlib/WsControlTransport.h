// CWsControlTransport: the TCP/IP stack queries of Windows 95/98 through the WsControl entry of WSOCK32.DLL.
// The entry is not part of Winsock proper and NT has no use for it, so it is looked up by name for each
// query and the library let go again.
#pragma once

#include "SystemQueries.h"

class CWsControlTransport : public ITdiTransport {
public:
    bool Query(const TdiRequestBytes& request, std::vector<uint8_t>& buffer, uint32_t& returned) override;
};
