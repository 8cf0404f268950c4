#include "DriverRecords.h"

#include <algorithm>
#include <cstring>

namespace {

uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t GetU32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutU16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

// Addresses keep their memory byte order (network order) on every host, so they are copied, not converted.
uint32_t GetAddress(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void PutAddress(uint8_t* p, uint32_t v) { std::memcpy(p, &v, sizeof v); }

}  // namespace

PortForwardBytes EncodePortForward(const PortForwardRecord& record)
{
    PortForwardBytes out{};
    PutU16(&out[kForwardProtocolOffset], record.protocol);
    PutU16(&out[kForwardReservedOffset], record.reserved);
    PutAddress(&out[kForwardAddressOffset], record.inAddr);
    PutU16(&out[kForwardPortOffset], record.port);
    PutU16(&out[kForwardIndexOffset], record.index);
    return out;
}

bool DecodePortForward(const uint8_t* data, size_t length, PortForwardRecord& record)
{
    if (!data || length < kPortForwardRecordSize) return false;
    record.protocol = GetU16(data + kForwardProtocolOffset);
    record.reserved = GetU16(data + kForwardReservedOffset);
    record.inAddr = GetAddress(data + kForwardAddressOffset);
    record.port = GetU16(data + kForwardPortOffset);
    record.index = GetU16(data + kForwardIndexOffset);
    return true;
}

AlarmRecordBytes EncodeAlarmRecord(const AlarmRecord& record)
{
    AlarmRecordBytes out{};
    PutAddress(&out[kAlarmSrcAddrOffset], record.srcAddr);
    PutU16(&out[kAlarmSrcPortOffset], record.srcPort);
    PutU16(&out[kAlarmDstPortOffset], record.dstPort);
    PutAddress(&out[kAlarmDstAddrOffset], record.dstAddr);
    PutU32(&out[kAlarmKindOffset], record.kind);
    PutU32(&out[kAlarmProtocolOffset], record.protocol);
    return out;
}

bool DecodeAlarmRecord(const uint8_t* data, size_t length, AlarmRecord& record)
{
    if (!data || length < kAlarmRecordSize) return false;
    record.srcAddr = GetAddress(data + kAlarmSrcAddrOffset);
    record.srcPort = GetU16(data + kAlarmSrcPortOffset);
    record.dstPort = GetU16(data + kAlarmDstPortOffset);
    record.dstAddr = GetAddress(data + kAlarmDstAddrOffset);
    record.kind = GetU32(data + kAlarmKindOffset);
    record.protocol = GetU32(data + kAlarmProtocolOffset);
    return true;
}

bool DecodeAlarmBlock(const uint8_t* data, size_t length, std::vector<AlarmRecord>& records)
{
    records.clear();
    if (!data || length < kAlarmHeaderSize) return false;
    size_t count = GetU32(data + kAlarmHeaderCountOffset);
    count = std::min(count, (length - kAlarmHeaderSize) / kAlarmRecordSize);
    count = std::min(count, kMaxAlarmRecords);
    records.resize(count);
    for (size_t i = 0; i < count; ++i)
        DecodeAlarmRecord(data + kAlarmHeaderSize + i * kAlarmRecordSize, kAlarmRecordSize, records[i]);
    return true;
}

size_t EncodeAlarmBlock(const std::vector<AlarmRecord>& records, uint8_t* out, size_t capacity)
{
    if (!out || capacity < kAlarmHeaderSize) return 0;
    size_t count = std::min(records.size(), kMaxAlarmRecords);
    count = std::min(count, (capacity - kAlarmHeaderSize) / kAlarmRecordSize);
    std::memset(out, 0, kAlarmHeaderSize);
    PutU32(out + kAlarmHeaderCountOffset, static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i) {
        AlarmRecordBytes bytes = EncodeAlarmRecord(records[i]);
        std::memcpy(out + kAlarmHeaderSize + i * kAlarmRecordSize, bytes.data(), bytes.size());
    }
    return kAlarmHeaderSize + count * kAlarmRecordSize;
}
