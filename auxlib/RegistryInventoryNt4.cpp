#include "RegistryInventoryNt4.h"

#include <cstdint>
#include <string>
#include <vector>

#include "AuxText.h"
#include "DottedAddress.h"
#include "RegistryInventory.h"
#include "RegistryPaths.h"

namespace {

const char kBoundDevicePrefix[] = "\\Device\\";
// NameServer lists are short; no count limit applies beyond the buffer.
constexpr size_t kNoLimit = static_cast<size_t>(-1);

}  // namespace

void CRegistryInventoryNt4::Run(CAdapterTable& table)
{
    const CRegKey cards = CRegKey::Open(registry_, RegRoot::LocalMachine, kNt4NetworkCardsKey, RegAccess::Read);
    std::vector<AdapterRecord> records;
    for (const std::string& name : cards.SubkeyNames(kNt4NameMax)) {
        const CRegKey card = cards.OpenSub(name, RegAccess::Read);
        std::string description, service;
        if (!card.ReadText("Description", kDescriptionBuffer, description))
            continue;
        if (!card.ReadText("ServiceName", kNt4ValueBuffer, service))
            continue;
        AdapterRecord record;
        record.SetDescription(description);
        record.SetConfigKey(service);
        records.push_back(record);
    }
    for (AdapterRecord& record : records) {
        if (Complete(record))
            table.AddAdapter(record);
    }
    // What DHCP gave last comes before what was configured by hand.
    AddNameServers(kTcpipTransientKey, table);
    AddNameServers(kTcpipParametersKey, table);
}

bool CRegistryInventoryNt4::Complete(AdapterRecord& record)
{
    const CRegKey service =
        CRegKey::Open(registry_, RegRoot::LocalMachine, kServicesKey + record.configKey, RegAccess::Read);
    uint32_t type = 0;
    if (!service.ReadDword("Type", type) || type != kNt4AdapterServiceType)
        return false;
    std::string bind;
    if (!service.OpenSub("Linkage", RegAccess::Read).ReadText("Bind", kNt4ValueBuffer, bind))
        return false;
    if (!auxtext::EqualsIgnoreCase(bind, kBoundDevicePrefix + record.configKey))
        return false;
    const CRegKey tcpip = service.OpenSub(kNt4TcpipSubkey, RegAccess::Read);
    std::string address, mask;
    if (!tcpip.ReadText("IPAddress", kNt4ValueBuffer, address))
        return false;
    if (!tcpip.ReadText("SubnetMask", kNt4ValueBuffer, mask))
        return false;

    uint32_t first = ConvertDottedAddress(address.data(), address.size());
    record.dhcp = first == 0 ? 1 : 0;
    if (first == 0)
        first = ReadAddressValue(tcpip, "DHCPIpAddress", kNt4ValueBuffer);
    record.addresses.assign(1, first);
    record.subnetMask = ConvertDottedAddress(mask.data(), mask.size());
    record.gateway = ReadAddressValue(tcpip, "DefaultGateway", kNt4ValueBuffer);
    return true;
}

void CRegistryInventoryNt4::AddNameServers(const char* keyPath, CAdapterTable& table)
{
    const CRegKey key = CRegKey::Open(registry_, RegRoot::LocalMachine, keyPath, RegAccess::Read);
    std::string text;
    if (!key.ReadText("NameServer", kNt4NameServerBuffer, text))
        return;
    table.AddDnsServers(ConvertAddressList(text.data(), text.size(), kNt4NameServerSeparator, kNoLimit));
}
