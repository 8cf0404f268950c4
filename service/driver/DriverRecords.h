#pragma once
// The packet driver's request codes and the records that cross its interface, as bytes. No Windows headers:
// the codecs are shared by the service, the console, the stand-in driver's helpers and the native tests.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Raw control codes, sent to "\\.\OMBRIX" as they are (the driver defines them; they are not CTL_CODE made).
constexpr uint32_t kDriverSetSharing = 5;      ///< in: 32-bit flag
constexpr uint32_t kDriverGetStatus = 19;      ///< out: status word
constexpr uint32_t kDriverGetForward = 51;     ///< out: port forward record, index preset at its offset 10
constexpr uint32_t kDriverAddForward = 56;     ///< in: port forward record
constexpr uint32_t kDriverRemoveForward = 60;  ///< in: port forward record
constexpr uint32_t kDriverSetAlarm = 65;       ///< in: 32-bit flag
constexpr uint32_t kDriverGetAlarms = 67;      ///< out: alarm block

// Bits of the status word; the others are ignored.
constexpr uint32_t kDriverStatusDialNeeded = 0x1;  ///< a client needs the dial-up connection
constexpr uint32_t kDriverStatusCloseDns = 0x2;    ///< the DNS relay must close its Internet-side socket
constexpr uint32_t kDriverStatusAlarms = 0x8;      ///< alarm records are waiting

constexpr size_t kDriverFlagSize = 4;
constexpr size_t kDriverStatusSize = 4;

// Port forward record, 12 bytes, little-endian.
constexpr size_t kForwardProtocolOffset = 0;  // 16 bits: nonzero TCP, 0 UDP
constexpr size_t kForwardReservedOffset = 2;  // 16 bits, zero
constexpr size_t kForwardAddressOffset = 4;   // 4 bytes, first octet first
constexpr size_t kForwardPortOffset = 8;      // 16 bits, host order
constexpr size_t kForwardIndexOffset = 10;    // 16 bits: entry index for request 51, zero otherwise
constexpr size_t kPortForwardRecordSize = 12;
static_assert(kForwardIndexOffset + 2 == kPortForwardRecordSize, "port forward record is 12 bytes");

// Alarm block: a header of three 32-bit words (not used, record count, not used), then 28-byte records.
constexpr size_t kAlarmHeaderCountOffset = 4;
constexpr size_t kAlarmHeaderSize = 12;
constexpr size_t kAlarmSrcAddrOffset = 0;    // 4 bytes, first octet first
constexpr size_t kAlarmSrcPortOffset = 4;    // 16 bits, as the driver reports it
constexpr size_t kAlarmDstPortOffset = 6;    // 16 bits
constexpr size_t kAlarmDstAddrOffset = 8;    // 4 bytes
constexpr size_t kAlarmKindOffset = 12;      // 32 bits: nonzero a blocked packet, 0 a blocked connection request
constexpr size_t kAlarmProtocolOffset = 16;  // 32 bits: 0 UDP
constexpr size_t kAlarmUnusedOffset = 20;    // 8 bytes
constexpr size_t kAlarmRecordSize = 28;
static_assert(kAlarmUnusedOffset + 8 == kAlarmRecordSize, "alarm record is 28 bytes");
constexpr size_t kAlarmBufferSize = 2000;  ///< the buffer request 67 is read into
constexpr size_t kMaxAlarmRecords = 71;    ///< records that fit after the header
static_assert(kAlarmHeaderSize + kMaxAlarmRecords * kAlarmRecordSize <= kAlarmBufferSize, "71 records fit");
static_assert(kAlarmHeaderSize + (kMaxAlarmRecords + 1) * kAlarmRecordSize > kAlarmBufferSize, "72 do not");

/// One port forward as the driver keeps it. Addresses stay in network order in memory (first octet in the
/// lowest byte), as everywhere in the system.
struct PortForwardRecord {
    uint16_t protocol = 0;  ///< nonzero TCP, 0 UDP
    uint16_t reserved = 0;
    uint32_t inAddr = 0;  ///< inside host, network order
    uint16_t port = 0;    ///< host order
    uint16_t index = 0;   ///< position for request 51, zero otherwise
};

/// One blocked attempt reported by the driver.
struct AlarmRecord {
    uint32_t srcAddr = 0;  ///< network order
    uint16_t srcPort = 0;
    uint16_t dstPort = 0;
    uint32_t dstAddr = 0;   ///< network order
    uint32_t kind = 0;      ///< nonzero a blocked packet, 0 a blocked connection request
    uint32_t protocol = 0;  ///< 0 UDP
};

using PortForwardBytes = std::array<uint8_t, kPortForwardRecordSize>;
using AlarmRecordBytes = std::array<uint8_t, kAlarmRecordSize>;

/// The 12 bytes of a port forward record.
PortForwardBytes EncodePortForward(const PortForwardRecord& record);

/// Reads a port forward record from the first 12 bytes of data. Returns false, leaving record as it was,
/// when fewer than 12 bytes are given.
bool DecodePortForward(const uint8_t* data, size_t length, PortForwardRecord& record);

/// The 28 bytes of an alarm record; the unused tail is zero.
AlarmRecordBytes EncodeAlarmRecord(const AlarmRecord& record);

/// Reads an alarm record from the first 28 bytes of data; false when fewer are given.
bool DecodeAlarmRecord(const uint8_t* data, size_t length, AlarmRecord& record);

/// Reads an alarm block of length received bytes into records (replacing their previous contents). The
/// header's count is clamped to the whole records present in length and to 71, so nothing past the
/// received bytes is read whatever the count says. Returns false (records empty) when even the header is
/// missing.
bool DecodeAlarmBlock(const uint8_t* data, size_t length, std::vector<AlarmRecord>& records);

/// Writes an alarm block holding the first records (at most 71, and as many as fit in capacity) into out,
/// unused header words zero. Returns the block's length, or 0 when capacity cannot hold the header.
size_t EncodeAlarmBlock(const std::vector<AlarmRecord>& records, uint8_t* out, size_t capacity);
