// TdiQuery: the TCP/IP stack queries of Windows 95/98 (WsControl with the published TDI query structures):
// the 36-byte request and the replies the stack method reads. Every parser takes the length the stack
// reported and reads nothing beyond it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// WsControl(protocol, action, ...): the TCP protocol number and the "query information" action.
constexpr uint32_t kWsControlProtocol = 6;
constexpr uint32_t kWsControlQueryAction = 0;

// The request: entity type, entity instance, class, type, identifier, then 16 zero bytes of context.
constexpr size_t kTdiRequestSize = 36;
constexpr size_t kTdiRequestEntity = 0;
constexpr size_t kTdiRequestInstance = 4;
constexpr size_t kTdiRequestClass = 8;
constexpr size_t kTdiRequestType = 12;
constexpr size_t kTdiRequestId = 16;
constexpr size_t kTdiRequestContext = 20;
constexpr size_t kTdiContextSize = 16;
static_assert(kTdiRequestContext + kTdiContextSize == kTdiRequestSize, "request fields fill 36 bytes");

// Entity types and the kinds the stack reports for them.
constexpr uint32_t kGenericEntity = 0;
constexpr uint32_t kInterfaceEntity = 0x200;   // IF_ENTITY
constexpr uint32_t kInterfaceMibKind = 0x202;  // IF_MIB
constexpr uint32_t kNetworkEntity = 0x301;     // CL_NL_ENTITY
constexpr uint32_t kIpKind = 0x303;            // CL_NL_IP
// Classes, type and identifiers.
constexpr uint32_t kGenericClass = 0x100;   // INFO_CLASS_GENERIC
constexpr uint32_t kProtocolClass = 0x200;  // INFO_CLASS_PROTOCOL
constexpr uint32_t kProviderType = 0x100;   // INFO_TYPE_PROVIDER
constexpr uint32_t kEntityListId = 0;
constexpr uint32_t kEntityKindId = 1;
constexpr uint32_t kInterfaceEntryId = 1;
constexpr uint32_t kIpStatisticsId = 1;
constexpr uint32_t kRouteTableId = 0x101;
constexpr uint32_t kAddressTableId = 0x102;

// Entity list: (entity type, instance) pairs.
constexpr size_t kEntityRecordSize = 8;
constexpr size_t kEntityListInitialSize = 256;
constexpr size_t kEntityKindSize = 4;

// Interface entry.
constexpr size_t kInterfaceEntrySize = 224;
constexpr size_t kInterfaceIndex = 0;
constexpr size_t kInterfaceType = 4;
constexpr size_t kInterfaceHardwareLength = 16;
constexpr size_t kInterfaceHardware = 20;
constexpr size_t kInterfaceHardwareMax = 8;
constexpr size_t kInterfaceDescriptionLength = 88;
constexpr size_t kInterfaceDescription = 92;
constexpr uint32_t kSoftwareLoopbackType = 24;
// No more of an interface's description than this is kept.
constexpr size_t kInterfaceDescriptionTaken = 129;

// IP statistics: exactly this long, with the address and route counts near the end.
constexpr size_t kIpStatisticsSize = 92;
constexpr size_t kIpStatisticsAddressCount = 84;
constexpr size_t kIpStatisticsRouteCount = 88;

// Address table entry.
constexpr size_t kAddressEntrySize = 24;
constexpr size_t kAddressEntryAddress = 0;
constexpr size_t kAddressEntryIndex = 4;
constexpr size_t kAddressEntryMask = 8;

// Route table entry.
constexpr size_t kRouteEntrySize = 48;
constexpr size_t kRouteEntryDestination = 0;
constexpr size_t kRouteEntryIndex = 4;
constexpr size_t kRouteEntryNextHop = 24;

using TdiRequestBytes = std::array<uint8_t, kTdiRequestSize>;

struct TdiRequest {
    uint32_t entity = 0;
    uint32_t instance = 0;
    uint32_t infoClass = 0;
    uint32_t infoType = 0;
    uint32_t id = 0;
};

struct TdiEntity {
    uint32_t type = 0;
    uint32_t instance = 0;
};

struct TdiInterface {
    uint32_t index = 0;
    uint32_t type = 0;
    uint32_t hardwareLength = 0;  // at most kInterfaceHardwareMax
    std::array<uint8_t, kInterfaceHardwareMax> hardware{};
    std::string description;  // at most kInterfaceDescriptionTaken bytes
};

struct TdiIpCounts {
    uint32_t addresses = 0;
    uint32_t routes = 0;
};

struct TdiAddressEntry {
    uint32_t address = 0;
    uint32_t index = 0;
    uint32_t mask = 0;
};

struct TdiRouteEntry {
    uint32_t destination = 0;
    uint32_t index = 0;
    uint32_t nextHop = 0;
};

TdiRequestBytes EncodeTdiRequest(const TdiRequest& request);

// The whole entity records among length bytes.
std::vector<TdiEntity> ParseEntityList(const uint8_t* data, size_t length);
// False when the reply is shorter than the fixed part before the description. The description is cut
// at the reply's end, at a NUL and at kInterfaceDescriptionTaken bytes; the hardware length at 8.
bool ParseInterfaceEntry(const uint8_t* data, size_t length, TdiInterface& entry);
// False unless the reply is exactly kIpStatisticsSize bytes.
bool ParseIpStatistics(const uint8_t* data, size_t length, TdiIpCounts& counts);
// At most maxEntries whole entries.
std::vector<TdiAddressEntry> ParseAddressTable(const uint8_t* data, size_t length, size_t maxEntries);
std::vector<TdiRouteEntry> ParseRouteTable(const uint8_t* data, size_t length);
