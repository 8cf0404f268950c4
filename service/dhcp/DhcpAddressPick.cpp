#include "DhcpAddressPick.h"

#include "DhcpSettings.h"

uint32_t PickDhcpServerAddress(int sharingMode, const std::vector<DhcpAdapterView>& adapters)
{
    for (const DhcpAdapterView& adapter : adapters) {
        if (adapter.dialup || adapter.address == 0) {
            continue;
        }
        const bool hasGateway = adapter.gateway != 0;
        switch (sharingMode) {
        case kSharingModeModem:
            return adapter.address;
        case kSharingModeSingleNic:
            if (hasGateway) {
                return adapter.address;
            }
            break;
        case kSharingModeDualNic:
            if (!hasGateway) {
                return adapter.address;
            }
            break;
        default:
            return 0;
        }
    }
    return 0;
}
