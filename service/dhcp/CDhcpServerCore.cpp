#include "CDhcpServerCore.h"

#include <algorithm>

#include "DhcpAddressText.h"
#include "DhcpTraceDump.h"

namespace {

// Every entry runs a lease and the table is at its bound: the new client gets no lease.
constexpr char kClientTableFullText[] = "Client table full, no lease recorded";
// A DECLINE for an address another computer holds: that computer's lease or offer stands.
constexpr char kForeignDeclineText[] = "DHCPDECLINE for an address another client holds, ignored";
// A retransmitted DISCOVER that arrives while the first is still being answered (its probe runs).
constexpr char kAlreadyAnsweringText[] = "DISCOVER from a client already being answered, dropped";
constexpr char kOutsideDeclineText[] = "DHCPDECLINE for an address outside the pool's network, ignored";

}  // namespace

/// Holds the injected lock for one scope; can let go of it early.
class CDhcpServerCore::Guard {
public:
    explicit Guard(IDhcpLock* lock) : lock_(lock)
    {
        if (lock_ != nullptr) {
            lock_->Lock();
        }
    }
    ~Guard() { Release(); }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;

    void Release()
    {
        if (lock_ != nullptr) {
            lock_->Unlock();
            lock_ = nullptr;
        }
    }

private:
    IDhcpLock* lock_;
};

/// One address reserved while it is probed and until the offer that takes it exists: reservations running
/// beside it (DISCOVERs probing in parallel) pass it by. Let go with the lock held (ReleaseLocked) or, at
/// the latest, when it goes out of scope.
class CDhcpServerCore::Reservation {
public:
    explicit Reservation(CDhcpServerCore& core) : core_(core) {}
    ~Reservation()
    {
        if (address_ != 0) {
            Guard guard(core_.host_.lock);
            ReleaseLocked();
        }
    }
    Reservation(const Reservation&) = delete;
    Reservation& operator=(const Reservation&) = delete;

    /// Takes `address` (lock held). False when another reservation has it.
    bool TakeLocked(uint32_t address)
    {
        ReleaseLocked();
        if (core_.IsProbing(address)) {
            return false;
        }
        core_.probing_.push_back(address);
        address_ = address;
        return true;
    }
    void ReleaseLocked()
    {
        if (address_ == 0) {
            return;
        }
        auto& marks = core_.probing_;
        marks.erase(std::find(marks.begin(), marks.end(), address_));
        address_ = 0;
    }

private:
    CDhcpServerCore& core_;
    uint32_t address_ = 0;
};

/// The client a DISCOVER is being answered for, known until the answer is done, so that a second DISCOVER
/// of the same client arriving meanwhile (a retransmission) does not make a second offer beside it.
class CDhcpServerCore::Answering {
public:
    Answering(CDhcpServerCore& core, const CDHCPPacket& packet) : core_(core)
    {
        who_.hdwrAddr = packet.HardwareAddress();
        uint8_t length = 0;
        const uint8_t* id = packet.ClientIdentifier(&length);
        who_.idId.Assign(id, length);
    }
    ~Answering()
    {
        if (!listed_) {
            return;
        }
        Guard guard(core_.host_.lock);
        auto& list = core_.answering_;
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (&*it == entry_) {
                list.erase(it);
                break;
            }
        }
    }
    Answering(const Answering&) = delete;
    Answering& operator=(const Answering&) = delete;

    /// Lists the client (lock held). False when a DISCOVER of the same client is already being answered.
    bool ListLocked(const DhcpClientKey& key)
    {
        for (const auto& other : core_.answering_) {
            if (DhcpEntryMatchesKey(other.idId, other.hdwrAddr, key)) {
                return false;
            }
        }
        core_.answering_.push_back(who_);
        entry_ = &core_.answering_.back();
        listed_ = true;
        return true;
    }

private:
    CDhcpServerCore& core_;
    DhcpOfferEntry who_;
    const DhcpOfferEntry* entry_ = nullptr;
    bool listed_ = false;
};

