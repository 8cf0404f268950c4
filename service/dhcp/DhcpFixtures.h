#pragma once
// DhcpFixtures: the captured client datagrams of tests/fixtures/dhcp, built into the tests (the build
// writes them into a source file, so the tests find them under Wine as well).
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct DhcpFixtureText {
    const char* name;  ///< file name without ".hex", e.g. "udhcpc-01-discover"
    const char* text;  ///< the file: '#' comment lines, then hex bytes
};

extern const DhcpFixtureText kDhcpFixtures[];
extern const size_t kDhcpFixtureCount;

/// The bytes of a fixture's text (comment lines skipped).
std::vector<uint8_t> DhcpFixtureBytes(const char* text);
/// The fixtures whose names start with `scenario` followed by "-" and two digits, in name order.
std::vector<std::pair<std::string, std::vector<uint8_t>>> DhcpScenarioFixtures(const std::string& scenario);
