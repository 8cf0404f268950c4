#include "CDhcpClientTable.h"

#include <cstring>
#include <new>

#include "DhcpAddressText.h"

bool CDhcpClientTable::Append(const DhcpClientEntry& entry)
{
    std::unique_ptr<DhcpClientEntry> copy(new (std::nothrow) DhcpClientEntry(entry));
    if (!copy) {
        return false;
    }
    try {
        m_entries.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

DhcpClientEntry* CDhcpClientTable::Find(const DhcpClientKey& key)
{
    for (const auto& entry : m_entries) {
        if (DhcpEntryMatchesKey(entry->idId, entry->hdwrAddr, key)) {
            return entry.get();
        }
    }
    return nullptr;
}

DhcpClientEntry* CDhcpClientTable::FindByAddress(uint32_t address)
{
    for (const auto& entry : m_entries) {
        if (entry->inAddr == address) {
            return entry.get();
        }
    }
    return nullptr;
}

bool CDhcpClientTable::HeldByAnother(uint32_t address, const DhcpClientEntry* except) const
{
    for (const auto& entry : m_entries) {
        if (entry.get() != except && entry->inAddr == address) {
            return true;
        }
    }
    return false;
}

namespace {

void TraceEntry(const CDhcpTrace& trace, const char* firstLine, const DhcpClientEntry& entry)
{
    if (!trace.Enabled()) {
        return;
    }
    char text[kHexBytesBuffer];
    FormatHexBytes(entry.idId.bytes, entry.idId.chLen, true, text);
    trace.Format("%s%s", firstLine, text);
    FormatHostName(entry.idHostname.bytes, entry.idHostname.chLen, text);
    trace.Format("hostname: %s", text);
    FormatHexBytes(entry.hdwrAddr.bytes, kDhcpChaddrSize, false, text);
    trace.Format("hardware addr: %s", text);
}

}  // namespace

DhcpClientEntry* CDhcpClientTable::RecordLease(const DhcpOfferEntry& offer, uint32_t now, uint32_t leaseTime,
                                               const CDhcpTrace& trace)
{
    for (const auto& entry : m_entries) {
        if (DhcpEntryMatchesOffer(entry->idId, entry->hdwrAddr, offer.idId, offer.hdwrAddr)) {
            entry->inAddr = offer.inAddr;
            entry->leaseStart = now;
            entry->leaseTime = leaseTime;
            TraceEntry(trace, "Updating EXISTING client entry: id: ", *entry);
            return entry.get();
        }
    }
    DhcpClientEntry fresh;
    fresh.idId = offer.idId;
    fresh.idHostname = offer.idHostname;
    fresh.hdwrAddr = offer.hdwrAddr;
    fresh.inAddr = offer.inAddr;
    fresh.leaseStart = now;
    fresh.leaseTime = leaseTime;
    fresh.internetAccess = 0;
    if (!Append(fresh)) {
        return nullptr;
    }
    TraceEntry(trace, "Adding NEW client entry: id: ", fresh);
    return m_entries.back().get();
}

void CDhcpClientTable::ExpireLeases(uint32_t now, std::vector<DhcpHardwareAddress>* ended)
{
    for (const auto& entry : m_entries) {
        if (entry->leaseStart == 0 || entry->leaseTime == kDhcpInfiniteLease) {
            continue;
        }
        // Summed wide: a long lease near the end of the 32-bit clock must not wrap into the past.
        const uint64_t end = static_cast<uint64_t>(entry->leaseStart) + entry->leaseTime;
        if (end > now) {
            continue;
        }
        entry->leaseStart = 0;
        entry->leaseTime = 0;
        entry->internetAccess = 0;
        ended->push_back(entry->hdwrAddr);
    }
}

std::vector<IpcClientEntry> CDhcpClientTable::Snapshot() const
{
    std::vector<IpcClientEntry> list;
    for (const auto& entry : m_entries) {
        if (entry->leaseStart == 0) {
            continue;
        }
        IpcClientEntry client;
        const size_t nameLength =
            entry->idHostname.chLen < kIpcClientHostNameSize ? entry->idHostname.chLen : kIpcClientHostNameSize;
        client.idHostname.assign(reinterpret_cast<const char*>(entry->idHostname.bytes), nameLength);
        client.inAddr = entry->inAddr;
        std::memcpy(client.hdwrAddr, entry->hdwrAddr.bytes, kIpcClientHardwareSize);
        client.internetAccess = entry->internetAccess;
        list.push_back(client);
    }
    return list;
}
