#include "RegistryInventory2000.h"

#include <string>
#include <vector>

#include "DottedAddress.h"
#include "RegistryInventory.h"
#include "RegistryPaths.h"

namespace {

// The values of an interface that DHCP fills in, and those set by hand.
struct InterfaceValueNames {
    const char* address;
    const char* mask;
    const char* gateway;
};
const InterfaceValueNames kDhcpValues = {"DhcpIpAddress", "DhcpSubNetMask", "DhcpDefaultGateway"};
const InterfaceValueNames kStaticValues = {"IpAddress", "SubNetMask", "DefaultGateway"};

}  // namespace

void CRegistryInventory2000::Run(CAdapterTable& table)
{
    Walk(CRegKey::Open(registry_, RegRoot::LocalMachine, k2000ClassKey, RegAccess::Read), 0, table);

    std::vector<std::string> servers;
    if (network_.NetworkParamsDnsServers(servers)) {
        for (const std::string& server : servers) {
            const uint32_t address = ConvertDottedAddress(server.data(), server.size());
            if (address != 0)
                table.AddDnsServer(address);
        }
    }

    // A dial-up connection has no adapter of its own on Windows 2000; a RAS device stands for it.
    uint32_t devices = 0;
    if (network_.RasDeviceCount(devices) && devices >= 1) {
        AdapterRecord dialup;
        dialup.SetDescription(kDialupPseudoAdapter);
        dialup.dhcp = 1;
        dialup.addresses.push_back(0);
        table.AddAdapter(dialup);
    }
}

void CRegistryInventory2000::Walk(const CRegKey& key, int depth, CAdapterTable& table)
{
    if (!key.IsOpen())
        return;
    // The network class: its subkeys are the adapter instances, nothing deeper is looked at.
    if (IsNetClassKey(key)) {
        for (const std::string& name : key.SubkeyNames(k2000NameMax))
            AddAdapter(key.OpenSub(name, RegAccess::Read), table);
        return;
    }
    if (depth >= kMaxWalkDepth)
        return;
    for (const std::string& name : key.SubkeyNames(k2000NameMax)) {
        Walk(key.OpenSub(name, RegAccess::Read), depth + 1, table);
    }
}

void CRegistryInventory2000::AddAdapter(const CRegKey& instance, CAdapterTable& table)
{
    AdapterRecord record;
    std::string text;
    if (!instance.ReadText("DriverDesc", kDescriptionBuffer, text))
        return;
    record.SetDescription(text);
    if (!instance.ReadText("NetCfgInstanceId", k2000ValueBuffer, text))
        return;
    record.SetConfigKey(text);
    const CRegKey tcpip =
        CRegKey::Open(registry_, RegRoot::LocalMachine, k2000InterfacesKey + record.configKey, RegAccess::Read);
    if (!tcpip.IsOpen())
        return;

    uint32_t enableDhcp = 0;
    tcpip.ReadDword("EnableDhcp", enableDhcp);
    record.dhcp = enableDhcp != 0 ? 1 : 0;
    const InterfaceValueNames& names = record.dhcp ? kDhcpValues : kStaticValues;
    if (tcpip.ReadText(names.address, k2000ValueBuffer, text))
        record.addresses.push_back(ConvertDottedAddress(text.data(), text.size()));
    record.subnetMask = ReadAddressValue(tcpip, names.mask, k2000ValueBuffer);
    record.gateway = ReadAddressValue(tcpip, names.gateway, k2000ValueBuffer);
    table.AddAdapter(record);
}
