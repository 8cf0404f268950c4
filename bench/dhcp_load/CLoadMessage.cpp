#include "CLoadMessage.h"

#include <cstring>

namespace {

// What the simulated clients ask for: the settings a client needs to use the network, nothing that makes
// a server do work a real client would not ask of it.
constexpr uint8_t kParameterList[] = {kOptSubnetMask, kOptRouter, kOptDnsServer, kOptDomainName, kOptLeaseTime};

}  // namespace

void CLoadMessage::Header(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint16_t flags, uint32_t ciaddr,
                          uint8_t type)
{
    memset(bytes_, 0, sizeof bytes_);
    bytes_[kLoadOpOffset] = kBootRequest;
    bytes_[kLoadHtypeOffset] = kHardwareEthernet;
    bytes_[kLoadHlenOffset] = kEthernetAddressSize;
    bytes_[kLoadHopsOffset] = 0;
    StoreBe32(bytes_ + kLoadXidOffset, xid);
    StoreBe16(bytes_ + kLoadSecsOffset, 0);
    StoreBe16(bytes_ + kLoadFlagsOffset, flags);
    StoreBe32(bytes_ + kLoadCiaddrOffset, ciaddr);
    memcpy(bytes_ + kLoadChaddrOffset, mac, kEthernetAddressSize);
    memcpy(bytes_ + kLoadCookieOffset, kLoadMagicCookie, kLoadCookieSize);
    length_ = kLoadOptionsOffset;
    bytes_[length_++] = kOptMessageType;
    bytes_[length_++] = 1;
    bytes_[length_++] = type;
}

void CLoadMessage::AddAddress(uint8_t code, uint32_t address)
{
    bytes_[length_++] = code;
    bytes_[length_++] = kLoadAddressOptionSize;
    StoreBe32(bytes_ + length_, address);
    length_ += kLoadAddressOptionSize;
}

void CLoadMessage::AddClientId(const uint8_t mac[kEthernetAddressSize])
{
    bytes_[length_++] = kOptClientId;
    bytes_[length_++] = kLoadClientIdSize;
    bytes_[length_++] = kHardwareEthernet;
    memcpy(bytes_ + length_, mac, kEthernetAddressSize);
    length_ += kEthernetAddressSize;
}

void CLoadMessage::AddParameterList()
{
    bytes_[length_++] = kOptParameterList;
    bytes_[length_++] = sizeof kParameterList;
    memcpy(bytes_ + length_, kParameterList, sizeof kParameterList);
    length_ += sizeof kParameterList;
}

void CLoadMessage::Finish()
{
    bytes_[length_++] = kOptEnd;
    if (length_ < kLoadMinimumMessageSize) {
        length_ = kLoadMinimumMessageSize;  // the buffer is already zero behind END
    }
}

void CLoadMessage::Discover(const uint8_t mac[kEthernetAddressSize], uint32_t xid)
{
    Header(mac, xid, kLoadBroadcastFlag, 0, kLoadDiscover);
    AddClientId(mac);
    AddParameterList();
    Finish();
}

void CLoadMessage::Select(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint32_t offered, uint32_t serverId)
{
    Header(mac, xid, kLoadBroadcastFlag, 0, kLoadRequest);
    AddClientId(mac);
    AddAddress(kOptRequestedAddress, offered);
    AddAddress(kOptServerId, serverId);
    AddParameterList();
    Finish();
}

void CLoadMessage::Renew(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint32_t leased)
{
    Header(mac, xid, 0, leased, kLoadRequest);
    AddClientId(mac);
    AddParameterList();
    Finish();
}

void CLoadMessage::Release(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint32_t leased, uint32_t serverId)
{
    Header(mac, xid, 0, leased, kLoadRelease);
    AddClientId(mac);
    AddAddress(kOptServerId, serverId);
    Finish();
}
