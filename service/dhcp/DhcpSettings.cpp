#include "DhcpSettings.h"

#include "DhcpAddressText.h"
#include "IniNumber.h"

namespace {

// Text that is not an address counts as "no address".
uint32_t AddressOrZero(const std::string& text)
{
    uint32_t address = 0;
    if (!ParseDottedAddress(text.c_str(), &address)) {
        return 0;
    }
    return address;
}

// The source reads within section DHCP: only the entry's key and default go to it.
int ReadSetting(IDhcpSettingsSource& source, const CIntSetting& setting)
{
    return source.ReadInt(setting.key, setting.fallback);
}

std::string ReadSetting(IDhcpSettingsSource& source, const CTextSetting& setting, size_t bufferLength)
{
    return source.ReadString(setting.key, setting.fallback, bufferLength);
}

}  // namespace

DhcpRawSettings ReadDhcpRawSettings(IDhcpSettingsSource& source)
{
    DhcpRawSettings raw;
    raw.serverPort = ReadSetting(source, kIniDhcpServerPort);
    raw.localAddress = ReadSetting(source, kIniDhcpLocalAddress, kDhcpAddressTextBuffer);
    raw.assignedIp = ReadSetting(source, kIniDhcpAssignedIp, kDhcpAddressTextBuffer);
    raw.lowAddress = ReadSetting(source, kIniDhcpLowAddress);
    raw.highAddress = ReadSetting(source, kIniDhcpHighAddress);
    raw.offerAddrTimeout = ReadSetting(source, kIniDhcpOfferAddrTimeout);
    raw.leaseAddrTimeout = ReadSetting(source, kIniDhcpLeaseAddrTimeout);
    raw.subNetMask = ReadSetting(source, kIniDhcpSubNetMask, kDhcpMaskTextBuffer);
    raw.numDomainNameServers = ReadSetting(source, kIniDhcpNumDomainNameServers, kDhcpAddressTextBuffer);
    raw.domainNameServers = ReadSetting(source, kIniDhcpDomainNameServers, kDhcpDnsTextBuffer);
    raw.logFile = ReadSetting(source, kIniDhcpLogFile, kDhcpLogFileBuffer);
    return raw;
}

void ClampDhcpPool(uint32_t* lowAddress, uint32_t* highAddress)
{
    if (*lowAddress < kDhcpLowestHost || *lowAddress > kDhcpHighestLowAddress) {
        *lowAddress = kDhcpLowestHost;
    }
    if (*highAddress > kDhcpPoolEndLimit || *highAddress <= *lowAddress) {
        *highAddress = kDhcpPoolEndLimit;
    }
}

DhcpSettings ClampDhcpSettings(const DhcpRawSettings& raw)
{
    DhcpSettings s;
    s.serverPort = static_cast<uint16_t>(raw.serverPort);
    s.localAddress = AddressOrZero(raw.localAddress);
    s.serverAddress = s.localAddress;

    uint32_t assigned = AddressOrZero(raw.assignedIp);
    if (assigned == 0) {
        assigned = kDhcpDefaultNetwork;
    }
    s.network = DhcpHostAddress(assigned, 0);

    // The profile reader hands integers back unsigned: a negative value is a large one.
    s.lowAddress = static_cast<uint32_t>(raw.lowAddress);
    s.highAddress = static_cast<uint32_t>(raw.highAddress);
    ClampDhcpPool(&s.lowAddress, &s.highAddress);

    s.offerAddrTimeout = static_cast<uint16_t>(raw.offerAddrTimeout);
    s.leaseAddrTimeout = static_cast<uint32_t>(raw.leaseAddrTimeout);

    s.subNetMask = AddressOrZero(raw.subNetMask);
    if (s.subNetMask == 0) {
        s.subNetMask = kDhcpDefaultMask;
    }

    int count = ParseIniInt(raw.numDomainNameServers.c_str());
    if (count < 0) {
        count = 0;
    }
    if (count > static_cast<int>(kDhcpMaxDnsServers)) {
        count = static_cast<int>(kDhcpMaxDnsServers);
    }
    s.numDomainNameServers = static_cast<size_t>(count);
    const uint32_t dns = AddressOrZero(raw.domainNameServers);
    for (size_t i = 0; i < s.numDomainNameServers; ++i) {
        s.domainNameServers[i] = dns;
    }
    s.logFile = raw.logFile;
    return s;
}

bool MoveLowAddressBehindServer(DhcpSettings* settings, int sharingMode)
{
    if (sharingMode == kSharingModeSingleNic || DhcpAddressOctet(settings->serverAddress, 3) != kDhcpLowestHost ||
        settings->lowAddress != kDhcpLowestHost) {
        return false;
    }
    settings->lowAddress = kDhcpLowAddressBehindServer;
    // The next start reads the new bound with the end's rule applied against it; this run does the same.
    ClampDhcpPool(&settings->lowAddress, &settings->highAddress);
    return true;
}
