#pragma once
// DhcpIdentity: how a client is told apart: its identifier (option 61), its host name (option 12) and its
// hardware address, and the rules that match a message or an offer to a stored entry.
#include <cstddef>
#include <cstdint>

#include "DhcpWire.h"

// An option value is at most this long.
constexpr size_t kDhcpMaxOptionValue = 255;
// The access provider and the console see the first six bytes of the hardware address.
constexpr int kDhcpProviderHardwareLength = 6;

/// A length byte and up to 255 bytes (`idId`, `idHostname`).
struct DhcpId {
    uint8_t chLen = 0;
    uint8_t bytes[kDhcpMaxOptionValue] = {};

    void Assign(const uint8_t* value, size_t length);
    bool Equals(const DhcpId& other) const;
};

/// htype, hlen and chaddr of a client's messages (`hdwrAddr`). `chLen` is kept as the client sent it, which
/// may be more than the 16 address bytes; comparisons look at no more than those 16.
struct DhcpHardwareAddress {
    uint8_t chType = 0;
    uint8_t chLen = 0;
    uint8_t bytes[kDhcpChaddrSize] = {};

    /// Same type, same length and the same first `chLen` bytes (at most 16). An empty address (length 0)
    /// equals nothing, not even another empty one: it tells no two computers apart.
    bool Equals(const DhcpHardwareAddress& other) const;
};

/// The identifier of the entry that parks a declined address: two bytes, only the first of them set, with
/// no host name and an empty hardware address.
constexpr uint8_t kDhcpDeclinePlaceholderId[] = {1, 0};

/// Who sent a message: its client identifier option when it has one, and its hardware address.
struct DhcpClientKey {
    const uint8_t* clientId = nullptr;  ///< value of option 61, or null
    uint8_t clientIdLength = 0;
    DhcpHardwareAddress hardware;

    /// An identifier option that holds nothing identifies nobody: such a client counts as having none.
    bool HasClientId() const { return clientId != nullptr && clientIdLength > 0; }
};

/// True for the entry (or offer) that parks a declined address. It stands for no computer: no message finds
/// it, and only another declined address is recorded into it.
bool DhcpIsDeclinePlaceholder(const DhcpId& idId, const DhcpHardwareAddress& hdwrAddr);

/// Finding an entry for a message: an entry matches when its identifier has the option's length and
/// bytes, or else when its hardware address equals the message's. A message without an identifier is
/// matched by its hardware address alone (without that, such a client would never get an address). The
/// DECLINE placeholder matches no message.
bool DhcpEntryMatchesKey(const DhcpId& idId, const DhcpHardwareAddress& hdwrAddr, const DhcpClientKey& key);

/// Recording a lease: when the stored identifier and the offer's have the same length they decide;
/// when their lengths differ the hardware addresses do. An offer without an identifier is matched by its
/// hardware address, so clients without option 61 do not all collapse into the first such entry. A
/// placeholder offer matches only the placeholder entry, and the placeholder entry only a placeholder offer.
bool DhcpEntryMatchesOffer(const DhcpId& entryId, const DhcpHardwareAddress& entryHardware, const DhcpId& offerId,
                           const DhcpHardwareAddress& offerHardware);
