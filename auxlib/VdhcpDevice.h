// CVdhcpDevice: the lease table of the Windows 95/98 DHCP client, read from its device "\\.\VDHCP".
#pragma once

#include "SystemQueries.h"

class CVdhcpDevice : public IVdhcpDevice {
public:
    bool ReadTable(std::vector<uint8_t>& reply) override;
};
