#pragma once
// DhcpAddressText: addresses and byte strings as the settings file and the trace lines write them.
#include <cstddef>
#include <cstdint>

// "255.255.255.255" and its terminating zero.
constexpr size_t kDottedAddressBuffer = 16;
// Two hex digits and a blank per byte, for up to 255 bytes, and the terminating zero.
constexpr size_t kHexBytesBuffer = 255 * 3 + 1;

/// Parses "a.b.c.d" (four decimal numbers of 0 to 255) into an address held as in DhcpWire.h. False for any
/// other text, `*address` then untouched.
bool ParseDottedAddress(const char* text, uint32_t* address);

/// "a.b.c.d" from the four octets in order.
void FormatDottedAddress(uint32_t address, char out[kDottedAddressBuffer]);

/// Each byte as two upper-case hex digits; with `blankAfterEach` every byte is followed by a blank,
/// otherwise the bytes are separated by single blanks. `out` holds kHexBytesBuffer bytes; at most 255
/// bytes are written out.
void FormatHexBytes(const uint8_t* bytes, size_t count, bool blankAfterEach, char out[kHexBytesBuffer]);

/// A host name as the traces print it: its characters (up to the first zero byte) followed by one blank.
/// `out` holds kHexBytesBuffer bytes.
void FormatHostName(const uint8_t* bytes, size_t count, char out[kHexBytesBuffer]);
