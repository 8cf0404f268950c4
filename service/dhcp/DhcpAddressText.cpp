#include "DhcpAddressText.h"

#include <cstdio>

#include "DhcpWire.h"

namespace {

constexpr unsigned kOctetMax = 255;
constexpr int kOctets = 4;
// Longest decimal octet text ("255"); longer runs of digits ("0255") are not an address.
constexpr int kOctetDigitsMax = 3;
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr size_t kMaxFormattedBytes = 255;

}  // namespace

bool ParseDottedAddress(const char* text, uint32_t* address)
{
    if (text == nullptr) {
        return false;
    }
    uint32_t value = 0;
    const char* p = text;
    for (int octet = 0; octet < kOctets; ++octet) {
        if (octet > 0) {
            if (*p != '.') {
                return false;
            }
            ++p;
        }
        unsigned number = 0;
        int digits = 0;
        while (*p >= '0' && *p <= '9') {
            if (++digits > kOctetDigitsMax) {
                return false;
            }
            number = number * 10 + static_cast<unsigned>(*p - '0');
            ++p;
        }
        if (digits == 0 || number > kOctetMax) {
            return false;
        }
        value |= static_cast<uint32_t>(number) << (8 * octet);
    }
    if (*p != '\0') {
        return false;
    }
    *address = value;
    return true;
}

void FormatDottedAddress(uint32_t address, char out[kDottedAddressBuffer])
{
    std::snprintf(out, kDottedAddressBuffer, "%u.%u.%u.%u", DhcpAddressOctet(address, 0), DhcpAddressOctet(address, 1),
                  DhcpAddressOctet(address, 2), DhcpAddressOctet(address, 3));
}

void FormatHexBytes(const uint8_t* bytes, size_t count, bool blankAfterEach, char out[kHexBytesBuffer])
{
    if (count > kMaxFormattedBytes) {
        count = kMaxFormattedBytes;
    }
    size_t at = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!blankAfterEach && i > 0) {
            out[at++] = ' ';
        }
        out[at++] = kHexDigits[bytes[i] >> 4];
        out[at++] = kHexDigits[bytes[i] & 0x0F];
        if (blankAfterEach) {
            out[at++] = ' ';
        }
    }
    out[at] = '\0';
}

void FormatHostName(const uint8_t* bytes, size_t count, char out[kHexBytesBuffer])
{
    if (count > kMaxFormattedBytes) {
        count = kMaxFormattedBytes;
    }
    size_t at = 0;
    for (size_t i = 0; i < count && bytes[i] != 0; ++i) {
        out[at++] = static_cast<char>(bytes[i]);
    }
    out[at++] = ' ';
    out[at] = '\0';
}
