#pragma once
// ByteOrder: 16- and 32-bit fields read from and written to byte buffers in a fixed byte order, whatever the
// host's. Little-endian is the order of the system's own records (the control protocol, the packet driver,
// the client file, the adapter library's replies); big-endian (network order) is that of the protocol
// headers (IP, UDP, ICMP, ARP) and of the DHCP options that carry numbers. The caller has checked that the
// bytes are there. No windows.h: every core includes this.
#include <cstdint>

constexpr uint16_t LoadLe16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

constexpr uint32_t LoadLe32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
           static_cast<uint32_t>(at[3]) << 24;
}

constexpr void StoreLe16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

constexpr void StoreLe32(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
    at[3] = static_cast<uint8_t>(value >> 24);
}

constexpr uint16_t LoadBe16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] << 8 | at[1]);
}

constexpr uint32_t LoadBe32(const uint8_t* at)
{
    return static_cast<uint32_t>(at[0]) << 24 | static_cast<uint32_t>(at[1]) << 16 | static_cast<uint32_t>(at[2]) << 8 |
           static_cast<uint32_t>(at[3]);
}

constexpr void StoreBe16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}

constexpr void StoreBe32(uint8_t* at, uint32_t value)
{
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}
