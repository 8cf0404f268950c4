#include "CDHCPPacket.h"

#include <cstring>

#include "DhcpOptionNames.h"
#include "DhcpTraceDump.h"

namespace {

// The codes of a parameter request list are bytes; one flag per possible code.
constexpr size_t kCodeCount = 256;

}  // namespace

CDHCPPacket::CDHCPPacket(const DhcpServerContext& server, const uint8_t* bytes, size_t length)
    : server_(server), receivedLength_(length)
{
    length_ = length < kDhcpMessageBufferSize ? length : kDhcpMessageBufferSize;
    if (length_ > 0) {
        std::memcpy(request_, bytes, length_);
    }
    std::memcpy(reply_, request_, kDhcpMessageBufferSize);
}

CDHCPPacket::CDHCPPacket(const DhcpServerContext& server) : server_(server) {}

uint8_t CDHCPPacket::CheckRequest()
{
    const CDhcpTrace& trace = server_.trace;
    // The dump shows the message as the server reads it: with its type option in front.
    const bool typeInFront = MoveTypeToFront(request_, length_);
    trace.Format("=========== Received Packet Length: %d", static_cast<int>(receivedLength_));
    TraceDhcpMessage(trace, request_, length_);

    if (std::memcmp(request_ + kDhcpCookieOffset, kDhcpMagicCookie, kDhcpCookieSize) != 0) {
        trace.Line("Invalid magic cookie");
        return 0;
    }
    if (!typeInFront) {
        return 0;
    }
    LocateOptions();
    const uint8_t type = MessageType();
    switch (type) {
    case DHCPDISCOVER:
    case DHCPREQUEST:
    case DHCPDECLINE:
    case DHCPRELEASE:
    case DHCPINFORM:
        return type;
    default:
        trace.Format("UNKNOWN DHCP MESSAGE TYPE!!! - %d", type);
        return 0;
    }
}

size_t CDHCPPacket::FindTypeOption(const uint8_t* message, size_t length)
{
    if (length >= kDhcpTypeValueOffset + 1 && message[kDhcpTypeTagOffset] == DHO_DHCP_MESSAGE_TYPE)
        return kDhcpTypeTagOffset;
    size_t at = kDhcpOptionsOffset;
    while (at < length && message[at] != DHO_END) {
        if (message[at] == DHO_PAD) {
            ++at;
            continue;
        }
        if (at + kDhcpOptionHeaderSize > length)
            return 0;
        const size_t next = at + kDhcpOptionHeaderSize + message[at + 1];
        if (next > length)
            return 0;
        if (message[at] == DHO_DHCP_MESSAGE_TYPE && message[at + 1] == 1)
            return at;
        at = next;
    }
    return 0;
}

bool CDHCPPacket::MoveTypeToFront(uint8_t* message, size_t length)
{
    constexpr size_t kTypeOptionSize = kDhcpOptionHeaderSize + 1;
    const size_t at = FindTypeOption(message, length);
    if (at == 0)
        return false;
    if (at != kDhcpTypeTagOffset) {
        uint8_t type[kTypeOptionSize];
        std::memcpy(type, message + at, kTypeOptionSize);
        std::memmove(message + kDhcpOptionsOffset + kTypeOptionSize, message + kDhcpOptionsOffset,
                     at - kDhcpOptionsOffset);
        std::memcpy(message + kDhcpOptionsOffset, type, kTypeOptionSize);
    }
    return true;
}

uint8_t CDHCPPacket::FindMessageType(const uint8_t* message, size_t length)
{
    const size_t at = FindTypeOption(message, length);
    return at == 0 ? 0 : message[at + kDhcpOptionHeaderSize];
}

void CDHCPPacket::LocateOptions()
{
    hardware_.chType = request_[kDhcpHtypeOffset];
    hardware_.chLen = request_[kDhcpHlenOffset];
    std::memcpy(hardware_.bytes, request_ + kDhcpChaddrOffset, kDhcpChaddrSize);
    pHostNameOpt = FindOption(DHO_HOST_NAME);
    pRequestAddrOpt = FindOption(DHO_DHCP_REQUESTED_ADDRESS);
    pServerIdOpt = FindOption(DHO_DHCP_SERVER_IDENTIFIER);
    pParamListOpt = FindOption(DHO_DHCP_PARAMETER_REQUEST_LIST);
    pClientIdOpt = FindOption(DHO_DHCP_CLIENT_IDENTIFIER);
}

