// Lookups in the DHCP client's lease table of Windows 95/98. Each reads the table afresh from the device
// (which is opened and closed again for it); a device that cannot be read finds nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "SystemQueries.h"

// Whether a lease has this hardware address (compared over length bytes).
bool VdhcpKnowsHardware(IVdhcpDevice& device, const uint8_t* hardware, size_t length);
// The DNS servers of the first lease of this address; empty when there is none.
std::vector<uint32_t> VdhcpDnsServersOf(IVdhcpDevice& device, uint32_t address);
