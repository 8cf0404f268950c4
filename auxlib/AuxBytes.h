// Little-endian fields of the replies the adapter library reads (TDI queries, the DHCP client device, the
// stored dial-up entries). Every read is checked against the length the caller actually has.
#pragma once

#include <cstddef>
#include <cstdint>

namespace auxbytes {

// Whether [offset, offset + width) lies inside a buffer of size bytes, without overflowing.
inline bool Fits(size_t size, size_t offset, size_t width) { return offset <= size && width <= size - offset; }

inline bool GetU16(const uint8_t* data, size_t size, size_t offset, uint16_t& value) {
  if (!Fits(size, offset, 2)) return false;
  value = static_cast<uint16_t>(data[offset] | (data[offset + 1] << 8));
  return true;
}

inline bool GetU32(const uint8_t* data, size_t size, size_t offset, uint32_t& value) {
  if (!Fits(size, offset, 4)) return false;
  value = static_cast<uint32_t>(data[offset]) | (static_cast<uint32_t>(data[offset + 1]) << 8) |
          (static_cast<uint32_t>(data[offset + 2]) << 16) | (static_cast<uint32_t>(data[offset + 3]) << 24);
  return true;
}

// An IPv4 address as it lies in memory (first octet first) into the library's 32-bit form, which keeps
// that byte order: the first octet is the lowest-addressed byte of the value.
inline bool GetAddress(const uint8_t* data, size_t size, size_t offset, uint32_t& address) {
  return GetU32(data, size, offset, address);
}

inline void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace auxbytes
