// Little-endian fields of the replies the adapter library reads (TDI queries, the DHCP client device, the
// stored dial-up entries). Every read is checked against the length the caller actually has; writes into
// buffers the library sizes itself use StoreLe16 and StoreLe32 of ByteOrder.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ByteOrder.h"

namespace auxbytes {

// Whether [offset, offset + width) lies inside a buffer of size bytes, without overflowing.
inline bool Fits(size_t size, size_t offset, size_t width)
{
    return offset <= size && width <= size - offset;
}

inline bool GetU16(const uint8_t* data, size_t size, size_t offset, uint16_t& value)
{
    if (!Fits(size, offset, 2))
        return false;
    value = LoadLe16(data + offset);
    return true;
}

inline bool GetU32(const uint8_t* data, size_t size, size_t offset, uint32_t& value)
{
    if (!Fits(size, offset, 4))
        return false;
    value = LoadLe32(data + offset);
    return true;
}

// An IPv4 address as it lies in memory (first octet first) into the library's 32-bit form, which keeps
// that byte order: the first octet is the lowest-addressed byte of the value.
inline bool GetAddress(const uint8_t* data, size_t size, size_t offset, uint32_t& address)
{
    return GetU32(data, size, offset, address);
}

}  // namespace auxbytes
