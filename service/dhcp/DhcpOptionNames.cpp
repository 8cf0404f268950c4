#include "DhcpOptionNames.h"

#include "DhcpWire.h"

namespace {

struct OptionName {
    uint8_t code;
    const char* name;
};

// Options a client may ask for that this server never hands out.
constexpr OptionName kNotImplemented[] = {
    {2, "DHO_TIME_OFFSET"},
    {4, "DHO_TIME_SERVERS"},
    {5, "DHO_NAME_SERVERS"},
    {7, "DHO_LOG_SERVERS"},
    {8, "DHO_COOKIE_SERVERS"},
    {9, "DHO_LPR_SERVERS"},
    {10, "DHO_IMPRESS_SERVERS"},
    {11, "DHO_RESOURCE_LOCATION_SERVERS"},
    {12, "DHO_HOST_NAME"},
    {13, "DHO_BOOT_SIZE"},
    {14, "DHO_MERIT_DUMP"},
    {16, "DHO_SWAP_SERVER"},
    {17, "DHO_ROOT_PATH"},
    {18, "DHO_EXTENSIONS_PATH"},
    {19, "DHO_IP_FORWARDING"},
    {20, "DHO_NON_LOCAL_SOURCE_ROUTING"},
    {21, "DHO_POLICY_FILTER"},
    {22, "DHO_MAX_DGRAM_REASSEMBLY"},
    {23, "DHO_DEFAULT_IP_TTL"},
    {24, "DHO_PATH_MTU_AGING_TIMEOUT"},
    {25, "DHO_PATH_MTU_PLATEAU_TABLE"},
    {26, "DHO_INTERFACE_MTU"},
    {27, "DHO_ALL_SUBNETS_LOCAL"},
    {28, "DHO_BROADCAST_ADDRESS"},
    {29, "DHO_PERFORM_MASK_DISCOVERY"},
    {30, "DHO_MASK_SUPPLIER"},
    {31, "DHO_ROUTER_DISCOVERY"},
    {32, "DHO_ROUTER_SOLICITATION_ADDRESS"},
    {33, "DHO_STATIC_ROUTES"},
    {34, "DHO_TRAILER_ENCAPSULATION"},
    {35, "DHO_ARP_CACHE_TIMEOUT"},
    {36, "DHO_IEEE802_3_ENCAPSULATION"},
    {37, "DHO_DEFAULT_TCP_TTL"},
    {38, "DHO_TCP_KEEPALIVE_INTERVAL"},
    {39, "DHO_TCP_KEEPALIVE_GARBAGE"},
    {40, "DHO_NIS_DOMAIN"},
    {41, "DHO_NIS_SERVERS"},
    {42, "DHO_NTP_SERVERS"},
    {43, "DHO_VENDOR_ENCAPSULATED_OPTIONS"},
    {44, "DHO_NETBIOS_NAME_SERVERS"},
    {45, "DHO_NETBIOS_DD_SERVER"},
    {46, "DHO_NETBIOS_NODE_TYPE"},
    {47, "DHO_NETBIOS_SCOPE"},
    {48, "DHO_FONT_SERVERS"},
    {49, "DHO_X_DISPLAY_MANAGER"},
    {50, "DHO_DHCP_REQUESTED_ADDRESS"},
    {52, "DHO_DHCP_OPTION_OVERLOAD"},
    {57, "DHO_DHCP_MAX_MESSAGE_SIZE"},
    {58, "DHO_DHCP_RENEWAL_TIME"},
    {59, "DHO_DHCP_REBINDING_TIME"},
    {60, "DHO_DHCP_CLASS_IDENTIFIER"},
    {77, "DHO_DHCP_USER_CLASS_ID"},
};

// Names the dump knows besides those.
constexpr OptionName kDumpOnly[] = {
    {DHO_DOMAIN_NAME_SERVERS, "DHO_DOMAIN_NAME_SERVERS"},
    {DHO_DHCP_MESSAGE_TYPE, "DHO_DHCP_MESSAGE_TYPE"},
    {56, "DHO_DHCP_MESSAGE"},
};

constexpr const char* kMessageTypeNames[] = {
    nullptr,   "DHCPDISCOVER", "DHCPOFFER",   "DHCPREQUEST", "DHCPDECLINE",
    "DHCPACK", "DHCPNAK",      "DHCPRELEASE", "DHCPINFORM",
};
constexpr char kUnknownMessageType[] = "UNKNOWN DHCP MESSAGE TYPE!!!";

template <size_t N> const char* Lookup(const OptionName (&table)[N], uint8_t code)
{
    for (const OptionName& entry : table) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return nullptr;
}

}  // namespace

const char* DhcpNotImplementedOptionName(uint8_t code)
{
    return Lookup(kNotImplemented, code);
}

const char* DhcpDumpOptionName(uint8_t code)
{
    const char* name = Lookup(kNotImplemented, code);
    return name != nullptr ? name : Lookup(kDumpOnly, code);
}

const char* DhcpMessageTypeName(uint8_t type)
{
    if (type >= DHCPDISCOVER && type <= DHCPINFORM) {
        return kMessageTypeNames[type];
    }
    return kUnknownMessageType;
}
