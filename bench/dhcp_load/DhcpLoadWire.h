#pragma once
// DhcpLoadWire: the BOOTP/DHCP message (RFC 2131, options RFC 2132) as the load generator, a client, builds
// and reads it. Kept apart from the server's own definitions on purpose: a generator that shared them would
// agree with any mistake in them, and the peer server it also drives would be the only check left.
//
// Addresses are held as host-order integers (192.168.0.1 is 0xC0A80001) and travel big-endian, like every
// other multi-byte field of the message (LoadBe16/32, StoreBe16/32 of ByteOrder.h, which have tests of their
// own; the server reads its addresses little-endian, so the two do not share a reading of them).
#include <cstddef>
#include <cstdint>

#include "ByteOrder.h"

// Header fields, offsets from the start of the UDP payload.
constexpr size_t kLoadOpOffset = 0;
constexpr size_t kLoadHtypeOffset = 1;
constexpr size_t kLoadHlenOffset = 2;
constexpr size_t kLoadHopsOffset = 3;
constexpr size_t kLoadXidOffset = 4;
constexpr size_t kLoadSecsOffset = 8;
constexpr size_t kLoadFlagsOffset = 10;
constexpr size_t kLoadCiaddrOffset = 12;
constexpr size_t kLoadYiaddrOffset = 16;
constexpr size_t kLoadSiaddrOffset = 20;
constexpr size_t kLoadGiaddrOffset = 24;
constexpr size_t kLoadChaddrOffset = 28;
constexpr size_t kLoadChaddrSize = 16;
constexpr size_t kLoadSnameOffset = 44;
constexpr size_t kLoadSnameSize = 64;
constexpr size_t kLoadFileOffset = 108;
constexpr size_t kLoadFileSize = 128;
constexpr size_t kLoadCookieOffset = 236;
constexpr size_t kLoadCookieSize = 4;
constexpr size_t kLoadOptionsOffset = 240;
static_assert(kLoadXidOffset + 4 == kLoadSecsOffset, "secs follows xid");
static_assert(kLoadSecsOffset + 2 == kLoadFlagsOffset, "flags follows secs");
static_assert(kLoadFlagsOffset + 2 == kLoadCiaddrOffset, "ciaddr follows flags");
static_assert(kLoadGiaddrOffset + 4 == kLoadChaddrOffset, "chaddr follows giaddr");
static_assert(kLoadChaddrOffset + kLoadChaddrSize == kLoadSnameOffset, "sname follows chaddr");
static_assert(kLoadSnameOffset + kLoadSnameSize == kLoadFileOffset, "file follows sname");
static_assert(kLoadFileOffset + kLoadFileSize == kLoadCookieOffset, "the cookie follows file");
static_assert(kLoadCookieOffset + kLoadCookieSize == kLoadOptionsOffset, "options follow the cookie");

constexpr uint8_t kLoadMagicCookie[kLoadCookieSize] = {99, 130, 83, 99};

constexpr uint8_t kBootRequest = 1;
constexpr uint8_t kBootReply = 2;
constexpr uint8_t kHardwareEthernet = 1;
constexpr uint8_t kEthernetAddressSize = 6;
// Asks the server to broadcast its answer: the simulated clients' hardware addresses are not the
// interface's, so a reply sent to one of them at the link layer would never be taken in.
constexpr uint16_t kLoadBroadcastFlag = 0x8000;

// Shorter requests are padded to the BOOTP minimum, as real clients send them.
constexpr size_t kLoadMinimumMessageSize = 300;
// The smallest message every DHCP participant must accept (RFC 2131 section 2); our requests fit easily.
constexpr size_t kLoadMessageCapacity = 576;
// Room for any reply a server may send on an Ethernet link.
constexpr size_t kLoadReceiveCapacity = 2048;

constexpr uint16_t kLoadServerPort = 67;
constexpr uint16_t kLoadClientPort = 68;
constexpr uint32_t kLoadLimitedBroadcast = 0xFFFFFFFFu;

// Message types (option 53).
constexpr uint8_t kLoadDiscover = 1;
constexpr uint8_t kLoadOffer = 2;
constexpr uint8_t kLoadRequest = 3;
constexpr uint8_t kLoadDecline = 4;
constexpr uint8_t kLoadAck = 5;
constexpr uint8_t kLoadNak = 6;
constexpr uint8_t kLoadRelease = 7;
constexpr uint8_t kLoadInform = 8;

// Option codes the generator writes or reads.
constexpr uint8_t kOptPad = 0;
constexpr uint8_t kOptSubnetMask = 1;
constexpr uint8_t kOptRouter = 3;
constexpr uint8_t kOptDnsServer = 6;
constexpr uint8_t kOptHostName = 12;
constexpr uint8_t kOptDomainName = 15;
constexpr uint8_t kOptRequestedAddress = 50;
constexpr uint8_t kOptLeaseTime = 51;
constexpr uint8_t kOptMessageType = 53;
constexpr uint8_t kOptServerId = 54;
constexpr uint8_t kOptParameterList = 55;
constexpr uint8_t kOptRenewalTime = 58;
constexpr uint8_t kOptClientId = 61;
constexpr uint8_t kOptEnd = 255;

constexpr size_t kLoadOptionHeaderSize = 2;
constexpr uint8_t kLoadAddressOptionSize = 4;
constexpr uint8_t kLoadTimeOptionSize = 4;
// Option 61 as most clients send it: hardware type 1, then the Ethernet address.
constexpr uint8_t kLoadClientIdSize = 1 + kEthernetAddressSize;
