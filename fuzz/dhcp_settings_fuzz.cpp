// dhcp_settings_fuzz: arbitrary text as section DHCP of the settings file ("key=value" lines), read as the
// profile functions would (integers by their leading decimal number, strings cut to the reader's buffer),
// then turned into what the server runs with. Every clamp must hold whatever the file says: the pool within
// its bounds, a mask, a network without host part, at most five DNS entries all holding the one address, and
// each value that was in range kept as written.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

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

// The section as the profile functions see it: keys without regard to case, the first line of a key wins.
// One source serves every input and keeps its buffers, so that reading a section costs no allocation but
// the strings it hands out: lines are spans of the input, found once, and keys are compared (by memcmp, so
// that the fuzzer learns them) in a lower-cased copy of the input.
class TextSource : public IDhcpSettingsSource {
public:
    void Reset(const uint8_t* data, size_t size)
    {
        text_ = reinterpret_cast<const char*>(data);
        lowered_.resize(size);
        for (size_t i = 0; i < size; ++i) {
            lowered_[i] = static_cast<char>(std::tolower(data[i]));
        }
        lines_.clear();
        size_t start = 0;
        while (start <= size) {
            const size_t end = Find('\n', start, size);
            const size_t equals = Find('=', start, end);
            if (equals != end) {
                lines_.push_back(Line{Trimmed(start, equals), Trimmed(equals + 1, end)});
            }
            start = end + 1;
        }
    }
    int ReadInt(const char* key, int defaultValue) override
    {
        const Span* value = Find(key);
        if (value == nullptr) {
            return defaultValue;
        }
        number_.assign(text_ + value->start, value->length);
        return ParseIniInt(number_.c_str());
    }
    std::string ReadString(const char* key, const char* defaultValue, size_t bufferLength) override
    {
        const Span* value = Find(key);
        if (value == nullptr) {
            return std::string(defaultValue).substr(0, bufferLength - 1);
        }
        return std::string(text_ + value->start, std::min(value->length, bufferLength - 1));
    }

private:
    struct Span {
        size_t start;
        size_t length;
    };
    struct Line {
        Span key;
        Span value;
    };

    // The position of `c` in [from, to), or `to`.
    size_t Find(char c, size_t from, size_t to) const
    {
        if (from >= to) {
            return to;
        }
        const void* at = std::memchr(text_ + from, c, to - from);
        return at != nullptr ? static_cast<size_t>(static_cast<const char*>(at) - text_) : to;
    }
    // [from, to) without the blanks, tabs and carriage returns at either end.
    Span Trimmed(size_t from, size_t to) const
    {
        while (from < to && IsBlank(text_[from])) {
            ++from;
        }
        while (to > from && IsBlank(text_[to - 1])) {
            --to;
        }
        return Span{from, to - from};
    }
    static bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

    const Span* Find(const char* key) const
    {
        char lowered[64];
        const size_t length = std::strlen(key);
        Check(length < sizeof(lowered));
        for (size_t i = 0; i < length; ++i) {
            lowered[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(key[i])));
        }
        for (const Line& line : lines_) {
            if (line.key.length == length && std::memcmp(lowered_.data() + line.key.start, lowered, length) == 0) {
                return &line.value;
            }
        }
        return nullptr;
    }

    const char* text_ = nullptr;
    std::string lowered_;
    std::string number_;
    std::vector<Line> lines_;
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
            Check(moved.highAddress ==
                  (settings.highAddress > kDhcpLowAddressBehindServer ? settings.highAddress : kDhcpPoolEndLimit));
        } else {
            Check(moved.lowAddress == settings.lowAddress && moved.highAddress == settings.highAddress);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TextSource source;
    source.Reset(data, size);
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
    count =
        count < 0 ? 0 : (count > static_cast<int>(kDhcpMaxDnsServers) ? static_cast<int>(kDhcpMaxDnsServers) : count);
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
