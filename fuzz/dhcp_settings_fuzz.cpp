// dhcp_settings_fuzz: arbitrary text as section DHCP of the settings file ("key=value" lines), read as the
// profile functions would (integers by their leading decimal number, strings cut to the reader's buffer),
// then turned into what the server runs with. Every clamp must hold whatever the file says: the pool within
// its bounds, a mask, a network without host part, at most five DNS entries all holding the one address, and
// each value that was in range kept as written.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "DhcpAddressText.h"
#include "DhcpSettings.h"
#include "DhcpWire.h"
#include "IniNumber.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The section as the profile functions see it: keys without regard to case, the first line of a key wins.
class TextSource : public IDhcpSettingsSource {
public:
    explicit TextSource(const std::string& text)
    {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) {
                end = text.size();
            }
            const std::string line = text.substr(start, end - start);
            const size_t equals = line.find('=');
            if (equals != std::string::npos) {
                values_.emplace(Lower(Trim(line.substr(0, equals))), Trim(line.substr(equals + 1)));
            }
            start = end + 1;
        }
    }
    int ReadInt(const char* key, int defaultValue) override
    {
        auto it = values_.find(Lower(key));
        return it == values_.end() ? defaultValue : ParseIniInt(it->second.c_str());
    }
    std::string ReadString(const char* key, const char* defaultValue, size_t bufferLength) override
    {
        auto it = values_.find(Lower(key));
        const std::string value = it == values_.end() ? defaultValue : it->second;
        return value.substr(0, bufferLength - 1);
    }

private:
    std::map<std::string, std::string> values_;
};

uint32_t AddressOrZero(const std::string& text)
{
    uint32_t address = 0;
    return ParseDottedAddress(text.c_str(), &address) ? address : 0;
}

void CheckPool(uint32_t low, uint32_t high)
{
    Check(low >= kDhcpLowestHost && low <= kDhcpHighestLowAddress);
    Check(high > low && high <= kDhcpPoolEndLimit);
}

void CheckMoveBehindServer(const DhcpSettings& settings, uint32_t serverAddress)
{
    for (int mode = 0; mode <= 2; ++mode) {
        DhcpSettings moved = settings;
        moved.serverAddress = serverAddress;
        const bool changed = MoveLowAddressBehindServer(&moved, mode);
        const bool due = mode != kSharingModeSingleNic && DhcpAddressOctet(serverAddress, 3) == kDhcpLowestHost &&
                         settings.lowAddress == kDhcpLowestHost;
        Check(changed == due);
        CheckPool(moved.lowAddress, moved.highAddress);
        if (changed) {
            Check(moved.lowAddress == kDhcpLowAddressBehindServer);
            Check(moved.highAddress == (settings.highAddress > kDhcpLowAddressBehindServer ? settings.highAddress
                                                                                          : kDhcpPoolEndLimit));
        } else {
            Check(moved.lowAddress == settings.lowAddress && moved.highAddress == settings.highAddress);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TextSource source(std::string(reinterpret_cast<const char*>(data), size));
    const DhcpRawSettings raw = ReadDhcpRawSettings(source);
    Check(raw.localAddress.size() < kDhcpAddressTextBuffer && raw.assignedIp.size() < kDhcpAddressTextBuffer);
    Check(raw.subNetMask.size() < kDhcpMaskTextBuffer && raw.domainNameServers.size() < kDhcpDnsTextBuffer);
    Check(raw.numDomainNameServers.size() < kDhcpAddressTextBuffer && raw.logFile.size() < kDhcpLogFileBuffer);

    const DhcpSettings s = ClampDhcpSettings(raw);
    Check(s.serverPort == static_cast<uint16_t>(raw.serverPort));
    Check(s.localAddress == AddressOrZero(raw.localAddress) && s.serverAddress == s.localAddress);

    uint32_t assigned = AddressOrZero(raw.assignedIp);
    if (assigned == 0) {
        assigned = kDhcpDefaultNetwork;
    }
    Check(s.network == (assigned & 0x00FFFFFFu) && DhcpAddressOctet(s.network, 3) == 0);

    CheckPool(s.lowAddress, s.highAddress);
    const uint32_t rawLow = static_cast<uint32_t>(raw.lowAddress);
    const uint32_t rawHigh = static_cast<uint32_t>(raw.highAddress);
    if (rawLow >= kDhcpLowestHost && rawLow <= kDhcpHighestLowAddress) {
        Check(s.lowAddress == rawLow);
    } else {
        Check(s.lowAddress == kDhcpLowestHost);
    }
    Check(s.highAddress == (rawHigh > s.lowAddress && rawHigh <= kDhcpPoolEndLimit ? rawHigh : kDhcpPoolEndLimit));

    Check(s.offerAddrTimeout == static_cast<uint16_t>(raw.offerAddrTimeout));
    Check(s.leaseAddrTimeout == static_cast<uint32_t>(raw.leaseAddrTimeout));

    const uint32_t mask = AddressOrZero(raw.subNetMask);
    Check(s.subNetMask == (mask ? mask : kDhcpDefaultMask));

    int count = ParseIniInt(raw.numDomainNameServers.c_str());
    count = count < 0 ? 0 : (count > static_cast<int>(kDhcpMaxDnsServers) ? static_cast<int>(kDhcpMaxDnsServers) : count);
    Check(s.numDomainNameServers == static_cast<size_t>(count));
    const uint32_t dns = AddressOrZero(raw.domainNameServers);
    for (size_t i = 0; i < kDhcpMaxDnsServers; ++i) {
        Check(s.domainNameServers[i] == (i < s.numDomainNameServers ? dns : 0));
    }
    Check(s.logFile == raw.logFile);

    // The server on the address the file names, and on host 1 of the pool's network.
    CheckMoveBehindServer(s, s.serverAddress);
    CheckMoveBehindServer(s, DhcpHostAddress(s.network, kDhcpLowestHost));

    // The console's pool bounds go through the same rule: any pair, taken from the first integers.
    uint32_t low = rawLow;
    uint32_t high = rawHigh;
    ClampDhcpPool(&low, &high);
    CheckPool(low, high);
    return 0;
}
