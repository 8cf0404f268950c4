// AdapterRecord: what the library knows of one network adapter. Every field starts zero or empty.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kHardwareAddressSize = 6;
// The record keeps the description in a 128-byte field and the key name in a 130-byte one, each with its
// NUL: longer texts are cut.
constexpr size_t kDescriptionMax = 127;
constexpr size_t kConfigKeyMax = 129;

struct AdapterRecord {
    std::vector<uint32_t> addresses;  // network order; the registry methods store at most one
    int dhcp = 0;                     // 0 or 1
    uint32_t subnetMask = 0;          // of the first address
    uint32_t gateway = 0;             // 0 when none
    std::string description;          // at most kDescriptionMax characters
    std::array<uint8_t, kHardwareAddressSize> hardwareAddress{};
    std::string configKey;  // where the adapter's TCP/IP settings live; at most kConfigKeyMax

    void SetDescription(const std::string& text) { description = text.substr(0, kDescriptionMax); }
    void SetConfigKey(const std::string& text) { configKey = text.substr(0, kConfigKeyMax); }
    uint32_t FirstAddress() const { return addresses.empty() ? 0 : addresses.front(); }
};
