#include "DnsRelayFactory.h"

#include "CDnsRelay.h"
#include "IniSettings.h"
#include "OmbrixIni.h"

namespace {

/// The settings' address buffers.
constexpr unsigned kAddressBuffer = 50;

uint32_t ReadAddress(const CTextSetting& setting)
{
    char text[kAddressBuffer] = {};
    COmbrixIni::ReadString(setting, text, sizeof text);
    return DnsParseDotted(text);
}

}  // namespace

DnsRelayConfig ReadDnsRelayConfig()
{
    DnsRelayConfig config;
    config.internalListen = ReadAddress(kIniDnsRelayInternalDnsListen);
    config.internetListen = ReadAddress(kIniDnsRelayInternetDnsListen);
    config.dnsServer = ReadAddress(kIniDnsRelayDnsServer);
    return config;
}

std::unique_ptr<IDnsRelayComponent> CreateDnsRelay(int sharingMode, IDnsInternetConnection* internet)
{
    DnsRelayParts parts;
    parts.internet = internet;
    return std::unique_ptr<IDnsRelayComponent>(new CDnsRelay(sharingMode, ReadDnsRelayConfig(), parts));
}
