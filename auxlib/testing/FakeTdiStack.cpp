#include "FakeTdiStack.h"

#include <cstring>

#include "AuxBytes.h"

namespace {

void Put(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    StoreLe32(&bytes[offset], value);
}

uint32_t Field(const TdiRequestBytes& request, size_t offset)
{
    uint32_t value = 0;
    auxbytes::GetU32(request.data(), request.size(), offset, value);
    return value;
}

}  // namespace

uint32_t Ip(int a, int b, int c, int d)
{
    return static_cast<uint32_t>(a) | (static_cast<uint32_t>(b) << 8) | (static_cast<uint32_t>(c) << 16) |
           (static_cast<uint32_t>(d) << 24);
}

std::vector<uint8_t> BuildEntityList(const std::vector<TdiEntity>& entities)
{
    std::vector<uint8_t> bytes(entities.size() * kEntityRecordSize);
    for (size_t i = 0; i < entities.size(); ++i) {
        Put(bytes, i * kEntityRecordSize, entities[i].type);
        Put(bytes, i * kEntityRecordSize + 4, entities[i].instance);
    }
    return bytes;
}

std::vector<uint8_t> BuildInterfaceEntry(const FakeInterface& iface)
{
    std::vector<uint8_t> bytes(kInterfaceDescription + iface.description.size());
    Put(bytes, kInterfaceIndex, iface.index);
    Put(bytes, kInterfaceType, iface.type);
    Put(bytes, kInterfaceHardwareLength, static_cast<uint32_t>(iface.hardware.size()));
    for (size_t i = 0; i < iface.hardware.size() && i < kInterfaceHardwareMax; ++i)
        bytes[kInterfaceHardware + i] = iface.hardware[i];
    Put(bytes, kInterfaceDescriptionLength, static_cast<uint32_t>(iface.description.size()));
    std::memcpy(bytes.data() + kInterfaceDescription, iface.description.data(), iface.description.size());
    return bytes;
}

std::vector<uint8_t> BuildIpStatistics(uint32_t addresses, uint32_t routes)
{
    std::vector<uint8_t> bytes(kIpStatisticsSize);
    Put(bytes, kIpStatisticsAddressCount, addresses);
    Put(bytes, kIpStatisticsRouteCount, routes);
    return bytes;
}

std::vector<uint8_t> BuildAddressTable(const std::vector<TdiAddressEntry>& entries)
{
    std::vector<uint8_t> bytes(entries.size() * kAddressEntrySize);
    for (size_t i = 0; i < entries.size(); ++i) {
        Put(bytes, i * kAddressEntrySize + kAddressEntryAddress, entries[i].address);
        Put(bytes, i * kAddressEntrySize + kAddressEntryIndex, entries[i].index);
        Put(bytes, i * kAddressEntrySize + kAddressEntryMask, entries[i].mask);
    }
    return bytes;
}

std::vector<uint8_t> BuildRouteTable(const std::vector<TdiRouteEntry>& routes)
{
    std::vector<uint8_t> bytes(routes.size() * kRouteEntrySize);
    for (size_t i = 0; i < routes.size(); ++i) {
        Put(bytes, i * kRouteEntrySize + kRouteEntryDestination, routes[i].destination);
        Put(bytes, i * kRouteEntrySize + kRouteEntryIndex, routes[i].index);
        Put(bytes, i * kRouteEntrySize + kRouteEntryNextHop, routes[i].nextHop);
    }
    return bytes;
}

void CFakeTdiStack::SetReply(const TdiRequest& request, const std::vector<uint8_t>& reply)
{
    replies_[Key(request.entity, request.instance, request.infoClass, request.id)] = reply;
}

void CFakeTdiStack::Build(const std::vector<FakeInterface>& interfaces, const std::vector<TdiAddressEntry>& addresses,
                          const std::vector<TdiRouteEntry>& routes)
{
    std::vector<TdiEntity> entities;
    std::vector<uint8_t> kind(kEntityKindSize);
    for (size_t i = 0; i < interfaces.size(); ++i) {
        const TdiEntity entity{kInterfaceEntity, static_cast<uint32_t>(i + 1)};
        entities.push_back(entity);
        Put(kind, 0, kInterfaceMibKind);
        SetReply({entity.type, entity.instance, kGenericClass, kProviderType, kEntityKindId}, kind);
        SetReply({entity.type, entity.instance, kProtocolClass, kProviderType, kInterfaceEntryId},
                 BuildInterfaceEntry(interfaces[i]));
    }
    const TdiEntity ip{kNetworkEntity, 1};
    entities.push_back(ip);
    Put(kind, 0, kIpKind);
    SetReply({ip.type, ip.instance, kGenericClass, kProviderType, kEntityKindId}, kind);
    SetReply({ip.type, ip.instance, kProtocolClass, kProviderType, kIpStatisticsId},
             BuildIpStatistics(static_cast<uint32_t>(addresses.size()), static_cast<uint32_t>(routes.size())));
    SetReply({ip.type, ip.instance, kProtocolClass, kProviderType, kAddressTableId}, BuildAddressTable(addresses));
    SetReply({ip.type, ip.instance, kProtocolClass, kProviderType, kRouteTableId}, BuildRouteTable(routes));
    SetReply({kGenericEntity, 0, kGenericClass, kProviderType, kEntityListId}, BuildEntityList(entities));
}

bool CFakeTdiStack::Query(const TdiRequestBytes& request, std::vector<uint8_t>& buffer, uint32_t& returned)
{
    requests_.push_back(request);
    const uint32_t entity = Field(request, kTdiRequestEntity);
    const uint32_t id = Field(request, kTdiRequestId);
    const uint32_t infoClass = Field(request, kTdiRequestClass);
    if (failing_.count(std::make_tuple(entity, infoClass, id)))
        return false;
    auto it = replies_.find(Key(entity, Field(request, kTdiRequestInstance), infoClass, id));
    if (it == replies_.end())
        return false;
    const std::vector<uint8_t>& reply = it->second;
    const size_t copied = reply.size() < buffer.size() ? reply.size() : buffer.size();
    if (copied)
        std::memcpy(buffer.data(), reply.data(), copied);
    const bool reportsFullLength =
        (entity == kGenericEntity && id == kEntityListId) || (infoClass == kProtocolClass && id == kRouteTableId);
    returned = static_cast<uint32_t>(reportsFullLength ? reply.size() : copied);
    return true;
}
