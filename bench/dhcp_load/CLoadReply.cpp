#include "CLoadReply.h"

#include <cstring>

const char* LoadReplyStatusName(LoadReplyStatus status)
{
    switch (status) {
    case LoadReplyStatus::Ok:
        return "ok";
    case LoadReplyStatus::TooShort:
        return "too_short";
    case LoadReplyStatus::NotReply:
        return "not_reply";
    case LoadReplyStatus::BadCookie:
        return "bad_cookie";
    case LoadReplyStatus::NoMessageType:
        return "no_message_type";
    case LoadReplyStatus::BadOption:
        return "bad_option";
    }
    return "unknown";
}

void CLoadReply::Reset()
{
    *this = CLoadReply();
}

void CLoadReply::TakeOption(uint8_t code, const uint8_t* value, uint8_t length)
{
    // The first occurrence of an option counts; a value of the wrong size is ignored like an absent one.
    switch (code) {
    case kOptMessageType:
        if (length == 1 && type == 0) {
            type = value[0];
        }
        break;
    case kOptServerId:
        if (length == kLoadAddressOptionSize && !hasServerId) {
            hasServerId = true;
            serverId = LoadBe32(value);
        }
        break;
    case kOptLeaseTime:
        if (length == kLoadTimeOptionSize && !hasLeaseTime) {
            hasLeaseTime = true;
            leaseTime = LoadBe32(value);
        }
        break;
    case kOptRenewalTime:
        if (length == kLoadTimeOptionSize && !hasRenewalTime) {
            hasRenewalTime = true;
            renewalTime = LoadBe32(value);
        }
        break;
    case kOptSubnetMask:
        if (length == kLoadAddressOptionSize && !hasSubnetMask) {
            hasSubnetMask = true;
            subnetMask = LoadBe32(value);
        }
        break;
    case kOptRouter:
        if (length >= kLoadAddressOptionSize && length % kLoadAddressOptionSize == 0 && !hasRouter) {
            hasRouter = true;
            router = LoadBe32(value);
        }
        break;
    case kOptDnsServer:
        if (length >= kLoadAddressOptionSize && length % kLoadAddressOptionSize == 0 && !hasDnsServer) {
            hasDnsServer = true;
            dnsServer = LoadBe32(value);
        }
        break;
    default:
        break;
    }
}

LoadReplyStatus CLoadReply::Parse(const uint8_t* bytes, size_t length)
{
    Reset();
    // The message type is the least a reply can carry behind the cookie: three bytes.
    if (length < kLoadOptionsOffset + kLoadOptionHeaderSize + 1) {
        return LoadReplyStatus::TooShort;
    }
    if (bytes[kLoadOpOffset] != kBootReply) {
        return LoadReplyStatus::NotReply;
    }
    if (memcmp(bytes + kLoadCookieOffset, kLoadMagicCookie, kLoadCookieSize) != 0) {
        return LoadReplyStatus::BadCookie;
    }
    htype = bytes[kLoadHtypeOffset];
    hlen = bytes[kLoadHlenOffset];
    xid = LoadBe32(bytes + kLoadXidOffset);
    flags = LoadBe16(bytes + kLoadFlagsOffset);
    ciaddr = LoadBe32(bytes + kLoadCiaddrOffset);
    yiaddr = LoadBe32(bytes + kLoadYiaddrOffset);
    siaddr = LoadBe32(bytes + kLoadSiaddrOffset);
    memcpy(chaddr, bytes + kLoadChaddrOffset, kLoadChaddrSize);

    size_t at = kLoadOptionsOffset;
    while (at < length) {
        const uint8_t code = bytes[at];
        if (code == kOptEnd) {
            break;
        }
        if (code == kOptPad) {
            ++at;
            continue;
        }
        if (at + kLoadOptionHeaderSize > length) {
            return LoadReplyStatus::BadOption;
        }
        const uint8_t optionLength = bytes[at + 1];
        const size_t value = at + kLoadOptionHeaderSize;
        if (value + optionLength > length) {
            return LoadReplyStatus::BadOption;
        }
        TakeOption(code, bytes + value, optionLength);
        at = value + optionLength;
    }
    if (type == 0) {
        return LoadReplyStatus::NoMessageType;
    }
    return LoadReplyStatus::Ok;
}

bool CLoadReply::IsFor(const uint8_t mac[kEthernetAddressSize]) const
{
    return htype == kHardwareEthernet && hlen == kEthernetAddressSize && memcmp(chaddr, mac, kEthernetAddressSize) == 0;
}
