#include "DnsRelayHost.h"

uint32_t DnsPickAdapterAddress(const std::vector<DnsAdapterView>& adapters, bool withGateway)
{
    for (const DnsAdapterView& a : adapters) {
        if (a.dialup || a.address == 0)
            continue;
        if ((a.gateway != 0) == withGateway)
            return a.address;
    }
    return 0;
}

uint32_t DnsPickHostAddress(const std::vector<uint32_t>& addresses, uint32_t internal)
{
    for (uint32_t a : addresses)
        if (a != internal)
            return a;
    return 0;
}

uint32_t DnsParseDotted(const std::string& text)
{
    uint32_t octets[4] = {};
    size_t part = 0;
    bool digit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            octets[part] = octets[part] * 10 + static_cast<uint32_t>(c - '0');
            if (octets[part] > 255)
                return 0;
            digit = true;
        } else if (c == '.' && digit && part < 3) {
            ++part;
            digit = false;
        } else {
            return 0;
        }
    }
    if (part != 3 || !digit)
        return 0;
    return octets[0] | (octets[1] << 8) | (octets[2] << 16) | (octets[3] << 24);
}

void DnsTraceNameBytes(const uint8_t* data, size_t length, char out[kDnsTraceNameLength])
{
    for (size_t i = 0; i < kDnsTraceNameLength; ++i) {
        const size_t at = kDnsTraceNameOffset + i;
        out[i] = at < length ? static_cast<char>(data[at]) : '\0';
    }
}
