#include "DhcpFixtures.h"

#include <algorithm>
#include <cctype>
#include <cstring>

std::vector<uint8_t> DhcpFixtureBytes(const char* text)
{
    std::vector<uint8_t> bytes;
    const char* p = text;
    while (*p != '\0') {
        if (*p == '#') {
            while (*p != '\0' && *p != '\n') {
                ++p;
            }
            continue;
        }
        if (std::isxdigit(static_cast<unsigned char>(p[0])) && std::isxdigit(static_cast<unsigned char>(p[1]))) {
            const char digits[3] = {p[0], p[1], 0};
            bytes.push_back(static_cast<uint8_t>(std::strtoul(digits, nullptr, 16)));
            p += 2;
            continue;
        }
        ++p;
    }
    return bytes;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> DhcpScenarioFixtures(const std::string& scenario)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> list;
    for (size_t i = 0; i < kDhcpFixtureCount; ++i) {
        const std::string name = kDhcpFixtures[i].name;
        const std::string prefix = scenario + "-";
        if (name.compare(0, prefix.size(), prefix) != 0 || name.size() < prefix.size() + 2 ||
            !std::isdigit(static_cast<unsigned char>(name[prefix.size()])) ||
            !std::isdigit(static_cast<unsigned char>(name[prefix.size() + 1]))) {
            continue;
        }
        list.emplace_back(name, DhcpFixtureBytes(kDhcpFixtures[i].text));
    }
    std::sort(list.begin(), list.end());
    return list;
}