CDhcpServerCore::CDhcpServerCore(const DhcpCollaborators& collaborators)
    : host_(collaborators),
      context_(collaborators.trace),
      database_(collaborators.files, collaborators.databasePath, context_.trace, collaborators.serviceLog)
{
    context_.computerName = collaborators.computerName;
}

void CDhcpServerCore::Configure(const DhcpSettings& settings)
{
    Guard guard(host_.lock);
    context_.settings = settings;
}

DhcpSettings CDhcpServerCore::Settings() const
{
    Guard guard(host_.lock);
    return context_.settings;
}

void CDhcpServerCore::HandleDatagram(const uint8_t* bytes, size_t length)
{
    CDHCPPacket packet(context_, bytes, length);
    HandlePacket(packet);
}

void CDhcpServerCore::HandlePacket(CDHCPPacket& packet)
{
    CDHCPPacket* one = &packet;
    HandleBatch(&one, 1);
}

void CDhcpServerCore::HandleBatch(CDHCPPacket* const* packets, size_t count)
{
    Batch batch;
    for (size_t i = 0; i < count; ++i) {
        CDHCPPacket& packet = *packets[i];
        switch (packet.CheckRequest()) {
        case DHCPDISCOVER:
            OnDiscover(packet);
            break;
        case DHCPREQUEST:
            OnRequest(packet, batch);
            break;
        case DHCPDECLINE:
            OnDecline(packet, batch);
            break;
        case DHCPRELEASE:
            OnRelease(packet);
            break;
        case DHCPINFORM:
            OnInform(packet, batch);
            break;
        default:
            break;
        }
    }
    Commit(batch);
}

void CDhcpServerCore::Commit(Batch& batch)
{
    // One save for every lease the batch granted, before any of its ACKs leaves: a client is never told of a
    // lease (new or extended) that a crash right after could forget.
    if (batch.save) {
        DhcpSaveSnapshot save;
        {
            Guard guard(host_.lock);
            save = database_.TakeSnapshot(clients_);
        }
        WriteSave(save);
    }
    for (const PendingReply& reply : batch.replies) {
        if (!SendReply(*reply.packet, reply.built)) {
            context_.trace.Line(reply.failure);
            continue;
        }
        if (reply.tellLease && host_.accessProvider != nullptr) {
            host_.accessProvider->Lease(reply.hardware.bytes, kDhcpProviderHardwareLength, reply.address);
        }
    }
}

bool CDhcpServerCore::Probe(uint32_t address)
{
    return host_.probe != nullptr && host_.probe->Answers(address);
}

uint32_t CDhcpServerCore::ReserveAddress()
{
    Reservation reservation(*this);
    return ReserveAddress(reservation);
}

uint32_t CDhcpServerCore::ReserveAddress(Reservation& reservation)
{
    uint32_t low = 0;
    uint32_t high = 0;
    uint32_t network = 0;
    uint32_t server = 0;
    {
        Guard guard(host_.lock);
        low = context_.settings.lowAddress;
        high = context_.settings.highAddress;
        network = context_.settings.network;
        server = context_.settings.serverAddress;
    }
    // First pass: an address nobody holds, not even a client whose lease ran out, that stays silent. The
    // candidate stays reserved while it is probed without the lock, and after: the caller's offer takes it.
    for (uint32_t host = low; host < high; ++host) {
        const uint32_t candidate = DhcpHostAddress(network, host);
        if (candidate == server) {
            continue;
        }
        {
            Guard guard(host_.lock);
            if (HeldForReservation(candidate) || !reservation.TakeLocked(candidate)) {
                continue;
            }
        }
        if (!Probe(candidate)) {
            Guard guard(host_.lock);
            if (!HeldForReservation(candidate)) {
                return candidate;
            }
        }
        Guard guard(host_.lock);
        reservation.ReleaseLocked();
    }
    // Second pass: take back an address from an entry whose lease has ended and whose holder stays silent.
    // An address under a running lease or an open offer belongs to a computer that may be using it (many
    // answer no echo), so it is never taken.
    for (uint32_t host = low; host < high; ++host) {
        const uint32_t candidate = DhcpHostAddress(network, host);
        if (candidate == server) {
            continue;
        }
        {
            Guard guard(host_.lock);
            if (!Reclaimable(candidate) || !reservation.TakeLocked(candidate)) {
                continue;
            }
        }
        if (!Probe(candidate)) {
            Guard guard(host_.lock);
            if (Reclaimable(candidate)) {
                clients_.FindByAddress(candidate)->inAddr = 0;
                clients_.RemoveEmptyEntries();
                return candidate;
            }
        }
        Guard guard(host_.lock);
        reservation.ReleaseLocked();
    }
    // Third pass: take over the address of the oldest offer nobody took up. A client asks for its offer
    // within moments; an offer left standing for seconds belongs to a client that went elsewhere, or to
    // one of a flood of made-up clients, which would otherwise keep the whole pool for the offer timeout
    // and every real client out.
    for (;;) {
        uint32_t candidate = 0;
        {
            Guard guard(host_.lock);
            candidate = TakeOverOldestOffer(reservation, low, high, network, server);
        }
        if (candidate == 0) {
            return kDhcpNoAddress;
        }
        if (!Probe(candidate)) {
            Guard guard(host_.lock);
            if (!HeldForReservation(candidate)) {
                return candidate;
            }
        }
        Guard guard(host_.lock);
        reservation.ReleaseLocked();
    }
}

