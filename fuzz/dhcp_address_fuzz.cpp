// dhcp_address_fuzz: arbitrary text through the dotted-address parser of the DHCP settings, and arbitrary
// bytes through the trace formatters beside it. The text sits in a heap block of exactly its length and
// terminator. The parser must accept exactly four dot-separated numbers of one to three digits, each at
// most 255 (checked against a scan of its own here), leave the address alone when it refuses, and agree
// with the formatter on every address.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "DhcpAddressText.h"
#include "DhcpWire.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// Splits at every dot and judges each part on its own: a second opinion written another way.
bool ReferenceParse(const std::string& text, uint32_t* address)
{
    uint32_t value = 0;
    size_t start = 0;
    for (int octet = 0; octet < 4; ++octet) {
        size_t dot = text.find('.', start);
        if (octet < 3 && dot == std::string::npos) {
            return false;
        }
        if (octet == 3) {
            if (dot != std::string::npos) {
                return false;
            }
            dot = text.size();
        }
        const std::string part = text.substr(start, dot - start);
        if (part.empty() || part.size() > 3 || part.find_first_not_of("0123456789") != std::string::npos) {
            return false;
        }
        const unsigned number = static_cast<unsigned>(std::stoul(part));
        if (number > 255) {
            return false;
        }
        value |= static_cast<uint32_t>(number) << (8 * octet);
        start = dot + 1;
    }
    *address = value;
    return true;
}

void CheckAddressRoundTrip(uint32_t address)
{
    char text[kDottedAddressBuffer];
    FormatDottedAddress(address, text);
    Check(std::strlen(text) < kDottedAddressBuffer);
    uint32_t parsed = ~address;
    Check(ParseDottedAddress(text, &parsed) && parsed == address);
    for (int i = 0; i < 4; ++i) {
        Check(DhcpAddressOctet(parsed, i) == ((address >> (8 * i)) & 0xFF));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::unique_ptr<char[]> text(new char[size + 1]);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';

    const uint32_t untouched = 0xA5A5A5A5u;
    uint32_t address = untouched;
    const bool parsed = ParseDottedAddress(text.get(), &address);
    uint32_t expected = untouched;
    const bool expectedParsed = ReferenceParse(std::string(text.get()), &expected);
    Check(parsed == expectedParsed && address == expected);
    if (parsed) {
        CheckAddressRoundTrip(address);
    }

    if (size >= 4) {
        uint32_t raw;
        std::memcpy(&raw, data, sizeof raw);
        CheckAddressRoundTrip(raw);
    }

    // The formatters on the input as bytes: three characters a byte (the separated form one fewer), at
    // most 255 bytes, host names up to their first zero byte and one blank.
    std::unique_ptr<uint8_t[]> bytes(new uint8_t[size ? size : 1]);
    if (size) {
        std::memcpy(bytes.get(), data, size);
    }
    const size_t shown = size < 255 ? size : 255;
    char out[kHexBytesBuffer];
    FormatHexBytes(bytes.get(), size, true, out);
    Check(std::strlen(out) == 3 * shown);
    FormatHexBytes(bytes.get(), size, false, out);
    Check(std::strlen(out) == (shown ? 3 * shown - 1 : 0));
    for (size_t i = 0; i < shown; ++i) {
        static const char kHex[] = "0123456789ABCDEF";
        Check(out[3 * i] == kHex[bytes[i] >> 4] && out[3 * i + 1] == kHex[bytes[i] & 0xF]);
    }
    FormatHostName(bytes.get(), size, out);
    size_t name = 0;
    while (name < shown && bytes[name] != 0) {
        ++name;
    }
    Check(std::strlen(out) == name + 1 && out[name] == ' ' && std::memcmp(out, bytes.get(), name) == 0);
    return 0;
}
