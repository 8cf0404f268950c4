#pragma once
// DhcpSettings: section `DHCP` of Ombrix.Ini as the server uses it. Reading keeps the values as the file
// gives them; ClampDhcpSettings turns them into what the server runs with, so every clamp is one pure
// function.
#include <cstddef>
#include <cstdint>
#include <string>

#include "DhcpHostInterfaces.h"
#include "DhcpWire.h"
#include "IniSettings.h"

// Keys and defaults are the kIniDhcp entries of IniSettings.h, all in section DHCP.
static_assert(kIniDhcpServerPort.fallback == kDhcpServerPort, "unless told otherwise the server is on port 67");

// Buffer lengths of the string reads.
constexpr size_t kDhcpAddressTextBuffer = 80;
constexpr size_t kDhcpMaskTextBuffer = 16;
constexpr size_t kDhcpDnsTextBuffer = 16;
constexpr size_t kDhcpLogFileBuffer = 260;

// Pool bounds: the first host number is 1 to 250 (anything else means 1); the end, never handed out
// itself, is at most 254 and above the first (anything else means 254).
constexpr uint32_t kDhcpLowestHost = 1;
constexpr uint32_t kDhcpHighestLowAddress = 250;
constexpr uint32_t kDhcpPoolEndLimit = 254;
// With the server on host 1 outside single NIC mode, the pool starts behind it.
constexpr uint32_t kDhcpLowAddressBehindServer = 2;
constexpr int kSharingModeSingleNic = 1;

// 192.168.0.0 and 255.255.255.0 as held.
constexpr uint32_t kDhcpDefaultNetwork = 0x0000A8C0u;
constexpr uint32_t kDhcpDefaultMask = 0x00FFFFFFu;

/// The values as read from the file.
struct DhcpRawSettings {
    int serverPort = kIniDhcpServerPort.fallback;
    std::string localAddress = kIniDhcpLocalAddress.fallback;
    std::string assignedIp = kIniDhcpAssignedIp.fallback;
    int lowAddress = kIniDhcpLowAddress.fallback;
    int highAddress = kIniDhcpHighAddress.fallback;
    int offerAddrTimeout = kIniDhcpOfferAddrTimeout.fallback;
    int leaseAddrTimeout = kIniDhcpLeaseAddrTimeout.fallback;
    std::string subNetMask = kIniDhcpSubNetMask.fallback;
    std::string numDomainNameServers = kIniDhcpNumDomainNameServers.fallback;
    std::string domainNameServers = kIniDhcpDomainNameServers.fallback;
    std::string logFile = kIniDhcpLogFile.fallback;
};

/// What the server runs with. Addresses are held as in DhcpWire.h.
struct DhcpSettings {
    uint16_t serverPort = kDhcpServerPort;
    uint32_t localAddress = 0;               ///< `LocalAddress`; 0: the runtime picks an adapter address by mode
    uint32_t serverAddress = 0;              ///< the address in use: `localAddress`, or the runtime's pick
    uint32_t network = kDhcpDefaultNetwork;  ///< first three octets of `AssignedIp`, fourth octet 0
    uint32_t lowAddress = kDhcpLowestHost;
    uint32_t highAddress = kDhcpPoolEndLimit;
    uint16_t offerAddrTimeout = kIniDhcpOfferAddrTimeout.fallback;
    uint32_t leaseAddrTimeout = kIniDhcpLeaseAddrTimeout.fallback;
    uint32_t subNetMask = kDhcpDefaultMask;
    uint32_t domainNameServers[kDhcpMaxDnsServers] = {};
    size_t numDomainNameServers = 0;  ///< 0: the server hands out its own address
    std::string logFile;
};

/// Reads every key of section `DHCP` with its default and buffer length.
DhcpRawSettings ReadDhcpRawSettings(IDhcpSettingsSource& source);

/// Applies every rule of the settings file: low 16 bits of the port and the offer time-out; an
/// `AssignedIp` that parses to 0 means 192.168.0.0 and only its first three octets count; the pool bounds;
/// a mask of 0 means 255.255.255.0; at most five DNS server entries, each holding the one configured
/// `DomainNameServers` address. Text that is not a dotted address counts as 0. `serverAddress` starts as
/// `localAddress`.
DhcpSettings ClampDhcpSettings(const DhcpRawSettings& raw);

/// The pool-bound rules alone, for bounds the console sets while the server runs.
void ClampDhcpPool(uint32_t* lowAddress, uint32_t* highAddress);

/// Outside single NIC mode, with the server on host number 1 and the pool starting at 1, the pool starts at
/// 2 instead. Returns true when it changed `lowAddress` (the runtime then writes "2" to `LowAddress`).
bool MoveLowAddressBehindServer(DhcpSettings* settings, int sharingMode);
