#pragma once
// CAuxAdapterSource: the adapter table of ombrixaux as the DHCP server's start reads it.
#include "DhcpAddressPick.h"

class CAuxAdapterSource : public IDhcpAdapterSource {
public:
    /// `Refresh` of ombrixaux: the running stack on Windows 95/98, the registry on NT.
    void Refresh() override;
    /// Each adapter's dial-up flag, gateway and first address (address index 0), in table order.
    std::vector<DhcpAdapterView> Adapters() override;
};
