#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "LabText.h"
#include "LabUdp.h"

namespace lab {
namespace {

constexpr size_t kReceiveSize = 2048;
constexpr uint16_t kClientPort = 68;

// BOOTP header fields (RFC 951/2131), by byte offset.
constexpr size_t kOpOffset = 0;
constexpr size_t kHtypeOffset = 1;
constexpr size_t kHlenOffset = 2;
constexpr size_t kXidOffset = 4;
constexpr size_t kFlagsOffset = 10;
constexpr size_t kYiaddrOffset = 16;
constexpr size_t kSiaddrOffset = 20;
constexpr size_t kChaddrOffset = 28;
constexpr size_t kChaddrSize = 16;
constexpr size_t kCookieOffset = 236;
constexpr size_t kOptionsOffset = 240;
static_assert(kChaddrOffset + kChaddrSize + 64 + 128 == kCookieOffset,
              "sname and file lie between chaddr and the cookie");
static_assert(kCookieOffset + 4 == kOptionsOffset, "the options follow the magic cookie");

constexpr uint8_t kBootRequest = 1;
constexpr uint8_t kBootReply = 2;
constexpr uint8_t kCookie[4] = {99, 130, 83, 99};
constexpr uint8_t kOptionPad = 0;
constexpr uint8_t kOptionSubnetMask = 1;
constexpr uint8_t kOptionRouter = 3;
constexpr uint8_t kOptionDns = 6;
constexpr uint8_t kOptionLeaseTime = 51;
constexpr uint8_t kOptionMessageType = 53;
constexpr uint8_t kOptionServerId = 54;
constexpr uint8_t kOptionEnd = 255;
constexpr uint8_t kMessageDiscover = 1;
constexpr uint8_t kMessageOffer = 2;
// A short lease: nothing of the lab's plumbing check should stay leased.
constexpr uint32_t kProbeLeaseSeconds = 60;

const char* MessageTypeName(int type)
{
    static const char* const names[] = {"none", "DISCOVER", "OFFER",   "REQUEST", "DECLINE",
                                        "ACK",  "NAK",      "RELEASE", "INFORM"};
    return type >= 0 && type < static_cast<int>(sizeof names / sizeof names[0]) ? names[type] : "unknown";
}

int FindMessageType(const uint8_t* data, size_t length)
{
    size_t i = kOptionsOffset;
    while (i < length) {
        uint8_t code = data[i];
        if (code == kOptionEnd) {
            break;
        }
        if (code == kOptionPad) {
            ++i;
            continue;
        }
        if (i + 1 >= length || i + 2 + data[i + 1] > length) {
            break;
        }
        if (code == kOptionMessageType && data[i + 1] == 1) {
            return data[i + 2];
        }
        i += 2 + data[i + 1];
    }
    return 0;
}

bool IsBootRequest(const uint8_t* data, size_t length)
{
    return length >= kOptionsOffset && data[kOpOffset] == kBootRequest &&
           memcmp(data + kCookieOffset, kCookie, sizeof kCookie) == 0;
}

std::string Hardware(const uint8_t* data)
{
    std::string text;
    int length = data[kHlenOffset] <= kChaddrSize ? data[kHlenOffset] : kChaddrSize;
    for (int i = 0; i < length; ++i) {
        char part[4];
        snprintf(part, sizeof part, i ? ":%02x" : "%02x", data[kChaddrOffset + i]);
        text += part;
    }
    return text;
}

void PutAddressOption(std::vector<uint8_t>* out, uint8_t code, uint32_t address)
{
    out->push_back(code);
    out->push_back(4);
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&address);
    out->insert(out->end(), b, b + 4);
}

std::vector<uint8_t> OfferFor(const uint8_t* request, uint32_t server, uint32_t offered)
{
    std::vector<uint8_t> reply(kOptionsOffset, 0);
    reply[kOpOffset] = kBootReply;
    reply[kHtypeOffset] = request[kHtypeOffset];
    reply[kHlenOffset] = request[kHlenOffset];
    memcpy(&reply[kXidOffset], request + kXidOffset, 4);
    memcpy(&reply[kFlagsOffset], request + kFlagsOffset, 2);
    memcpy(&reply[kYiaddrOffset], &offered, 4);
    memcpy(&reply[kSiaddrOffset], &server, 4);
    memcpy(&reply[kChaddrOffset], request + kChaddrOffset, kChaddrSize);
    memcpy(&reply[kCookieOffset], kCookie, sizeof kCookie);
    reply.push_back(kOptionMessageType);
    reply.push_back(1);
    reply.push_back(kMessageOffer);
    PutAddressOption(&reply, kOptionServerId, server);
    PutAddressOption(&reply, kOptionSubnetMask, inet_addr("255.255.255.0"));
    PutAddressOption(&reply, kOptionRouter, server);
    PutAddressOption(&reply, kOptionDns, server);
    uint32_t lease = htonl(kProbeLeaseSeconds);
    PutAddressOption(&reply, kOptionLeaseTime, lease);
    reply.push_back(kOptionEnd);
    return reply;
}

void Answer(SOCKET s, const uint8_t* request, const UdpCheck& check)
{
    std::vector<uint8_t> offer = OfferFor(request, check.bindAddress, check.offerAddress);
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(kClientPort);
    to.sin_addr.s_addr = INADDR_BROADCAST;
    int sent = sendto(s, reinterpret_cast<const char*>(offer.data()), static_cast<int>(offer.size()), MSG_DONTROUTE,
                      reinterpret_cast<const sockaddr*>(&to), sizeof to);
    if (sent < 0) {
        Line("sent to=255.255.255.255:%u error=%d", kClientPort, WSAGetLastError());
    } else {
        Line("sent to=255.255.255.255:%u len=%d type=OFFER yiaddr=%s", kClientPort, sent,
             Dotted(check.offerAddress).c_str());
    }
}

}  // namespace

