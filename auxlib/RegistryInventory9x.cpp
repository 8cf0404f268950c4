#include "RegistryInventory9x.h"

#include <string>

#include "AuxText.h"
#include "MstcpNameServers.h"
#include "RegistryInventory.h"
#include "RegistryPaths.h"
#include "VdhcpLookup.h"

namespace {

const char kTcpipBindingPrefix[] = "MSTCP\\";
const char kTransportDriverPrefix[] = "NetTrans\\";

}  // namespace

void CRegistryInventory9x::Run(CAdapterTable& table)
{
    const int first = table.AdapterCount();
    Walk(CRegKey::Open(registry_, RegRoot::LocalMachine, k9xEnumKey, RegAccess::Read), 0, table);

    // The configured servers serve all static adapters, so they are listed once.
    bool staticListed = false;
    for (int i = first; i < table.AdapterCount(); ++i) {
        const AdapterRecord& adapter = *table.Adapter(i);
        if (adapter.dhcp) {
            table.AddDnsServers(VdhcpDnsServersOf(vdhcp_, adapter.FirstAddress()));
        } else if (!staticListed) {
            staticListed = true;
            table.AddDnsServers(ReadMstcpNameServers(registry_));
        }
    }
}

void CRegistryInventory9x::Walk(const CRegKey& key, int depth, CAdapterTable& table)
{
    if (!key.IsOpen())
        return;
    // A device that gave its adapter has nothing more below it.
    if (IsNetClassKey(key) && AddDevice(key, table))
        return;
    if (depth >= kMaxWalkDepth)
        return;
    for (const std::string& name : key.SubkeyNames(k9xNameMax)) {
        Walk(key.OpenSub(name, RegAccess::Read), depth + 1, table);
    }
}

bool CRegistryInventory9x::AddDevice(const CRegKey& device, CAdapterTable& table)
{
    AdapterRecord record;
    std::string text;
    if (device.ReadText("DeviceDesc", kDescriptionBuffer, text))
        record.SetDescription(text);

    const CRegKey bindings = device.OpenSub("Bindings", RegAccess::Read);
    for (const std::string& binding : bindings.ValueNames(k9xNameMax)) {
        if (!auxtext::StartsWithIgnoreCase(binding, kTcpipBindingPrefix))
            continue;
        const CRegKey network =
            CRegKey::Open(registry_, RegRoot::LocalMachine, k9xNetworkEnumKey + binding, RegAccess::Read);
        std::string driver;
        if (!network.ReadText("Driver", k9xValueBuffer, driver))
            continue;
        if (!auxtext::StartsWithIgnoreCase(driver, kTransportDriverPrefix))
            continue;
        const CRegKey settings = CRegKey::Open(registry_, RegRoot::LocalMachine, k9xClassKey + driver, RegAccess::Read);
        if (!settings.IsOpen())
            continue;

        record.SetConfigKey(driver);
        const uint32_t address = ReadAddressValue(settings, "IpAddress", k9xValueBuffer);
        record.addresses.push_back(address);
        record.dhcp = address == 0 ? 1 : 0;  // a DHCP adapter keeps "0.0.0.0" here
        record.subnetMask = ReadAddressValue(settings, "IpMask", k9xValueBuffer);
        record.gateway = ReadAddressValue(settings, "DefaultGateway", k9xValueBuffer);
        table.AddAdapter(record);
        return true;
    }
    return false;
}
