// The settings record Windows 95/98 keep for each dial-up entry (a binary value named after the entry under
// HKCU\RemoteAccess\Addresses). The system scrambles it with a one-byte XOR whose key is the stored byte at
// offset 7. From offset 32 lie three NUL-terminated strings; 248 bytes after the last of them lies the
// 16-bit little-endian idle time in seconds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kEntryRecordMax = 512;  // no more of the value is read
constexpr size_t kEntryScrambleKey = 7;
constexpr size_t kEntryStrings = 32;
constexpr int kEntryStringCount = 3;
constexpr size_t kEntryIdleAfterStrings = 248;
constexpr size_t kEntryIdleSize = 2;

// The idle time of a stored record; false when the record is too short to hold it.
bool ReadEntryIdleSeconds(const std::vector<uint8_t>& stored, uint16_t& seconds);
// Sets the idle time in a stored record, which stays scrambled with the same key and keeps its length;
// false (and the record unchanged) when it is too short to hold it.
bool WriteEntryIdleSeconds(std::vector<uint8_t>& stored, uint16_t seconds);