uint32_t CDhcpServerCore::TakeOverOldestOffer(Reservation& reservation, uint32_t low, uint32_t high, uint32_t network,
                                              uint32_t server)
{
    const uint32_t now = host_.clock->Now();
    const DhcpOfferEntry* oldest = nullptr;
    for (size_t i = 0; i < offers_.Count(); ++i) {
        const DhcpOfferEntry& offer = offers_.At(i);
        const uint32_t host = DhcpAddressOctet(offer.inAddr, 3);
        const bool inPool = DhcpHostAddress(network, host) == offer.inAddr && host >= low && host < high;
        if (!inPool || offer.inAddr == server || IsProbing(offer.inAddr) ||
            static_cast<uint64_t>(offer.offerTime) + kDhcpOfferTakeOverSeconds > now) {
            continue;
        }
        const DhcpClientEntry* holder = clients_.FindByAddress(offer.inAddr);
        if (holder != nullptr && holder->leaseStart != 0) {
            continue;
        }
        if (oldest == nullptr || offer.offerTime < oldest->offerTime) {
            oldest = &offer;
        }
    }
    if (oldest == nullptr) {
        return 0;
    }
    const uint32_t address = oldest->inAddr;
    // The offer goes at once, so its client's REQUEST can no longer take the address meanwhile; an ended
    // lease that still named the address gives it up too.
    offers_.Remove(oldest);
    DhcpClientEntry* holder = clients_.FindByAddress(address);
    if (holder != nullptr) {
        holder->inAddr = 0;
        clients_.RemoveEmptyEntries();
    }
    reservation.TakeLocked(address);
    return address;
}

bool CDhcpServerCore::IsProbing(uint32_t address) const
{
    return std::find(probing_.begin(), probing_.end(), address) != probing_.end();
}

size_t CDhcpServerCore::ProbingCount() const
{
    Guard guard(host_.lock);
    return probing_.size();
}

bool CDhcpServerCore::HeldForReservation(uint32_t address)
{
    return clients_.FindByAddress(address) != nullptr || offers_.FindByAddress(address) != nullptr;
}

bool CDhcpServerCore::Reclaimable(uint32_t address)
{
    const DhcpClientEntry* holder = clients_.FindByAddress(address);
    return holder != nullptr && holder->leaseStart == 0 && offers_.FindByAddress(address) == nullptr;
}

bool CDhcpServerCore::SendReply(const CDHCPPacket& packet, const DhcpBuiltReply& built)
{
    const CDhcpTrace& trace = context_.trace;
    trace.Line(built.banner);
    TraceDhcpMessage(trace, packet.Reply(), packet.ReplyLength());
    trace.Format("Sending Response to %x", built.destination);
    return host_.sender != nullptr &&
           host_.sender->SendReply(built.destination, kDhcpClientPort, packet.Reply(), packet.ReplyLength());
}