const uint8_t* CDHCPPacket::FindOption(uint8_t code) const
{
    size_t position = kDhcpFirstSearchedOption;
    size_t at = position;
    uint8_t tag = 0;
    uint8_t length = 0;
    size_t value = 0;
    while (DhcpNextOption(length_, &position, &tag, &length, &value, request_)) {
        if (tag == code) {
            return request_ + at;
        }
        at = position;
    }
    return nullptr;
}

DhcpClientKey CDHCPPacket::ClientKey() const
{
    DhcpClientKey key;
    key.clientId = ClientIdentifier(&key.clientIdLength);
    key.hardware = hardware_;
    return key;
}

uint32_t CDHCPPacket::OptionAddress(const uint8_t* option) const
{
    if (option == nullptr) {
        return 0;
    }
    uint8_t word[kDhcpAddressOptionLength] = {};
    const uint8_t length = option[1];
    for (size_t i = 0; i < sizeof(word) && i < length; ++i) {
        word[i] = option[kDhcpOptionHeaderSize + i];
    }
    return LoadLe32(word);
}

uint32_t CDHCPPacket::RequestedAddress() const
{
    return OptionAddress(pRequestAddrOpt);
}

uint32_t CDHCPPacket::ServerIdentifier() const
{
    return OptionAddress(pServerIdOpt);
}

const uint8_t* CDHCPPacket::HostName(uint8_t* length) const
{
    *length = pHostNameOpt != nullptr ? pHostNameOpt[1] : 0;
    return pHostNameOpt != nullptr ? pHostNameOpt + kDhcpOptionHeaderSize : nullptr;
}

const uint8_t* CDHCPPacket::ClientIdentifier(uint8_t* length) const
{
    *length = pClientIdOpt != nullptr ? pClientIdOpt[1] : 0;
    return pClientIdOpt != nullptr ? pClientIdOpt + kDhcpOptionHeaderSize : nullptr;
}

namespace {

// Trace lines that open a reply's dump: the ACK, OFFER and expiry NAK use one, INFORM and NAK the other.
constexpr char kSendingBanner[] = "=========== Sending Packet";
constexpr char kSendingBannerShort[] = "========== Sending Packet";

}  // namespace

DhcpBuiltReply CDHCPPacket::BuildReply(const DhcpReplyPlan& plan)
{
    DhcpBuiltReply built;
    switch (plan.kind) {
    case DhcpReplyKind::Offer:
    case DhcpReplyKind::Ack: {
        BuildOfferOrAck(plan.kind == DhcpReplyKind::Offer ? DHCPOFFER : DHCPACK, plan.yiaddr);
        DhcpParameterWalk walk;
        built.wroteRouter = AddRequestedParameters(&walk) != 0;
        if (!walk.listedServerId) {
            AddServerIdentifier();
        }
        if (!walk.listedLeaseTime) {
            AddLeaseTime();
        }
        built.destination = OfferDestination();
        built.banner = kSendingBanner;
        break;
    }
    case DhcpReplyKind::InformAck:
        BuildInformAck();
        built.wroteRouter = AddRequestedParameters(nullptr) != 0;
        built.destination = kDhcpBroadcastAddress;
        built.banner = kSendingBannerShort;
        break;
    case DhcpReplyKind::Nak:
        BuildNak();
        AddServerIdentifier();
        built.destination = kDhcpBroadcastAddress;
        built.banner = kSendingBannerShort;
        break;
    case DhcpReplyKind::ExpiryNak:
        BuildExpiryNak(plan.hardware);
        AddServerIdentifier();
        built.destination = kDhcpBroadcastAddress;
        built.banner = kSendingBanner;
        break;
    }
    Finish();
    return built;
}

uint32_t CDHCPPacket::OfferDestination() const
{
    const uint32_t ciaddr = Ciaddr();
    const uint32_t mask = server_.settings.subNetMask;
    const bool onLan = (ciaddr & mask) == (server_.settings.serverAddress & mask) && ciaddr != kDhcpBroadcastAddress;
    if (ciaddr != 0 && Giaddr() == 0 && onLan) {
        return ciaddr;
    }
    return kDhcpBroadcastAddress;
}

