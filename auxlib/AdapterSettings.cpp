#include "AdapterSettings.h"

#include <vector>

#include "DottedAddress.h"
#include "RegistryPaths.h"
#include "SettingsValues.h"

namespace {

const char kUnsetAddress[] = "0.0.0.0";
constexpr size_t kNt4EmptyGatewayNuls = 1;
constexpr size_t k2000EmptyGatewayNuls = 2;
constexpr uint32_t kDhcpOff = 0;
constexpr uint32_t kDhcpOn = 1;

}  // namespace

CAdapterSettings::Family CAdapterSettings::FamilyOf() const
{
    if (configKey_.empty())
        return Family::None;
    switch (os_) {
    case Win95:
    case Win98:
        return Family::Win9x;
    case WinNT4:
        return Family::Nt4;
    case Win2000:
        return Family::Win2000;
    default:
        return Family::None;
    }
}

CRegKey CAdapterSettings::Open9x() const
{
    // Windows 95/98 check no access rights; writing is asked for so that any registry lets the writes through.
    CRegKey key = CRegKey::Open(registry_, RegRoot::LocalMachine, k9xClassKey + configKey_, RegAccess::Write);
    RegValue existing;
    // Settings are only ever changed for an adapter that already has TCP/IP configured.
    if (!key.Read("IpAddress", k9xIpAddressProbeBuffer, existing))
        return CRegKey();
    return key;
}

bool CAdapterSettings::OpenNt4(CRegKey& service, CRegKey& tcpip) const
{
    service = CRegKey::Open(registry_, RegRoot::LocalMachine, kServicesKey + configKey_, RegAccess::Write);
    if (!service.IsOpen())
        return false;
    tcpip = service.OpenSub(kNt4TcpipSubkey, RegAccess::Write);
    return tcpip.IsOpen();
}

CRegKey CAdapterSettings::Open2000() const
{
    return CRegKey::Open(registry_, RegRoot::LocalMachine, k2000InterfacesKey + configKey_, RegAccess::Write);
}

bool CAdapterSettings::SetFixedIp(uint32_t address)
{
    const std::string text = FormatDottedAddress(address);
    switch (FamilyOf()) {
    case Family::Win9x: {
        const CRegKey key = Open9x();
        return key.IsOpen() && key.Write("IpAddress", kRegSz, TextWithoutNul(text));
    }
    case Family::Nt4: {
        CRegKey service, tcpip;
        return OpenNt4(service, tcpip) && tcpip.Write("IpAddress", kRegSz, TextWithoutNul(text)) &&
               tcpip.WriteDword("EnableDhcp", kDhcpOff);
    }
    case Family::Win2000: {
        const CRegKey key = Open2000();
        return key.IsOpen() && key.Write("IpAddress", kRegMultiSz, MultiStringOf(text)) &&
               key.WriteDword("EnableDhcp", kDhcpOff);
    }
    default:
        return false;
    }
}

bool CAdapterSettings::SetDhcp()
{
    switch (FamilyOf()) {
    case Family::Win9x: {
        const CRegKey key = Open9x();
        if (!key.IsOpen())
            return false;
        if (!key.Write("IpAddress", kRegSz, TextWithNul(kUnsetAddress)))
            return false;
        if (!key.Write("IpMask", kRegSz, TextWithNul(kUnsetAddress)))
            return false;
        return key.Write("DefaultGateway", kRegSz, TextWithNul(""));
    }
    case Family::Nt4: {
        CRegKey service, tcpip;
        return OpenNt4(service, tcpip) && tcpip.Write("IpAddress", kRegMultiSz, MultiStringOf(kUnsetAddress)) &&
               tcpip.Write("SubnetMask", kRegMultiSz, MultiStringOf(kUnsetAddress)) &&
               tcpip.Write("DefaultGateway", kRegMultiSz, EmptyMultiString(kNt4EmptyGatewayNuls)) &&
               tcpip.WriteDword("EnableDhcp", kDhcpOn);
    }
    case Family::Win2000: {
        const CRegKey key = Open2000();
        return key.IsOpen() && key.Write("IpAddress", kRegMultiSz, MultiStringOf(kUnsetAddress)) &&
               key.Write("SubnetMask", kRegMultiSz, MultiStringOf(kUnsetAddress)) &&
               key.Write("DefaultGateway", kRegMultiSz, EmptyMultiString(k2000EmptyGatewayNuls)) &&
               key.WriteDword("EnableDhcp", kDhcpOn);
    }
    default:
        return false;
    }
}

bool CAdapterSettings::SetSubnet(uint32_t mask)
{
    const std::string text = FormatDottedAddress(mask);
    switch (FamilyOf()) {
    case Family::Win9x: {
        const CRegKey key = Open9x();
        return key.IsOpen() && key.Write("IpMask", kRegSz, TextWithoutNul(text));
    }
    case Family::Nt4: {
        CRegKey service, tcpip;
        return OpenNt4(service, tcpip) && tcpip.Write("SubnetMask", kRegSz, TextWithoutNul(text));
    }
    case Family::Win2000: {
        const CRegKey key = Open2000();
        return key.IsOpen() && key.Write("SubnetMask", kRegMultiSz, MultiStringOf(text));
    }
    default:
        return false;
    }
}

bool CAdapterSettings::SetGateway(uint32_t gateway)
{
    const std::string text = FormatDottedAddress(gateway);
    switch (FamilyOf()) {
    case Family::Win9x: {
        const CRegKey key = Open9x();
        if (!key.IsOpen())
            return false;
        // No gateway is the empty string, written with its NUL as its one byte.
        if (gateway == 0)
            return key.Write("DefaultGateway", kRegSz, TextWithNul(""));
        return key.Write("DefaultGateway", kRegSz, TextWithoutNul(text));
    }
    case Family::Nt4: {
        CRegKey service, tcpip;
        return OpenNt4(service, tcpip) && tcpip.Write("DefaultGateway", kRegSz, TextWithoutNul(text));
    }
    case Family::Win2000: {
        const CRegKey key = Open2000();
        return key.IsOpen() && key.Write("DefaultGateway", kRegMultiSz, MultiStringOf(text));
    }
    default:
        return false;
    }
}