void CDhcpServerCore::OnDiscover(CDHCPPacket& packet)
{
    const CDhcpTrace& trace = context_.trace;
    trace.Line("------ Discover -------");
    const DhcpClientKey key = packet.ClientKey();
    const uint32_t now = host_.clock->Now();

    uint32_t previous = 0;
    bool openOffer = false;
    Answering answering(*this, packet);
    Reservation reservation(*this);
    {
        Guard guard(host_.lock);
        if (!answering.ListLocked(key)) {
            trace.Line(kAlreadyAnsweringText);
            return;
        }
        const DhcpClientEntry* entry = clients_.Find(key);
        if (entry != nullptr) {
            previous = entry->inAddr;
        }
        DhcpOfferEntry* offer = offers_.Find(key);
        if (offer != nullptr) {
            offer->offerTime = now;
            trace.Line("Found open offer client");
            previous = offer->inAddr;
            openOffer = true;
        }
        // A declined address stays parked under its placeholder: offering it again, even to the client that
        // declined it, would only bring the next DECLINE when the holder keeps silent to the probe. Nor is an
        // address taken that another client's open offer holds.
        if (previous != 0 && (clients_.HeldByAnother(previous, entry) || offers_.HeldByAnother(previous, offer))) {
            previous = 0;
        }
        // The client's own address is reserved too while it is probed: a reservation beside this one
        // could otherwise take it back from an ended lease meanwhile.
        if (previous != 0 && !reservation.TakeLocked(previous)) {
            previous = 0;
        }
    }

    uint32_t chosen = previous;
    if (previous == 0 || Probe(previous)) {
        chosen = ReserveAddress(reservation);
        if (chosen == kDhcpNoAddress) {
            trace.Line("Unable to reserve address for DHCPOFFER!");
            return;
        }
    }

    uint32_t offered = 0;
    {
        Guard guard(host_.lock);
        DhcpOfferEntry* offer = openOffer ? offers_.Find(key) : nullptr;
        if (offer == nullptr) {
            char dotted[kDottedAddressBuffer];
            FormatDottedAddress(chosen, dotted);
            trace.Format("CDHCPPacket::AddOffer() for %s", dotted);
            DhcpOfferEntry fresh;
            uint8_t length = 0;
            const uint8_t* value = packet.ClientIdentifier(&length);
            fresh.idId.Assign(value, length);
            value = packet.HostName(&length);
            fresh.idHostname.Assign(value, length);
            fresh.hdwrAddr = packet.HardwareAddress();
            fresh.inAddr = chosen;
            fresh.offerTime = now;
            offer = offers_.Add(fresh);
            if (offer == nullptr) {
                reservation.ReleaseLocked();
                return;
            }
        } else {
            // The open offer's address answered the probe: somebody else uses it now, so the offer moves to
            // the fresh address rather than handing out one that is taken.
            offer->inAddr = chosen;
        }
        offered = offer->inAddr;
        // The offer holds the address now.
        reservation.ReleaseLocked();
    }

    if (host_.accessProvider != nullptr &&
        !host_.accessProvider->Authorise(packet.HardwareAddress().bytes, kDhcpProviderHardwareLength)) {
        SendNak(packet);
        Guard guard(host_.lock);
        const DhcpOfferEntry* offer = offers_.Find(key);
        if (offer != nullptr) {
            offers_.Remove(offer);
        }
        return;
    }

    DhcpReplyPlan plan;
    plan.kind = DhcpReplyKind::Offer;
    plan.yiaddr = offered;
    const DhcpBuiltReply built = packet.BuildReply(plan);
    if (!SendReply(packet, built)) {
        trace.Line("Error sending DHCP Reply");
    }
}

void CDhcpServerCore::OnRequest(CDHCPPacket& packet, Batch& batch)
{
    context_.trace.Line("------Request-------");
    if (packet.HasServerIdentifier()) {
        OnRequestAfterOffer(packet, batch);
    } else {
        OnRenewal(packet, batch);
    }
}

