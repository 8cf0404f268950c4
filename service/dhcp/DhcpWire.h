#pragma once
// DhcpWire: the BOOTP/DHCP message (RFC 2131) as the server reads and writes it: field offsets, option and
// message-type codes and sizes.
//
// Addresses are held as the 32-bit value whose little-endian reading gives the four octets in order (the
// first octet in the lowest byte), which on every target is the address in network order in memory; they
// are read from and written to the wire little-endian (LoadLe32, StoreLe32 of ByteOrder.h). Times travel in
// network order (LoadBe32, StoreBe32).
#include <cstddef>
#include <cstdint>

#include "ByteOrder.h"

// Every message in hand lives in two buffers of this size (the request and the reply under construction).
constexpr size_t kDhcpMessageBufferSize = 1456;
// The socket reads datagrams of up to this size; anything beyond a message buffer is cut off.
constexpr size_t kDhcpReceiveSize = 2048;

// Header fields (offsets from the start of the UDP payload).
constexpr size_t kDhcpOpOffset = 0;
constexpr size_t kDhcpHtypeOffset = 1;
constexpr size_t kDhcpHlenOffset = 2;
constexpr size_t kDhcpHopsOffset = 3;
constexpr size_t kDhcpXidOffset = 4;
constexpr size_t kDhcpSecsOffset = 8;
constexpr size_t kDhcpSecsSize = 2;
constexpr size_t kDhcpFlagsOffset = 10;
constexpr size_t kDhcpCiaddrOffset = 12;
constexpr size_t kDhcpYiaddrOffset = 16;
constexpr size_t kDhcpSiaddrOffset = 20;
constexpr size_t kDhcpGiaddrOffset = 24;
constexpr size_t kDhcpChaddrOffset = 28;
constexpr size_t kDhcpChaddrSize = 16;
constexpr size_t kDhcpSnameOffset = 44;
constexpr size_t kDhcpSnameSize = 64;
constexpr size_t kDhcpFileOffset = 108;
constexpr size_t kDhcpFileSize = 128;
constexpr size_t kDhcpCookieOffset = 236;
constexpr size_t kDhcpCookieSize = 4;
constexpr size_t kDhcpOptionsOffset = 240;
static_assert(kDhcpChaddrOffset + kDhcpChaddrSize == kDhcpSnameOffset, "sname follows chaddr");
static_assert(kDhcpSnameOffset + kDhcpSnameSize == kDhcpFileOffset, "file follows sname");
static_assert(kDhcpFileOffset + kDhcpFileSize == kDhcpCookieOffset, "the cookie follows file");
static_assert(kDhcpCookieOffset + kDhcpCookieSize == kDhcpOptionsOffset, "options follow the cookie");

// The first option must be the message type, and it is taken to be exactly its three bytes.
constexpr size_t kDhcpTypeTagOffset = 240;
constexpr size_t kDhcpTypeLengthOffset = 241;
constexpr size_t kDhcpTypeValueOffset = 242;
constexpr size_t kDhcpFirstSearchedOption = 243;
static_assert(kDhcpTypeTagOffset == kDhcpOptionsOffset, "the type opens the options");

// Replies shorter than the BOOTP minimum are padded with zeros to it.
constexpr size_t kDhcpMinimumReplySize = 300;
// Tag and length byte in front of every option value.
constexpr size_t kDhcpOptionHeaderSize = 2;

constexpr uint8_t kDhcpMagicCookie[kDhcpCookieSize] = {99, 130, 83, 99};
constexpr uint8_t kBootReply = 2;

constexpr uint16_t kDhcpServerPort = 67;
// Replies always go to the client port.
constexpr uint16_t kDhcpClientPort = 68;
constexpr uint32_t kDhcpBroadcastAddress = 0xFFFFFFFFu;

