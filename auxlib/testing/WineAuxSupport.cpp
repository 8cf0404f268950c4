#include "WineAuxSupport.h"

#include "ombrixaux.h"

std::vector<std::string> AdapterNames()
{
    std::vector<std::string> names;
    for (int i = 0; i < GetAdapterCount(); ++i) {
        char name[128] = {};
        GetAdapterName(i, name, sizeof name);
        names.push_back(name);
    }
    return names;
}

std::vector<uint32_t> DnsServers()
{
    std::vector<uint32_t> servers;
    for (int i = 0; i < GetDnsServerCount(); ++i)
        servers.push_back(static_cast<uint32_t>(GetDnsServer(i)));
    return servers;
}

std::vector<uint8_t> TextBytes(const std::string& text, bool withNul)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    if (withNul)
        bytes.push_back(0);
    return bytes;
}

std::vector<uint8_t> MultiBytes(const std::string& text)
{
    std::vector<uint8_t> bytes = TextBytes(text, true);
    bytes.push_back(0);
    return bytes;
}

std::vector<uint8_t> DwordBytes(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}
