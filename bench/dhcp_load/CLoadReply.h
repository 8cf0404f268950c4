#pragma once
// CLoadReply: a server's answer (OFFER, ACK, NAK) as the load generator reads it. Whatever arrives on port
// 68 is taken apart here, so every read stays inside the received length: a datagram that is no reply, or
// whose options run past its end, is refused with the reason instead of being half used.
#include <cstddef>
#include <cstdint>

#include "DhcpLoadWire.h"

enum class LoadReplyStatus {
    Ok,
    TooShort,  // shorter than the fixed header, the cookie and a message type
    NotReply,  // op is not BOOTREPLY
    BadCookie,
    NoMessageType,  // no option 53 of length 1 before END
    BadOption,      // an option's length runs past the datagram
};

/// Name of a status, for the generator's figures ("ok", "too_short", ...).
const char* LoadReplyStatusName(LoadReplyStatus status);

class CLoadReply {
public:
    /// Reads `length` bytes of a datagram. Fields are valid only when the result is Ok; options that are
    /// absent leave their `has` flag false. Option overload (52) is not followed: the answers a generator
    /// needs are never put into sname or file.
    LoadReplyStatus Parse(const uint8_t* bytes, size_t length);

    uint8_t type = 0;
    uint32_t xid = 0;
    uint16_t flags = 0;
    uint32_t ciaddr = 0;
    uint32_t yiaddr = 0;
    uint32_t siaddr = 0;
    uint8_t htype = 0;
    uint8_t hlen = 0;
    uint8_t chaddr[kLoadChaddrSize] = {};

    bool hasServerId = false;
    uint32_t serverId = 0;
    bool hasLeaseTime = false;
    uint32_t leaseTime = 0;
    bool hasRenewalTime = false;
    uint32_t renewalTime = 0;
    bool hasSubnetMask = false;
    uint32_t subnetMask = 0;
    bool hasRouter = false;
    uint32_t router = 0;  // the first of the list
    bool hasDnsServer = false;
    uint32_t dnsServer = 0;  // the first of the list

    /// True when chaddr holds the Ethernet address `mac` (htype 1, hlen 6).
    bool IsFor(const uint8_t mac[kEthernetAddressSize]) const;

private:
    void Reset();
    void TakeOption(uint8_t code, const uint8_t* value, uint8_t length);
};
