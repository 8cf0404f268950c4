#include "AdapterTable.h"

#include <cstring>
#include <new>

namespace {

template <typename T> void ReserveBlock(std::vector<T>& list)
{
    if (list.size() == list.capacity())
        list.reserve(list.size() + kTableBlock);
}

}  // namespace

void CAdapterTable::Clear()
{
    // Both tables are given back to the heap, not only emptied.
    std::vector<AdapterRecord>().swap(adapters_);
    std::vector<uint32_t>().swap(dnsServers_);
}

void CAdapterTable::AddAdapter(const AdapterRecord& record)
{
    try {
        ReserveBlock(adapters_);
        adapters_.push_back(record);
    } catch (const std::bad_alloc&) {
    }
}

void CAdapterTable::AddDnsServer(uint32_t address)
{
    try {
        ReserveBlock(dnsServers_);
        dnsServers_.push_back(address);
    } catch (const std::bad_alloc&) {
    }
}

void CAdapterTable::AddDnsServers(const std::vector<uint32_t>& addresses)
{
    for (uint32_t address : addresses)
        AddDnsServer(address);
}

void CAdapterTable::RemoveAdapter(int adapter)
{
    if (Adapter(adapter))
        adapters_.erase(adapters_.begin() + adapter);
}

const AdapterRecord* CAdapterTable::Adapter(int adapter) const
{
    if (adapter < 0 || adapter >= AdapterCount())
        return nullptr;
    return &adapters_[static_cast<size_t>(adapter)];
}

int CAdapterTable::CopyName(int adapter, char* buffer, int size) const
{
    const AdapterRecord* record = Adapter(adapter);
    if (!record)
        return 0;
    if (buffer && size > 0) {
        const size_t n = record->description.size() < static_cast<size_t>(size - 1) ? record->description.size()
                                                                                    : static_cast<size_t>(size - 1);
        std::memcpy(buffer, record->description.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int>(record->description.size());
}

int CAdapterTable::CopyHardwareAddress(int adapter, char* buffer, int size) const
{
    const AdapterRecord* record = Adapter(adapter);
    if (!record || !buffer || size <= 0)
        return 0;
    const size_t n =
        static_cast<size_t>(size) < kHardwareAddressSize ? static_cast<size_t>(size) : kHardwareAddressSize;
    std::memcpy(buffer, record->hardwareAddress.data(), n);
    return static_cast<int>(n);
}

int CAdapterTable::IsDhcp(int adapter) const
{
    const AdapterRecord* record = Adapter(adapter);
    return record ? record->dhcp : 0;
}

int CAdapterTable::IpCount(int adapter) const
{
    const AdapterRecord* record = Adapter(adapter);
    return record ? static_cast<int>(record->addresses.size()) : 0;
}

uint32_t CAdapterTable::IpAddress(int adapter, int n) const
{
    const AdapterRecord* record = Adapter(adapter);
    if (!record || n < 0 || static_cast<size_t>(n) >= record->addresses.size())
        return 0;
    return record->addresses[static_cast<size_t>(n)];
}

uint32_t CAdapterTable::SubnetMask(int adapter) const
{
    const AdapterRecord* record = Adapter(adapter);
    return record ? record->subnetMask : 0;
}

uint32_t CAdapterTable::Gateway(int adapter) const
{
    const AdapterRecord* record = Adapter(adapter);
    return record ? record->gateway : 0;
}

uint32_t CAdapterTable::DnsServer(int n) const
{
    if (n < 0 || n >= DnsServerCount())
        return 0;
    return dnsServers_[static_cast<size_t>(n)];
}