// Message types (value of option 53).
constexpr uint8_t DHCPDISCOVER = 1;
constexpr uint8_t DHCPOFFER = 2;
constexpr uint8_t DHCPREQUEST = 3;
constexpr uint8_t DHCPDECLINE = 4;
constexpr uint8_t DHCPACK = 5;
constexpr uint8_t DHCPNAK = 6;
constexpr uint8_t DHCPRELEASE = 7;
constexpr uint8_t DHCPINFORM = 8;

// Option codes the server reads or writes (RFC 2132).
constexpr uint8_t DHO_PAD = 0;
constexpr uint8_t DHO_SUBNET_MASK = 1;
constexpr uint8_t DHO_ROUTERS = 3;
constexpr uint8_t DHO_NAME_SERVERS = 5;
constexpr uint8_t DHO_DOMAIN_NAME_SERVERS = 6;
constexpr uint8_t DHO_HOST_NAME = 12;
constexpr uint8_t DHO_DOMAIN_NAME = 15;
constexpr uint8_t DHO_VENDOR_ENCAPSULATED_OPTIONS = 43;
constexpr uint8_t DHO_DHCP_REQUESTED_ADDRESS = 50;
constexpr uint8_t DHO_DHCP_LEASE_TIME = 51;
constexpr uint8_t DHO_DHCP_MESSAGE_TYPE = 53;
constexpr uint8_t DHO_DHCP_SERVER_IDENTIFIER = 54;
constexpr uint8_t DHO_DHCP_PARAMETER_REQUEST_LIST = 55;
constexpr uint8_t DHO_DHCP_RENEWAL_TIME = 58;
constexpr uint8_t DHO_DHCP_CLIENT_IDENTIFIER = 61;
constexpr uint8_t DHO_END = 255;

// Value lengths of the options the server writes.
constexpr uint8_t kDhcpAddressOptionLength = 4;
constexpr uint8_t kDhcpTimeOptionLength = 4;
constexpr uint8_t kDhcpMessageTypeLength = 1;
// At most this many DNS servers go into option 6.
constexpr size_t kDhcpMaxDnsServers = 5;
// Option 15 carries the six letters and a NUL byte.
constexpr char kDhcpDomainName[] = "Ombrix";
constexpr uint8_t kDhcpDomainNameLength = sizeof(kDhcpDomainName);
static_assert(kDhcpDomainNameLength == 7, "the domain name option is 7 bytes, NUL included");

// The renewal time is the lease less this margin; a lease no longer than it gets half its length instead.
constexpr uint32_t kDhcpRenewalMargin = 300;

// A lease of this length never runs out.
constexpr uint32_t kDhcpInfiniteLease = 0xFFFFFFFFu;
// Reservation result when the pool has nothing left.
constexpr uint32_t kDhcpNoAddress = 0xFFFFFFFFu;

// Octet `index` (0 = first) of an address as held.
inline unsigned DhcpAddressOctet(uint32_t address, int index)
{
    return (address >> (8 * index)) & 0xFFu;
}

// The address of host number `host` in `network` (whose fourth octet is ignored).
inline uint32_t DhcpHostAddress(uint32_t network, uint32_t host)
{
    return (network & 0x00FFFFFFu) | (host & 0xFFu) << 24;
}

// One step of the option walk that the search, the dump and the parameter list share: from `*position`,
// the option there is a tag and a length byte followed by its value. PAD and END are options like any
// other. Returns false at the held length, and at an option whose length byte or value would run past it
// (such an option and all behind it are not followed). On true, `*tag`, `*length` and `*value` (offset of
// the value) describe the option and `*position` moves behind it.
inline bool DhcpNextOption(size_t heldLength, size_t* position, uint8_t* tag, uint8_t* length, size_t* value,
                           const uint8_t* message)
{
    const size_t at = *position;
    if (at >= heldLength || at + kDhcpOptionHeaderSize > heldLength) {
        return false;
    }
    const uint8_t len = message[at + 1];
    if (at + kDhcpOptionHeaderSize + len > heldLength) {
        return false;
    }
    *tag = message[at];
    *length = len;
    *value = at + kDhcpOptionHeaderSize;
    *position = at + kDhcpOptionHeaderSize + len;
    return true;
}
