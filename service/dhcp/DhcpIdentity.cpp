#include "DhcpIdentity.h"

#include <cstring>

void DhcpId::Assign(const uint8_t* value, size_t length)
{
    if (length > kDhcpMaxOptionValue) {
        length = kDhcpMaxOptionValue;
    }
    chLen = static_cast<uint8_t>(length);
    if (length > 0) {
        std::memcpy(bytes, value, length);
    }
}

bool DhcpId::Equals(const DhcpId& other) const
{
    return chLen == other.chLen && std::memcmp(bytes, other.bytes, chLen) == 0;
}

bool DhcpHardwareAddress::Equals(const DhcpHardwareAddress& other) const
{
    if (chLen == 0 || chType != other.chType || chLen != other.chLen) {
        return false;
    }
    const size_t compared = chLen < kDhcpChaddrSize ? chLen : kDhcpChaddrSize;
    return std::memcmp(bytes, other.bytes, compared) == 0;
}

bool DhcpIsDeclinePlaceholder(const DhcpId& idId, const DhcpHardwareAddress& hdwrAddr)
{
    return idId.chLen == sizeof(kDhcpDeclinePlaceholderId) &&
           std::memcmp(idId.bytes, kDhcpDeclinePlaceholderId, sizeof(kDhcpDeclinePlaceholderId)) == 0 &&
           hdwrAddr.chType == 0 && hdwrAddr.chLen == 0;
}

bool DhcpEntryMatchesKey(const DhcpId& idId, const DhcpHardwareAddress& hdwrAddr, const DhcpClientKey& key)
{
    if (DhcpIsDeclinePlaceholder(idId, hdwrAddr)) {
        return false;
    }
    if (key.HasClientId() && idId.chLen == key.clientIdLength &&
        std::memcmp(idId.bytes, key.clientId, key.clientIdLength) == 0) {
        return true;
    }
    return hdwrAddr.Equals(key.hardware);
}

bool DhcpEntryMatchesOffer(const DhcpId& entryId, const DhcpHardwareAddress& entryHardware, const DhcpId& offerId,
                           const DhcpHardwareAddress& offerHardware)
{
    const bool entryParks = DhcpIsDeclinePlaceholder(entryId, entryHardware);
    if (entryParks || DhcpIsDeclinePlaceholder(offerId, offerHardware)) {
        return entryParks && DhcpIsDeclinePlaceholder(offerId, offerHardware);
    }
    if (offerId.chLen != 0 && entryId.chLen == offerId.chLen) {
        return entryId.Equals(offerId);
    }
    return entryHardware.Equals(offerHardware);
}
