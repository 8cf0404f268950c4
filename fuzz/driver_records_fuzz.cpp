// driver_records_fuzz: arbitrary bytes as the driver's replies: an alarm block (request 67) and a port
// forward record (request 51). The bytes sit in a heap block of exactly their size, so a decoder trusting
// the block's record count over its length is caught reading past it. Decoded records must encode back to
// the bytes they came from (the unused tail of an alarm record as zeros), and the block writer must stay
// within the room it is given, which here is also exactly sized.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "DriverRecords.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

uint32_t Word(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool SameAlarm(const AlarmRecord& a, const AlarmRecord& b)
{
    return a.srcAddr == b.srcAddr && a.srcPort == b.srcPort && a.dstPort == b.dstPort && a.dstAddr == b.dstAddr &&
           a.kind == b.kind && a.protocol == b.protocol;
}

void CheckAlarmBlock(const uint8_t* data, size_t size)
{
    std::vector<AlarmRecord> records(3);  // replaced by the decoder whatever it finds
    if (!DecodeAlarmBlock(data, size, records)) {
        Check(size < kAlarmHeaderSize && records.empty());
        return;
    }
    Check(size >= kAlarmHeaderSize);
    size_t expected = Word(data + kAlarmHeaderCountOffset);
    const size_t whole = (size - kAlarmHeaderSize) / kAlarmRecordSize;
    expected = expected < whole ? expected : whole;
    expected = expected < kMaxAlarmRecords ? expected : kMaxAlarmRecords;
    Check(records.size() == expected);

    for (size_t i = 0; i < records.size(); ++i) {
        const uint8_t* at = data + kAlarmHeaderSize + i * kAlarmRecordSize;
        const AlarmRecordBytes bytes = EncodeAlarmRecord(records[i]);
        Check(std::memcmp(bytes.data(), at, kAlarmUnusedOffset) == 0);
        for (size_t b = kAlarmUnusedOffset; b < kAlarmRecordSize; ++b) {
            Check(bytes[b] == 0);
        }
    }

    // Written back into the driver's buffer size, the block reads as the same records.
    uint8_t buffer[kAlarmBufferSize];
    const size_t length = EncodeAlarmBlock(records, buffer, sizeof buffer);
    Check(length == kAlarmHeaderSize + records.size() * kAlarmRecordSize);
    Check(Word(buffer) == 0 && Word(buffer + kAlarmHeaderCountOffset) == records.size() && Word(buffer + 8) == 0);
    std::vector<AlarmRecord> again;
    Check(DecodeAlarmBlock(buffer, length, again) && again.size() == records.size());
    for (size_t i = 0; i < again.size(); ++i) {
        Check(SameAlarm(again[i], records[i]));
    }

    // Into less room, taken from the input: only whole records that fit, never a byte past the room.
    const size_t capacity = data[0] * 8u + data[1] % 8u;
    std::unique_ptr<uint8_t[]> small(new uint8_t[capacity ? capacity : 1]);
    const size_t written = EncodeAlarmBlock(records, small.get(), capacity);
    if (capacity < kAlarmHeaderSize) {
        Check(written == 0);
    } else {
        const size_t fit = (capacity - kAlarmHeaderSize) / kAlarmRecordSize;
        Check(written == kAlarmHeaderSize + (records.size() < fit ? records.size() : fit) * kAlarmRecordSize);
        Check(written <= capacity);
    }
}

void CheckPortForward(const uint8_t* data, size_t size)
{
    PortForwardRecord record;
    record.protocol = 0x1234;
    record.index = 0x5678;
    if (!DecodePortForward(data, size, record)) {
        Check(size < kPortForwardRecordSize && record.protocol == 0x1234 && record.index == 0x5678);
        return;
    }
    Check(size >= kPortForwardRecordSize);
    const PortForwardBytes bytes = EncodePortForward(record);
    Check(std::memcmp(bytes.data(), data, kPortForwardRecordSize) == 0);
    PortForwardRecord again;
    Check(DecodePortForward(bytes.data(), bytes.size(), again));
    Check(again.protocol == record.protocol && again.reserved == record.reserved && again.inAddr == record.inAddr &&
          again.port == record.port && again.index == record.index);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    if (size == 0) {
        std::vector<AlarmRecord> records(1);
        PortForwardRecord record;
        Check(!DecodeAlarmBlock(nullptr, 0, records) && records.empty() && !DecodePortForward(nullptr, 0, record));
        return 0;
    }
    std::unique_ptr<uint8_t[]> data(new uint8_t[size]);
    std::memcpy(data.get(), input, size);

    CheckAlarmBlock(data.get(), size);
    CheckPortForward(data.get(), size);
    AlarmRecord alarm;
    if (DecodeAlarmRecord(data.get(), size, alarm)) {
        Check(size >= kAlarmRecordSize);
        Check(std::memcmp(EncodeAlarmRecord(alarm).data(), data.get(), kAlarmUnusedOffset) == 0);
    } else {
        Check(size < kAlarmRecordSize);
    }
    return 0;
}
