#include "DriverRecords.h"

#include <algorithm>
#include <cstring>

#include "ByteOrder.h"

namespace {

// Addresses keep their memory byte order (network order) on every host, so they are copied, not converted.
uint32_t GetAddress(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void PutAddress(uint8_t* p, uint32_t v)
{
    std::memcpy(p, &v, sizeof v);
}

}  // namespace

PortForwardBytes EncodePortForward(const PortForwardRecord& record)
{
    PortForwardBytes out{};
    StoreLe16(&out[kForwardProtocolOffset], record.protocol);
    StoreLe16(&out[kForwardReservedOffset], record.reserved);
    PutAddress(&out[kForwardAddressOffset], record.inAddr);
    StoreLe16(&out[kForwardPortOffset], record.port);
    StoreLe16(&out[kForwardIndexOffset], record.index);
    return out;
}

bool DecodePortForward(const uint8_t* data, size_t length, PortForwardRecord& record)
{
    if (!data || length < kPortForwardRecordSize)
        return false;
    record.protocol = LoadLe16(data + kForwardProtocolOffset);
    record.reserved = LoadLe16(data + kForwardReservedOffset);
    record.inAddr = GetAddress(data + kForwardAddressOffset);
    record.port = LoadLe16(data + kForwardPortOffset);
    record.index = LoadLe16(data + kForwardIndexOffset);
    return true;
}

AlarmRecordBytes EncodeAlarmRecord(const AlarmRecord& record)
{
    AlarmRecordBytes out{};
    PutAddress(&out[kAlarmSrcAddrOffset], record.srcAddr);
    StoreLe16(&out[kAlarmSrcPortOffset], record.srcPort);
    StoreLe16(&out[kAlarmDstPortOffset], record.dstPort);
    PutAddress(&out[kAlarmDstAddrOffset], record.dstAddr);
    StoreLe32(&out[kAlarmKindOffset], record.kind);
    StoreLe32(&out[kAlarmProtocolOffset], record.protocol);
    return out;
}

bool DecodeAlarmRecord(const uint8_t* data, size_t length, AlarmRecord& record)
{
    if (!data || length < kAlarmRecordSize)
        return false;
    record.srcAddr = GetAddress(data + kAlarmSrcAddrOffset);
    record.srcPort = LoadLe16(data + kAlarmSrcPortOffset);
    record.dstPort = LoadLe16(data + kAlarmDstPortOffset);
    record.dstAddr = GetAddress(data + kAlarmDstAddrOffset);
    record.kind = LoadLe32(data + kAlarmKindOffset);
    record.protocol = LoadLe32(data + kAlarmProtocolOffset);
    return true;
}

bool DecodeAlarmBlock(const uint8_t* data, size_t length, std::vector<AlarmRecord>& records)
{
    records.clear();
    if (!data || length < kAlarmHeaderSize)
        return false;
    size_t count = LoadLe32(data + kAlarmHeaderCountOffset);
    count = std::min(count, (length - kAlarmHeaderSize) / kAlarmRecordSize);
    count = std::min(count, kMaxAlarmRecords);
    records.resize(count);
    for (size_t i = 0; i < count; ++i)
        DecodeAlarmRecord(data + kAlarmHeaderSize + i * kAlarmRecordSize, kAlarmRecordSize, records[i]);
    return true;
}

size_t EncodeAlarmBlock(const std::vector<AlarmRecord>& records, uint8_t* out, size_t capacity)
{
    if (!out || capacity < kAlarmHeaderSize)
        return 0;
    size_t count = std::min(records.size(), kMaxAlarmRecords);
    count = std::min(count, (capacity - kAlarmHeaderSize) / kAlarmRecordSize);
    std::memset(out, 0, kAlarmHeaderSize);
    StoreLe32(out + kAlarmHeaderCountOffset, static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i) {
        AlarmRecordBytes bytes = EncodeAlarmRecord(records[i]);
        std::memcpy(out + kAlarmHeaderSize + i * kAlarmRecordSize, bytes.data(), bytes.size());
    }
    return kAlarmHeaderSize + count * kAlarmRecordSize;
}
