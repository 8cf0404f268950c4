#pragma once
// LanRouteCommand: what the LAN route is made of in single NIC mode, decided without the system: the
// network from the DHCP settings, the gateway from the adapter table, and the route command's text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "IniSettings.h"

/// The one sharing mode in which the route is added: clients and the Internet share one adapter, so the
/// system has to be told that the local network is reached through that adapter's own address.
constexpr int kLanRouteSharingMode = 1;

// The route set-up reads its network from the DHCP server's entries (kIniDhcpAssignedIp, kIniDhcpSubNetMask),
// with buffers of its own.
constexpr size_t kLanRouteAssignedIpBuffer = 50;
constexpr size_t kLanRouteSubnetMaskBuffer = 16;

/// Service log line written before anything else of the route is tried.
constexpr char kLanRouteAttemptLine[] = "Attempting to Add Route";

/// The route command, the system's own route program; the parts are the octets of the network, of the mask
/// and of the gateway, first octet first.
constexpr char kLanRouteCommandFormat[] = "Route Add %i.%i.%i.%i Mask %i.%i.%i.%i %i.%i.%i.%i Metric 1";
/// Room for the longest text the format gives (71 characters, with three addresses of 15) and its terminator.
constexpr size_t kLanRouteCommandBuffer = 96;

/// One adapter of the table as the gateway pick reads it. Addresses in network byte order.
struct LanRouteAdapter {
    bool dialup = false;
    uint32_t gateway = 0;       ///< the adapter's default gateway; 0 when it has none
    uint32_t firstAddress = 0;  ///< the adapter's first IPv4 address
};

/// The network and mask of the route from the two settings texts, converted as the system's dotted-quad
/// conversion does (malformed text gives 255.255.255.255): the network is the address AND the mask.
struct LanRouteNetwork {
    uint32_t network = 0;
    uint32_t mask = 0;
};
LanRouteNetwork ComputeLanRouteNetwork(const char* assignedIp, const char* subnetMask);

/// The route's gateway: the first address of the first adapter, in table order, that is not a dial-up
/// adapter and has a gateway. 0 when there is none or that address is 0 (no route is added then).
uint32_t PickLanRouteGateway(const std::vector<LanRouteAdapter>& adapters);

/// The command line that adds the route.
std::string FormatLanRouteCommand(uint32_t network, uint32_t mask, uint32_t gateway);
