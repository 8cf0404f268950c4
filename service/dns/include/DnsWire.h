#pragma once
// DnsWire: the parts of a DNS message (RFC 1035) that the relay reads or writes: the header fields by
// offset, the flag it tests, the question section's limits, and the relay's own sizes. The relay changes
// nothing but the 16-bit id; everything else is read only to check that an answer belongs to its query.
#include <cstddef>
#include <cstdint>

// Header (offsets from the start of the UDP payload).
constexpr size_t kDnsIdOffset = 0;
constexpr size_t kDnsIdSize = 2;
constexpr size_t kDnsFlagsOffset = 2;  ///< QR, opcode, AA, TC, RD in the first flag byte
constexpr size_t kDnsQdCountOffset = 4;
constexpr size_t kDnsAnCountOffset = 6;
constexpr size_t kDnsNsCountOffset = 8;
constexpr size_t kDnsArCountOffset = 10;
constexpr size_t kDnsHeaderSize = 12;
constexpr size_t kDnsQuestionOffset = 12;
static_assert(kDnsIdOffset + kDnsIdSize == kDnsFlagsOffset, "the flags follow the id");
static_assert(kDnsArCountOffset + 2 == kDnsHeaderSize, "the header ends after the four counts");
static_assert(kDnsQuestionOffset == kDnsHeaderSize, "the question follows the header");

/// QR in the first flag byte: set in a response.
constexpr uint8_t kDnsResponseFlag = 0x80;

// Question name limits (RFC 1035 2.3.4): labels of at most 63 bytes, at most 255 bytes in wire form.
constexpr size_t kDnsMaxLabelLength = 63;
constexpr size_t kDnsMaxNameLength = 255;
/// Type and class after the name.
constexpr size_t kDnsQuestionTailSize = 4;
/// A label length byte with either of the two top bits set is a pointer or reserved: never in a question.
constexpr uint8_t kDnsLabelKindMask = 0xC0;

/// The relay receives datagrams of at most this size; a bigger one is dropped.
constexpr size_t kDnsMaxDatagram = 2048;
/// Both sockets and the forward use this port.
constexpr uint16_t kDnsPort = 53;

/// Bytes 12 to 22 of a query (the start of its question name) go into the receive trace.
constexpr size_t kDnsTraceNameOffset = 12;
constexpr size_t kDnsTraceNameLength = 11;
static_assert(kDnsTraceNameOffset == kDnsQuestionOffset, "the trace shows the question's first bytes");

/// Queries unanswered this long are forgotten (unsigned difference of millisecond counts).
constexpr uint32_t kDnsQueryLifetimeMs = 15000;

/// Relay ids are 16 bits: the table never holds more queries than there are ids.
constexpr size_t kDnsRelayIdCount = 65536;

/// The id as the relay writes and reads it: first byte low, second byte high.
inline uint16_t DnsReadId(const uint8_t* data)
{
    return static_cast<uint16_t>(data[kDnsIdOffset] | (data[kDnsIdOffset + 1] << 8));
}
inline void DnsWriteId(uint8_t* data, uint16_t id)
{
    data[kDnsIdOffset] = static_cast<uint8_t>(id & 0xFF);
    data[kDnsIdOffset + 1] = static_cast<uint8_t>(id >> 8);
}
/// A 16-bit count of the header, big-endian as on the wire.
inline uint16_t DnsReadCount(const uint8_t* data, size_t offset)
{
    return static_cast<uint16_t>((data[offset] << 8) | data[offset + 1]);
}
