#include "TdiQuery.h"

#include "AuxBytes.h"

using auxbytes::GetU32;

TdiRequestBytes EncodeTdiRequest(const TdiRequest& request)
{
    TdiRequestBytes bytes{};
    StoreLe32(&bytes[kTdiRequestEntity], request.entity);
    StoreLe32(&bytes[kTdiRequestInstance], request.instance);
    StoreLe32(&bytes[kTdiRequestClass], request.infoClass);
    StoreLe32(&bytes[kTdiRequestType], request.infoType);
    StoreLe32(&bytes[kTdiRequestId], request.id);
    return bytes;  // the context stays zero
}

std::vector<TdiEntity> ParseEntityList(const uint8_t* data, size_t length)
{
    std::vector<TdiEntity> entities;
    for (size_t offset = 0; auxbytes::Fits(length, offset, kEntityRecordSize); offset += kEntityRecordSize) {
        TdiEntity entity;
        GetU32(data, length, offset, entity.type);
        GetU32(data, length, offset + 4, entity.instance);
        entities.push_back(entity);
    }
    return entities;
}

bool ParseInterfaceEntry(const uint8_t* data, size_t length, TdiInterface& entry)
{
    uint32_t descriptionLength = 0;
    if (length < kInterfaceDescription)
        return false;
    entry = TdiInterface();
    GetU32(data, length, kInterfaceIndex, entry.index);
    GetU32(data, length, kInterfaceType, entry.type);
    GetU32(data, length, kInterfaceHardwareLength, entry.hardwareLength);
    GetU32(data, length, kInterfaceDescriptionLength, descriptionLength);
    if (entry.hardwareLength > kInterfaceHardwareMax)
        entry.hardwareLength = kInterfaceHardwareMax;
    for (size_t i = 0; i < entry.hardwareLength; ++i)
        entry.hardware[i] = data[kInterfaceHardware + i];

    size_t take = length - kInterfaceDescription;
    if (descriptionLength < take)
        take = descriptionLength;
    if (take > kInterfaceDescriptionTaken)
        take = kInterfaceDescriptionTaken;
    size_t n = 0;
    while (n < take && data[kInterfaceDescription + n] != 0)
        ++n;
    entry.description.assign(reinterpret_cast<const char*>(data + kInterfaceDescription), n);
    return true;
}

bool ParseIpStatistics(const uint8_t* data, size_t length, TdiIpCounts& counts)
{
    if (length != kIpStatisticsSize)
        return false;
    GetU32(data, length, kIpStatisticsAddressCount, counts.addresses);
    GetU32(data, length, kIpStatisticsRouteCount, counts.routes);
    return true;
}

std::vector<TdiAddressEntry> ParseAddressTable(const uint8_t* data, size_t length, size_t maxEntries)
{
    std::vector<TdiAddressEntry> entries;
    for (size_t offset = 0; entries.size() < maxEntries && auxbytes::Fits(length, offset, kAddressEntrySize);
         offset += kAddressEntrySize) {
        TdiAddressEntry entry;
        auxbytes::GetAddress(data, length, offset + kAddressEntryAddress, entry.address);
        GetU32(data, length, offset + kAddressEntryIndex, entry.index);
        auxbytes::GetAddress(data, length, offset + kAddressEntryMask, entry.mask);
        entries.push_back(entry);
    }
    return entries;
}

std::vector<TdiRouteEntry> ParseRouteTable(const uint8_t* data, size_t length)
{
    std::vector<TdiRouteEntry> entries;
    for (size_t offset = 0; auxbytes::Fits(length, offset, kRouteEntrySize); offset += kRouteEntrySize) {
        TdiRouteEntry entry;
        auxbytes::GetAddress(data, length, offset + kRouteEntryDestination, entry.destination);
        GetU32(data, length, offset + kRouteEntryIndex, entry.index);
        auxbytes::GetAddress(data, length, offset + kRouteEntryNextHop, entry.nextHop);
        entries.push_back(entry);
    }
    return entries;
}
