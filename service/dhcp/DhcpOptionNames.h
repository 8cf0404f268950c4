#pragma once
// DhcpOptionNames: the names the traces give to option codes and message types.
#include <cstdint>

/// The name of an option the server knows but does not write ("DHO_TIME_OFFSET" ...), as the parameter
/// walk traces it; null for the codes it writes and for unknown ones.
const char* DhcpNotImplementedOptionName(uint8_t code);

/// The name the message dump prints for an option without a line of its own: the not-implemented names
/// and DHO_DOMAIN_NAME_SERVERS, DHO_DHCP_MESSAGE_TYPE, DHO_DHCP_MESSAGE; null when no name is given.
const char* DhcpDumpOptionName(uint8_t code);

/// "DHCPDISCOVER" ... "DHCPINFORM", or "UNKNOWN DHCP MESSAGE TYPE!!!".
const char* DhcpMessageTypeName(uint8_t type);