DhcpClientEntry* CDhcpServerCore::RecordLease(const DhcpOfferEntry& offer, Batch& batch)
{
    DhcpClientEntry* entry =
        clients_.RecordLease(offer, host_.clock->Now(), context_.settings.leaseAddrTimeout, context_.trace);
    if (entry == nullptr) {
        context_.trace.Line(clients_.Full() ? kClientTableFullText : "Memory error building client list!!");
        return nullptr;
    }
    batch.save = true;
    return entry;
}

void CDhcpServerCore::QueueAck(CDHCPPacket& packet, DhcpClientEntry* entry, Batch& batch)
{
    DhcpReplyPlan plan;
    plan.kind = DhcpReplyKind::Ack;
    plan.yiaddr = entry->inAddr;
    PendingReply reply;
    reply.packet = &packet;
    reply.built = packet.BuildReply(plan);
    entry->internetAccess = reply.built.wroteRouter ? 1 : 0;
    context_.trace.Format("Sending Acking, Internet Access = %i", static_cast<int>(entry->internetAccess));
    reply.failure = "Error sending DHCP Ack";
    reply.tellLease = true;
    reply.hardware = entry->hdwrAddr;
    reply.address = entry->inAddr;
    batch.replies.push_back(reply);
}

void CDhcpServerCore::OnRequestAfterOffer(CDHCPPacket& packet, Batch& batch)
{
    const CDhcpTrace& trace = context_.trace;
    const DhcpClientKey key = packet.ClientKey();
    Guard guard(host_.lock);
    DhcpOfferEntry* offer = offers_.Find(key);
    if (offer == nullptr) {
        trace.Line("Cannot find DHCPOFFER match for this DHCPREQUEST!");
        return;
    }
    if (packet.ServerIdentifier() != context_.settings.serverAddress) {
        // The client took another server's offer.
        offers_.Remove(offer);
        return;
    }
    if (!packet.HasRequestedAddress() || packet.RequestedAddress() != offer->inAddr) {
        trace.Line("Address mismatch, DHCPOFFER to DHCPREQUEST!");
        if (packet.HasRequestedAddress()) {
            char dotted[kDottedAddressBuffer];
            FormatDottedAddress(packet.RequestedAddress(), dotted);
            trace.Format("pRequestAddrOpt->addr = %s: ", dotted);
        }
        trace.Format("pOffer->inAddr = %x: ", offer->inAddr);
        return;
    }
    const DhcpOfferEntry taken = *offer;
    offers_.Remove(offer);
    DhcpClientEntry* entry = RecordLease(taken, batch);
    if (entry != nullptr) {
        QueueAck(packet, entry, batch);
    }
}

void CDhcpServerCore::OnRenewal(CDHCPPacket& packet, Batch& batch)
{
    const CDhcpTrace& trace = context_.trace;
    const DhcpClientKey key = packet.ClientKey();
    Guard guard(host_.lock);
    DhcpClientEntry* entry = clients_.Find(key);
    if (entry == nullptr) {
        trace.Line("Cannot find client configuration for this DHCPREQUEST.");
        QueueNak(packet, batch);
        return;
    }
    const uint32_t asked = packet.HasRequestedAddress() ? packet.RequestedAddress() : packet.Ciaddr();
    // An entry that gave its address back holds none to extend, whatever the client asks.
    if (asked != entry->inAddr || entry->inAddr == 0) {
        trace.Line("Address mismatch, client database to DHCPREQUEST!");
        QueueNak(packet, batch);
        return;
    }
    entry->leaseStart = host_.clock->Now();
    entry->leaseTime = context_.settings.leaseAddrTimeout;
    trace.Line("Extending Client lease");
    batch.save = true;
    QueueAck(packet, entry, batch);
}

