#include "StackInventory.h"

#include <new>

#include "AuxBytes.h"
#include "MstcpNameServers.h"
#include "VdhcpLookup.h"

namespace {

TdiRequest MakeRequest(const TdiEntity& entity, uint32_t infoClass, uint32_t id)
{
    TdiRequest request;
    request.entity = entity.type;
    request.instance = entity.instance;
    request.infoClass = infoClass;
    request.infoType = kProviderType;
    request.id = id;
    return request;
}

size_t Smaller(size_t a, size_t b)
{
    return a < b ? a : b;
}

}  // namespace

bool CStackInventory::Query(const TdiRequest& request, std::vector<uint8_t>& buffer, uint32_t& returned)
{
    returned = static_cast<uint32_t>(buffer.size());
    return transport_.Query(EncodeTdiRequest(request), buffer, returned);
}

bool CStackInventory::QueryGrowing(const TdiRequest& request, size_t initialSize, size_t multiple,
                                   std::vector<uint8_t>& buffer, size_t& length)
{
    size_t size = initialSize;
    for (int attempt = 0; attempt < kTdiMaxTries; ++attempt) {
        buffer.assign(size, 0);
        uint32_t returned = 0;
        if (!Query(request, buffer, returned))
            return false;
        const size_t wanted = returned - returned % multiple;
        // A length that rounds down to what was offered fits: only a partial entry was left out.
        if (returned <= size || wanted <= size) {
            length = Smaller(returned, size);
            return true;
        }
        if (wanted > kTdiMaxReply)
            return false;
        size = wanted;
    }
    return false;
}

bool CStackInventory::ListEntities(std::vector<TdiEntity>& entities)
{
    TdiRequest request;
    request.entity = kGenericEntity;
    request.infoClass = kGenericClass;
    request.infoType = kProviderType;
    request.id = kEntityListId;
    std::vector<uint8_t> buffer;
    size_t length = 0;
    if (!QueryGrowing(request, kEntityListInitialSize, kEntityRecordSize, buffer, length))
        return false;
    entities = ParseEntityList(buffer.data(), length);
    return true;
}

bool CStackInventory::EntityKind(const TdiEntity& entity, uint32_t& kind)
{
    std::vector<uint8_t> buffer(kEntityKindSize);
    uint32_t returned = 0;
    if (!Query(MakeRequest(entity, kGenericClass, kEntityKindId), buffer, returned))
        return false;
    return returned >= kEntityKindSize && auxbytes::GetU32(buffer.data(), buffer.size(), 0, kind);
}

bool CStackInventory::ReadInterface(const TdiEntity& entity, std::vector<Interface>& interfaces)
{
    std::vector<uint8_t> buffer(kInterfaceEntrySize);
    uint32_t returned = 0;
    if (!Query(MakeRequest(entity, kProtocolClass, kInterfaceEntryId), buffer, returned))
        return false;
    Interface found;
    if (!ParseInterfaceEntry(buffer.data(), Smaller(returned, buffer.size()), found.entry))
        return false;
    if (found.entry.type == kSoftwareLoopbackType)
        return true;
    // The newest interface goes first: the list ends up in the reverse order of the entities.
    interfaces.insert(interfaces.begin(), found);
    return true;
}

bool CStackInventory::ReadIpTables(const TdiEntity& entity, std::vector<Interface>& interfaces)
{
    std::vector<uint8_t> statistics(kIpStatisticsSize);
    uint32_t returned = 0;
    TdiIpCounts counts;
    if (!Query(MakeRequest(entity, kProtocolClass, kIpStatisticsId), statistics, returned))
        return false;
    if (!ParseIpStatistics(statistics.data(), Smaller(returned, statistics.size()), counts))
        return false;
    if (returned != kIpStatisticsSize)
        return false;

    if (counts.addresses != 0) {
        const uint32_t count = counts.addresses < kTdiMaxEntries ? counts.addresses : kTdiMaxEntries;
        std::vector<uint8_t> table(static_cast<size_t>(count) * kAddressEntrySize);
        if (!Query(MakeRequest(entity, kProtocolClass, kAddressTableId), table, returned))
            return false;
        for (const TdiAddressEntry& entry : ParseAddressTable(table.data(), Smaller(returned, table.size()), count)) {
            if (entry.address == 0)
                continue;
            for (Interface& iface : interfaces) {
                if (iface.entry.index == entry.index)
                    iface.addresses.push_back(entry);
            }
        }
    }
    if (counts.routes != 0) {
        const uint32_t count = counts.routes < kTdiMaxEntries ? counts.routes : kTdiMaxEntries;
        std::vector<uint8_t> table;
        size_t length = 0;
        if (!QueryGrowing(MakeRequest(entity, kProtocolClass, kRouteTableId), count * kRouteEntrySize, 1, table,
                          length))
            return false;
        for (const TdiRouteEntry& route : ParseRouteTable(table.data(), length)) {
            if (route.destination != 0)
                continue;
            for (Interface& iface : interfaces) {
                if (iface.entry.index == route.index)
                    iface.gateways.push_back(route.nextHop);
            }
        }
    }
    return true;
}

void CStackInventory::AddAdapters(const std::vector<Interface>& interfaces, CAdapterTable& table)
{
    for (const Interface& iface : interfaces) {
        AdapterRecord record;
        record.dhcp = VdhcpKnowsHardware(vdhcp_, iface.entry.hardware.data(), iface.entry.hardwareLength) ? 1 : 0;
        record.SetDescription(iface.entry.description);
        for (size_t i = 0; i < kHardwareAddressSize; ++i)
            record.hardwareAddress[i] = iface.entry.hardware[i];
        for (const TdiAddressEntry& address : iface.addresses)
            record.addresses.push_back(address.address);
        if (record.addresses.empty())
            record.addresses.push_back(0);  // every adapter reports one address
        record.subnetMask = iface.addresses.empty() ? 0 : iface.addresses.front().mask;
        for (uint32_t hop : iface.gateways) {
            if (hop != 0) {
                record.gateway = hop;
                break;
            }
        }
        table.AddAdapter(record);
        // Static adapters each bring the configured servers, so two of them list those twice.
        if (record.dhcp)
            table.AddDnsServers(VdhcpDnsServersOf(vdhcp_, record.FirstAddress()));
        else
            table.AddDnsServers(ReadMstcpNameServers(registry_));
    }
}

bool CStackInventory::Run(CAdapterTable& table)
{
    std::vector<Interface> interfaces;
    try {
        std::vector<TdiEntity> entities;
        if (!ListEntities(entities))
            return false;
        // Interfaces first: the IP tables are matched to them by interface index.
        for (const TdiEntity& entity : entities) {
            uint32_t kind = 0;
            if (entity.type != kInterfaceEntity)
                continue;
            if (!EntityKind(entity, kind))
                return false;
            if (kind == kInterfaceMibKind && !ReadInterface(entity, interfaces))
                return false;
        }
        for (const TdiEntity& entity : entities) {
            uint32_t kind = 0;
            if (entity.type != kNetworkEntity)
                continue;
            if (!EntityKind(entity, kind))
                return false;
            if (kind == kIpKind && !ReadIpTables(entity, interfaces))
                return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    AddAdapters(interfaces, table);
    return true;
}
