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
    memset(m_bytes, 0, sizeof m_bytes);
    m_bytes[kLoadOpOffset] = kBootRequest;
    m_bytes[kLoadHtypeOffset] = kHardwareEthernet;
    m_bytes[kLoadHlenOffset] = kEthernetAddressSize;
    m_bytes[kLoadHopsOffset] = 0;
    StoreBe32(m_bytes + kLoadXidOffset, xid);
    StoreBe16(m_bytes + kLoadSecsOffset, 0);
    StoreBe16(m_bytes + kLoadFlagsOffset, flags);
    StoreBe32(m_bytes + kLoadCiaddrOffset, ciaddr);
    memcpy(m_bytes + kLoadChaddrOffset, mac, kEthernetAddressSize);
    memcpy(m_bytes + kLoadCookieOffset, kLoadMagicCookie, kLoadCookieSize);
    m_length = kLoadOptionsOffset;
    m_bytes[m_length++] = kOptMessageType;
    m_bytes[m_length++] = 1;
    m_bytes[m_length++] = type;
}

void CLoadMessage::AddAddress(uint8_t code, uint32_t address)
{
    m_bytes[m_length++] = code;
    m_bytes[m_length++] = kLoadAddressOptionSize;
    StoreBe32(m_bytes + m_length, address);
    m_length += kLoadAddressOptionSize;
}

void CLoadMessage::AddClientId(const uint8_t mac[kEthernetAddressSize])
{
    m_bytes[m_length++] = kOptClientId;
    m_bytes[m_length++] = kLoadClientIdSize;
    m_bytes[m_length++] = kHardwareEthernet;
    memcpy(m_bytes + m_length, mac, kEthernetAddressSize);
    m_length += kEthernetAddressSize;
}

void CLoadMessage::AddParameterList()
{
    m_bytes[m_length++] = kOptParameterList;
    m_bytes[m_length++] = sizeof kParameterList;
    memcpy(m_bytes + m_length, kParameterList, sizeof kParameterList);
    m_length += sizeof kParameterList;
}

void CLoadMessage::Finish()
{
    m_bytes[m_length++] = kOptEnd;
    if (m_length < kLoadMinimumMessageSize) {
        m_length = kLoadMinimumMessageSize;  // the buffer is already zero behind END
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

void CLoadMessage::Release(const uint8_t mac[kEthernetAddressSize], uint32_t xid, uint32_t leased,
                           uint32_t serverId)
{
    Header(mac, xid, 0, leased, kLoadRelease);
    AddClientId(mac);
    AddAddress(kOptServerId, serverId);
    Finish();
}