void CDhcpServerCore::OnDecline(CDHCPPacket& packet, Batch& batch)
{
    const CDhcpTrace& trace = context_.trace;
    trace.Line("-------Decline-------");
    if (!packet.HasRequestedAddress()) {
        return;
    }
    const uint32_t declined = packet.RequestedAddress();
    char dotted[kDottedAddressBuffer];
    FormatDottedAddress(declined, dotted);
    trace.Format("pRequestAddrOpt->addr = %s: ", dotted);
    ParkDeclined(packet.ClientKey(), declined, batch);
}

void CDhcpServerCore::ParkDeclined(const DhcpClientKey& key, uint32_t declined, Batch& batch)
{
    const CDhcpTrace& trace = context_.trace;
    Guard guard(host_.lock);
    // Only an address of the pool's network is this server's to park.
    if (DhcpHostAddress(context_.settings.network, DhcpAddressOctet(declined, 3)) != declined) {
        trace.Line(kOutsideDeclineText);
        return;
    }
    DhcpClientEntry* sender = clients_.Find(key);
    DhcpOfferEntry* senderOffer = offers_.Find(key);
    // Only the computer that was given the address can find it in use. A DECLINE naming somebody else's
    // running lease or open offer would park an address that computer goes on using.
    for (size_t i = 0; i < clients_.Count(); ++i) {
        const DhcpClientEntry& holder = clients_.At(i);
        if (&holder != sender && holder.inAddr == declined && holder.leaseStart != 0 &&
            !DhcpIsDeclinePlaceholder(holder.idId, holder.hdwrAddr)) {
            trace.Line(kForeignDeclineText);
            return;
        }
    }
    if (offers_.HeldByAnother(declined, senderOffer)) {
        trace.Line(kForeignDeclineText);
        return;
    }
    // The sender gives the address up: its entry and its offer no longer hold it.
    if (senderOffer != nullptr && senderOffer->inAddr == declined) {
        offers_.Remove(senderOffer);
    }
    if (sender != nullptr && sender->inAddr == declined) {
        sender->inAddr = 0;
        sender->leaseStart = 0;
        sender->leaseTime = 0;
    }

    DhcpOfferEntry placeholder;
    placeholder.idId.Assign(kDhcpDeclinePlaceholderId, sizeof(kDhcpDeclinePlaceholderId));
    placeholder.inAddr = declined;
    RecordLease(placeholder, batch);
}

void CDhcpServerCore::OnRelease(CDHCPPacket& packet)
{
    const CDhcpTrace& trace = context_.trace;
    trace.Line("-------Release--------");
    if (packet.HasRequestedAddress()) {
        char dotted[kDottedAddressBuffer];
        FormatDottedAddress(packet.RequestedAddress(), dotted);
        trace.Format("pRequestAddrOpt->addr = %s: ", dotted);
    }
    if (!packet.HasServerIdentifier()) {
        return;
    }
    DhcpHardwareAddress hardware;
    {
        Guard guard(host_.lock);
        if (packet.ServerIdentifier() != context_.settings.serverAddress) {
            return;
        }
        DhcpClientEntry* entry = clients_.Find(packet.ClientKey());
        if (entry == nullptr) {
            return;
        }
        entry->inAddr = 0;
        entry->leaseStart = 0;
        entry->leaseTime = 0;
        hardware = entry->hdwrAddr;
        clients_.RemoveEmptyEntries();
    }
    if (host_.accessProvider != nullptr) {
        host_.accessProvider->Release(hardware.bytes, kDhcpProviderHardwareLength);
    }
}

void CDhcpServerCore::OnInform(CDHCPPacket& packet, Batch& batch)
{
    context_.trace.Line("--------Inform--------");
    QueueReply(packet, DhcpReplyKind::InformAck, batch);
}

void CDhcpServerCore::QueueNak(CDHCPPacket& packet, Batch& batch)
{
    context_.trace.Line("-------- Nack -------");
    QueueReply(packet, DhcpReplyKind::Nak, batch);
}

void CDhcpServerCore::QueueReply(CDHCPPacket& packet, DhcpReplyKind kind, Batch& batch)
{
    DhcpReplyPlan plan;
    plan.kind = kind;
    PendingReply reply;
    reply.packet = &packet;
    reply.built = packet.BuildReply(plan);
    reply.failure = "Error sending DHCP Reply";
    batch.replies.push_back(reply);
}

