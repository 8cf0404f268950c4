#pragma once
// DhcpAddressPick: which of the computer's adapters the DHCP server binds to when `LocalAddress` names
// none. The clients sit behind the adapter that faces the LAN, and the mode says which one that is.
#include <cstdint>
#include <vector>

// Sharing modes (`OmbrixMode`).
constexpr int kSharingModeModem = 0;
constexpr int kSharingModeDualNic = 2;

/// What the pick reads of one adapter of the table, in table order.
struct DhcpAdapterView {
    bool dialup = false;   ///< the family's dial-up adapter
    uint32_t gateway = 0;  ///< default gateway, 0 when none
    uint32_t address = 0;  ///< first address, 0 when none
};

/// The adapter table as the server sees it at start.
class IDhcpAdapterSource {
public:
    virtual ~IDhcpAdapterSource() = default;
    /// Rebuilds the table from the system.
    virtual void Refresh() = 0;
    virtual std::vector<DhcpAdapterView> Adapters() = 0;
};

/// The first adapter in table order that is not a dial-up adapter and has an address, and besides:
/// mode 0 (modem) nothing more; mode 1 (single NIC) a gateway, since that one adapter carries the Internet
/// side too; mode 2 (dual NIC) no gateway, since the adapter with the gateway faces the Internet. Returns
/// its address, or 0 when none qualifies (or the mode is none of the three).
uint32_t PickDhcpServerAddress(int sharingMode, const std::vector<DhcpAdapterView>& adapters);