void CDHCPPacket::StartReplyHeader(uint8_t type)
{
    reply_[kDhcpOpOffset] = kBootReply;
    reply_[kDhcpHopsOffset] = 0;
    std::memset(reply_ + kDhcpSecsOffset, 0, kDhcpSecsSize);
    std::memset(reply_ + kDhcpFileOffset, 0, kDhcpFileSize);
    reply_[kDhcpTypeTagOffset] = DHO_DHCP_MESSAGE_TYPE;
    reply_[kDhcpTypeLengthOffset] = kDhcpMessageTypeLength;
    reply_[kDhcpTypeValueOffset] = type;
    writePos_ = kDhcpFirstSearchedOption;
    replyLength_ = 0;
}

void CDHCPPacket::WriteComputerName()
{
    // Written over the start of the field, terminator included; the name is cut to leave room for it.
    const std::string& name = server_.computerName;
    const size_t length = name.size() < kDhcpSnameSize - 1 ? name.size() : kDhcpSnameSize - 1;
    std::memcpy(reply_ + kDhcpSnameOffset, name.data(), length);
    reply_[kDhcpSnameOffset + length] = 0;
}

void CDHCPPacket::BuildOfferOrAck(uint8_t type, uint32_t yiaddr)
{
    StartReplyHeader(type);
    StoreLe32(reply_ + kDhcpYiaddrOffset, yiaddr);
    StoreLe32(reply_ + kDhcpSiaddrOffset, server_.settings.serverAddress);
    WriteComputerName();
}

void CDHCPPacket::BuildInformAck()
{
    StartReplyHeader(DHCPACK);
    StoreLe32(reply_ + kDhcpSiaddrOffset, server_.settings.serverAddress);
    WriteComputerName();
}

void CDHCPPacket::BuildNak()
{
    StartReplyHeader(DHCPNAK);
    StoreLe32(reply_ + kDhcpCiaddrOffset, 0);
    StoreLe32(reply_ + kDhcpYiaddrOffset, 0);
    StoreLe32(reply_ + kDhcpSiaddrOffset, 0);
    std::memset(reply_ + kDhcpSnameOffset, 0, kDhcpSnameSize);
}

void CDHCPPacket::BuildExpiryNak(const DhcpHardwareAddress& hardware)
{
    std::memset(reply_, 0, sizeof(reply_));
    reply_[kDhcpHtypeOffset] = hardware.chType;
    reply_[kDhcpHlenOffset] = hardware.chLen;
    std::memcpy(reply_ + kDhcpChaddrOffset, hardware.bytes, kDhcpChaddrSize);
    std::memcpy(reply_ + kDhcpCookieOffset, kDhcpMagicCookie, kDhcpCookieSize);
    StartReplyHeader(DHCPNAK);
}

bool CDHCPPacket::PutOption(uint8_t tag, uint8_t length, const uint8_t* value)
{
    // One byte stays free for END.
    if (writePos_ + kDhcpOptionHeaderSize + length + 1 > kDhcpMessageBufferSize) {
        return false;
    }
    reply_[writePos_] = tag;
    reply_[writePos_ + 1] = length;
    std::memcpy(reply_ + writePos_ + kDhcpOptionHeaderSize, value, length);
    writePos_ += kDhcpOptionHeaderSize + length;
    return true;
}

void CDHCPPacket::AddSubnetMask()
{
    uint8_t value[kDhcpAddressOptionLength];
    StoreLe32(value, server_.settings.subNetMask);
    PutOption(DHO_SUBNET_MASK, sizeof(value), value);
}

void CDHCPPacket::AddRouters()
{
    uint8_t value[kDhcpAddressOptionLength];
    StoreLe32(value, server_.settings.serverAddress);
    PutOption(DHO_ROUTERS, sizeof(value), value);
}