void CDhcpServerCore::SendNak(CDHCPPacket& packet)
{
    Batch batch;
    QueueNak(packet, batch);
    Commit(batch);
}

void CDhcpServerCore::SendExpiryNak(const DhcpHardwareAddress& hardware)
{
    const CDhcpTrace& trace = context_.trace;
    trace.Line("------ NackIt Client Lease -------");
    CDHCPPacket packet(context_);
    DhcpReplyPlan plan;
    plan.kind = DhcpReplyKind::ExpiryNak;
    plan.hardware = hardware;
    const DhcpBuiltReply built = packet.BuildReply(plan);
    if (!SendReply(packet, built)) {
        trace.Line("Error sending DHCP Reply");
    }
}

void CDhcpServerCore::ExpireLeases()
{
    std::vector<DhcpHardwareAddress> ended;
    {
        Guard guard(host_.lock);
        clients_.ExpireLeases(host_.clock->Now(), &ended);
    }
    for (const DhcpHardwareAddress& hardware : ended) {
        SendExpiryNak(hardware);
        if (host_.accessProvider != nullptr) {
            host_.accessProvider->Release(hardware.bytes, kDhcpProviderHardwareLength);
        }
    }
}

void CDhcpServerCore::ExpireOffers()
{
    const uint32_t now = host_.clock->Now();
    Guard guard(host_.lock);
    offers_.Expire(now, context_.settings.offerAddrTimeout);
}

void CDhcpServerCore::LoadClientList()
{
    Guard guard(host_.lock);
    database_.Load(&clients_);
}

void CDhcpServerCore::SaveClientList()
{
    DhcpSaveSnapshot save;
    {
        Guard guard(host_.lock);
        save = database_.TakeSnapshot(clients_);
    }
    WriteSave(save);
}

void CDhcpServerCore::WriteSave(const DhcpSaveSnapshot& save)
{
    if (!save.write) {
        return;
    }
    Guard guard(host_.saveLock);
    database_.WriteSnapshot(save);
}

void CDhcpServerCore::ClearClientTable()
{
    Guard guard(host_.lock);
    clients_.Clear();
    database_.TableCleared();
}

void CDhcpServerCore::SetPool(uint32_t lowAddress, uint32_t highAddress)
{
    ClampDhcpPool(&lowAddress, &highAddress);
    Guard guard(host_.lock);
    context_.settings.lowAddress = lowAddress;
    context_.settings.highAddress = highAddress;
}

uint32_t CDhcpServerCore::PoolLow() const
{
    Guard guard(host_.lock);
    return context_.settings.lowAddress;
}

uint32_t CDhcpServerCore::PoolHigh() const
{
    Guard guard(host_.lock);
    return context_.settings.highAddress;
}

uint32_t CDhcpServerCore::Network() const
{
    Guard guard(host_.lock);
    return context_.settings.network;
}

std::vector<IpcClientEntry> CDhcpServerCore::Snapshot() const
{
    Guard guard(host_.lock);
    return clients_.Snapshot();
}

std::vector<DhcpClientEntry> CDhcpServerCore::ClientEntries() const
{
    Guard guard(host_.lock);
    // Sized once: an entry is some 550 bytes, and a vector grown from empty would copy each several times.
    std::vector<DhcpClientEntry> copy;
    copy.reserve(clients_.Count());
    for (size_t i = 0; i < clients_.Count(); ++i) {
        copy.push_back(clients_.At(i));
    }
    return copy;
}

std::vector<DhcpOfferEntry> CDhcpServerCore::OfferEntries() const
{
    Guard guard(host_.lock);
    std::vector<DhcpOfferEntry> copy;
    for (size_t i = 0; i < offers_.Count(); ++i) {
        copy.push_back(offers_.At(i));
    }
    return copy;
}

bool CDhcpServerCore::AddClientEntry(const DhcpClientEntry& entry)
{
    Guard guard(host_.lock);
    return clients_.Append(entry);
}
