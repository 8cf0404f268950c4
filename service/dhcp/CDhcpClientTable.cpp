#include "CDhcpClientTable.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <new>

#include "DhcpAddressText.h"

namespace {

bool HoldsNothing(const DhcpClientEntry& entry)
{
    return entry.inAddr == 0 && entry.leaseStart == 0;
}

bool LeaseRuns(const DhcpClientEntry& entry)
{
    return entry.leaseStart != 0;
}

// Addresses no computer on the LAN can be given: "this network", multicast and above.
bool AddressUnusable(uint32_t address)
{
    const uint8_t first = static_cast<uint8_t>(address & 0xFF);
    return first == 0 || first >= 224;
}

}  // namespace

bool CDhcpClientTable::MakeRoom()
{
    if (entries_.size() < kDhcpMaxClientEntries) {
        return true;
    }
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (!LeaseRuns(**it)) {
            entries_.erase(it);
            return true;
        }
    }
    return false;
}

bool CDhcpClientTable::Full() const
{
    if (entries_.size() < kDhcpMaxClientEntries) {
        return false;
    }
    return std::all_of(entries_.begin(), entries_.end(),
                       [](const std::unique_ptr<DhcpClientEntry>& e) { return LeaseRuns(*e); });
}

void CDhcpClientTable::RemoveEmptyEntries()
{
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                  [](const std::unique_ptr<DhcpClientEntry>& e) { return HoldsNothing(*e); }),
                   entries_.end());
}

size_t CDhcpClientTable::TidyAfterLoad()
{
    std::set<const DhcpClientEntry*> touched;
    std::map<uint32_t, DhcpClientEntry*> holders;
    for (const auto& entry : entries_) {
        if (entry->internetAccess > 1) {
            entry->internetAccess = 1;
            touched.insert(entry.get());
        }
        if (entry->inAddr != 0 && AddressUnusable(entry->inAddr)) {
            entry->inAddr = 0;
            entry->leaseStart = 0;
            entry->leaseTime = 0;
            touched.insert(entry.get());
        }
        if (HoldsNothing(*entry)) {
            touched.insert(entry.get());
            continue;
        }
        if (entry->inAddr == 0) {
            continue;
        }
        auto found = holders.find(entry->inAddr);
        if (found == holders.end()) {
            holders[entry->inAddr] = entry.get();
            continue;
        }
        // One address, two holders: the later lease is the one the address was last handed out with.
        DhcpClientEntry* loser = entry.get();
        if (entry->leaseStart > found->second->leaseStart) {
            loser = found->second;
            found->second = entry.get();
        }
        loser->inAddr = 0;
        loser->leaseStart = 0;
        loser->leaseTime = 0;
        touched.insert(loser);
    }
    RemoveEmptyEntries();
    const size_t kept = entries_.size();
    // Past the bound, ended leases go first, then whatever the file held last.
    while (entries_.size() > kDhcpMaxClientEntries && MakeRoom()) {
    }
    if (entries_.size() > kDhcpMaxClientEntries) {
        entries_.resize(kDhcpMaxClientEntries);
    }
    return touched.size() + (kept - entries_.size());
}

size_t CDhcpClientTable::MergeFrom(const CDhcpClientTable& other)
{
    size_t added = 0;
    for (const auto& theirs : other.entries_) {
        bool known = false;
        for (const auto& ours : entries_) {
            if (DhcpEntryMatchesOffer(ours->idId, ours->hdwrAddr, theirs->idId, theirs->hdwrAddr) ||
                (theirs->inAddr != 0 && ours->inAddr == theirs->inAddr)) {
                known = true;
                break;
            }
        }
        if (!known && Append(*theirs)) {
            ++added;
        }
    }
    return added;
}

bool CDhcpClientTable::Append(const DhcpClientEntry& entry)
{
    if (!MakeRoom()) {
        return false;
    }
    std::unique_ptr<DhcpClientEntry> copy(new (std::nothrow) DhcpClientEntry(entry));
    if (!copy) {
        return false;
    }
    try {
        entries_.push_back(std::move(copy));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

DhcpClientEntry* CDhcpClientTable::Find(const DhcpClientKey& key)
{
    for (const auto& entry : entries_) {
        if (DhcpEntryMatchesKey(entry->idId, entry->hdwrAddr, key)) {
            return entry.get();
        }
    }
    return nullptr;
}

DhcpClientEntry* CDhcpClientTable::FindByAddress(uint32_t address)
{
    for (const auto& entry : entries_) {
        if (entry->inAddr == address) {
            return entry.get();
        }
    }
    return nullptr;
}

bool CDhcpClientTable::HeldByAnother(uint32_t address, const DhcpClientEntry* except) const
{
    for (const auto& entry : entries_) {
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
    DhcpClientEntry* recorded = nullptr;
    for (const auto& entry : entries_) {
        if (DhcpEntryMatchesOffer(entry->idId, entry->hdwrAddr, offer.idId, offer.hdwrAddr)) {
            entry->inAddr = offer.inAddr;
            entry->leaseStart = now;
            entry->leaseTime = leaseTime;
            TraceEntry(trace, "Updating EXISTING client entry: id: ", *entry);
            recorded = entry.get();
            break;
        }
    }
    // The address is this client's now: an entry that still names it (one whose lease ran out, or the
    // placeholder of an earlier decline) gives it up, so that it is never handed to two computers.
    for (const auto& entry : entries_) {
        if (offer.inAddr != 0 && entry.get() != recorded && entry->inAddr == offer.inAddr) {
            entry->inAddr = 0;
            entry->leaseStart = 0;
            entry->leaseTime = 0;
        }
    }
    if (recorded != nullptr) {
        RemoveEmptyEntries();
        return recorded;
    }
    DhcpClientEntry fresh;
    fresh.idId = offer.idId;
    fresh.idHostname = offer.idHostname;
    fresh.hdwrAddr = offer.hdwrAddr;
    fresh.inAddr = offer.inAddr;
    fresh.leaseStart = now;
    fresh.leaseTime = leaseTime;
    fresh.internetAccess = 0;
    RemoveEmptyEntries();
    if (!Append(fresh)) {
        return nullptr;
    }
    TraceEntry(trace, "Adding NEW client entry: id: ", fresh);
    return entries_.back().get();
}

void CDhcpClientTable::ExpireLeases(uint32_t now, std::vector<DhcpHardwareAddress>* ended)
{
    for (const auto& entry : entries_) {
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
    for (const auto& entry : entries_) {
        if (entry->leaseStart == 0 || entry->inAddr == 0) {
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
