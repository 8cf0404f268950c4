// DottedAddress: IPv4 addresses as the registry and the system's tables keep them in text ("192.168.0.1"),
// to and from the library's 32-bit form (first octet in the lowest-addressed byte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What the system's dotted-quad conversion gives for malformed text (INADDR_NONE). It is nonzero, so a
// malformed entry of a list is kept as 255.255.255.255, as it would be by the system's own conversion.
constexpr uint32_t kAddressNone = 0xFFFFFFFFu;
// Registry texts may hold more than one address (a multi-string, a list); only the first run of digits and
// dots is converted, and no more of it than this.
constexpr size_t kDottedRunMax = 24;

// The Winsock 1.1 conversion (inet_addr) of text made of digits and dots: one to four parts, each decimal,
// or octal with a leading 0; the last part fills the remaining bytes ("10.1" is 10.0.0.1). Malformed text
// gives kAddressNone. An empty text gives 0, as on the systems of this library (95 to 2000).
uint32_t ParseDottedQuad(const char* text, size_t length);

// The registry form: skips everything up to the first digit, takes the run of digits and dots that follows
// (at most kDottedRunMax characters) and converts it. The text ends at its first NUL or after size bytes.
// No digit at all gives 0.
uint32_t ConvertDottedAddress(const char* text, size_t size);

// "%i.%i.%i.%i" of the four bytes in memory order.
std::string FormatDottedAddress(uint32_t address);

// A list of addresses in one text, entries separated by separator: each entry is converted as by
// ConvertDottedAddress, entries that give 0 are skipped, and at most max addresses are returned.
std::vector<uint32_t> ConvertAddressList(const char* text, size_t size, char separator, size_t max);