void CDHCPPacket::AddDnsServers()
{
    const DhcpSettings& s = server_.settings;
    uint8_t value[kDhcpAddressOptionLength * kDhcpMaxDnsServers];
    size_t count = s.numDomainNameServers < kDhcpMaxDnsServers ? s.numDomainNameServers : kDhcpMaxDnsServers;
    if (count == 0) {
        StoreLe32(value, s.serverAddress);
        count = 1;
    } else {
        for (size_t i = 0; i < count; ++i) {
            StoreLe32(value + i * kDhcpAddressOptionLength, s.domainNameServers[i]);
        }
    }
    PutOption(DHO_DOMAIN_NAME_SERVERS, static_cast<uint8_t>(count * kDhcpAddressOptionLength), value);
}

void CDHCPPacket::AddDomainName()
{
    PutOption(DHO_DOMAIN_NAME, kDhcpDomainNameLength, reinterpret_cast<const uint8_t*>(kDhcpDomainName));
}

void CDHCPPacket::AddLeaseTime()
{
    const uint32_t lease = server_.settings.leaseAddrTimeout;
    const uint32_t renewal = lease > kDhcpRenewalMargin ? lease - kDhcpRenewalMargin : lease / 2;
    uint8_t value[kDhcpTimeOptionLength];
    StoreBe32(value, lease);
    // 58 only goes in right behind its 51.
    if (writePos_ + 2 * (kDhcpOptionHeaderSize + kDhcpTimeOptionLength) + 1 > kDhcpMessageBufferSize) {
        return;
    }
    PutOption(DHO_DHCP_LEASE_TIME, sizeof(value), value);
    StoreBe32(value, renewal);
    PutOption(DHO_DHCP_RENEWAL_TIME, sizeof(value), value);
}

void CDHCPPacket::AddServerIdentifier()
{
    uint8_t value[kDhcpAddressOptionLength];
    StoreLe32(value, server_.settings.serverAddress);
    PutOption(DHO_DHCP_SERVER_IDENTIFIER, sizeof(value), value);
}

int CDHCPPacket::AddRequestedParameters(DhcpParameterWalk* walk)
{
    DhcpParameterWalk local;
    if (walk == nullptr) {
        walk = &local;
    }
    *walk = DhcpParameterWalk();
    if (pParamListOpt == nullptr) {
        return 0;
    }
    const CDhcpTrace& trace = server_.trace;
    // The list's length and its codes are signed bytes: a length of 128 or more walks nothing, a code of
    // 128 or more is unknown (and traced as the negative number it reads as).
    const int count = static_cast<int8_t>(pParamListOpt[1]);
    const uint8_t* codes = pParamListOpt + kDhcpOptionHeaderSize;
    bool handled[kCodeCount] = {};
    for (int i = 0; i < count; ++i) {
        const int code = static_cast<int8_t>(codes[i]);
        if (handled[codes[i]]) {
            continue;
        }
        handled[codes[i]] = true;
        switch (code) {
        case DHO_SUBNET_MASK:
            AddSubnetMask();
            break;
        case DHO_ROUTERS:
            AddRouters();
            walk->wroteRouter = true;
            break;
        case DHO_DOMAIN_NAME_SERVERS:
            AddDnsServers();
            break;
        case DHO_DOMAIN_NAME:
            AddDomainName();
            break;
        case DHO_DHCP_SERVER_IDENTIFIER:
            AddServerIdentifier();
            walk->listedServerId = true;
            break;
        case DHO_DHCP_LEASE_TIME:
            AddLeaseTime();
            walk->listedLeaseTime = true;
            break;
        default: {
            const char* name = code >= 0 ? DhcpNotImplementedOptionName(static_cast<uint8_t>(code)) : nullptr;
            if (name != nullptr) {
                trace.Format("%s requested. Not implemented.", name);
            } else {
                trace.Format("UNKNOWN parameter requested - %x", static_cast<unsigned>(code));
            }
            break;
        }
        }
    }
    if (!walk->wroteRouter) {
        trace.Line("DHO_ROUTERS Added to packet");
        AddRouters();
        walk->wroteRouter = true;
    }
    return 1;
}

size_t CDHCPPacket::Finish()
{
    reply_[writePos_] = DHO_END;
    size_t length = writePos_ + 1;
    if (length < kDhcpMinimumReplySize) {
        std::memset(reply_ + length, 0, kDhcpMinimumReplySize - length);
        length = kDhcpMinimumReplySize;
    }
    replyLength_ = length;
    return length;
}