int RunUdpCheck(const UdpCheck& check)
{
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        Line("socket error=%d", WSAGetLastError());
        return 2;
    }
    BOOL on = TRUE;
    if (setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on) != 0) {
        Line("broadcast error=%d", WSAGetLastError());
        closesocket(s);
        return 2;
    }
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(check.port);
    local.sin_addr.s_addr = check.bindAddress;
    if (bind(s, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        Line("bind=%s:%u error=%d", Dotted(check.bindAddress).c_str(), check.port, WSAGetLastError());
        closesocket(s);
        return 2;
    }
    Line("bound=%s:%u", Dotted(check.bindAddress).c_str(), check.port);

    const DWORD deadline = GetTickCount() + static_cast<DWORD>(check.timeoutSeconds) * 1000;
    int received = 0;
    std::vector<uint8_t> buffer(kReceiveSize);
    while (received < check.count) {
        DWORD now = GetTickCount();
        if (static_cast<LONG>(deadline - now) <= 0) {
            break;
        }
        DWORD left = deadline - now;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait = {static_cast<long>(left / 1000), static_cast<long>((left % 1000) * 1000)};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
            continue;
        }
        sockaddr_in from = {};
        int fromLength = sizeof from;
        int n = recvfrom(s, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()), 0,
                         reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n <= 0) {
            Line("recv error=%d", WSAGetLastError());
            continue;
        }
        ++received;
        const size_t length = static_cast<size_t>(n);
        if (IsBootRequest(buffer.data(), length)) {
            uint32_t xid;
            memcpy(&xid, &buffer[kXidOffset], 4);
            int type = FindMessageType(buffer.data(), length);
            Line("recv from=%s:%u len=%d bootp=request xid=0x%08lx chaddr=%s type=%s",
                 Dotted(from.sin_addr.s_addr).c_str(), ntohs(from.sin_port), n, static_cast<unsigned long>(ntohl(xid)),
                 Hardware(buffer.data()).c_str(), MessageTypeName(type));
            // Only a DISCOVER gets an answer: the check is about the way there and back, not about leasing.
            if (check.reply && type == kMessageDiscover) {
                Answer(s, buffer.data(), check);
            }
        } else {
            Line("recv from=%s:%u len=%d", Dotted(from.sin_addr.s_addr).c_str(), ntohs(from.sin_port), n);
        }
    }
    closesocket(s);
    Line("received=%d", received);
    return received >= check.count ? 0 : 1;
}

}  // namespace lab
