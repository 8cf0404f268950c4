#include "CDnsRelayEngine.h"

#include <algorithm>

CDnsRelayEngine::CDnsRelayEngine(IDnsClock& clock, size_t pendingLimit)
    : clock_(clock), limit_(pendingLimit == 0 || pendingLimit > kDnsRelayIdCount ? kDnsRelayIdCount : pendingLimit)
{}

DnsDecision CDnsRelayEngine::Drop(DnsDropReason reason)
{
    ++dropped_[static_cast<size_t>(reason)];
    DnsDecision decision;
    decision.action = DnsAction::Drop;
    decision.reason = reason;
    return decision;
}

void CDnsRelayEngine::Unchain(uint32_t slot)
{
    Slot& s = pool_[slot];
    if (s.older != kNone)
        pool_[s.older].newer = s.newer;
    else
        oldest_ = s.newer;
    if (s.newer != kNone)
        pool_[s.newer].older = s.older;
    else
        newest_ = s.older;
    s.older = s.newer = kNone;
}

void CDnsRelayEngine::ChainNewest(uint32_t slot)
{
    Slot& s = pool_[slot];
    s.older = newest_;
    s.newer = kNone;
    if (newest_ != kNone)
        pool_[newest_].newer = slot;
    else
        oldest_ = slot;
    newest_ = slot;
}

uint32_t CDnsRelayEngine::NewSlot()
{
    if (free_ != kNone) {
        const uint32_t slot = free_;
        free_ = pool_[slot].older;
        pool_[slot].older = kNone;
        return slot;
    }
    pool_.emplace_back();
    return static_cast<uint32_t>(pool_.size() - 1);
}

void CDnsRelayEngine::Remove(uint32_t slot)
{
    Unchain(slot);
    Slot& s = pool_[slot];
    byClient_.erase(ClientKey(s.clientAddress, s.clientId));
    slotOf_[s.relayId] = kNone;
    s.question = DnsQuestion();
    s.older = free_;
    free_ = slot;
    --count_;
}

DnsDecision CDnsRelayEngine::HandleQuery(uint8_t* data, size_t length, const DnsPeer& source)
{
    if (length < kDnsIdSize)
        return Drop(DnsDropReason::ShortQuery);
    if (length > kDnsMaxDatagram)
        return Drop(DnsDropReason::Oversize);
    if (server_ == 0)
        return Drop(DnsDropReason::NoServer);

    const uint16_t clientId = DnsReadId(data);
    const uint64_t key = ClientKey(source.address, clientId);
    DnsDecision decision;
    uint32_t slot;
    const auto found = byClient_.find(key);
    if (found != byClient_.end()) {
        // The client asks again (a retry, perhaps from a new port): the answer goes where it asked last.
        slot = found->second;
        Unchain(slot);
    } else {
        const uint16_t relayId = static_cast<uint16_t>(counter_ + 1);
        counter_ = relayId;
        if (relayId >= slotOf_.size()) {
            // The ids are handed out in order, so the index grows with the counter, doubling, and reaches
            // the whole id space only when that many ids were used.
            const size_t grown = std::max<size_t>(relayId + 1u, slotOf_.size() * 2);
            slotOf_.resize(std::min(grown, kDnsRelayIdCount), kNone);
        }
        if (slotOf_[relayId] != kNone) {
            // The counter came round to an id still waiting for its answer: that query is given up, so
            // that the answer to the new one cannot go to its client.
            Remove(slotOf_[relayId]);
            ++evictedByWrap_;
        }
        if (count_ >= limit_) {
            Remove(oldest_);
            ++evictedByBound_;
        }
        slot = NewSlot();
        Slot& s = pool_[slot];
        s.relayId = relayId;
        s.clientAddress = source.address;
        s.clientId = clientId;
        slotOf_[relayId] = slot;
        byClient_.emplace(key, slot);
        ++count_;
        decision.newEntry = true;
    }
    Slot& s = pool_[slot];
    s.clientPort = source.port;
    s.time = clock_.NowMs();
    s.question = DnsQuestionOf(data, length);
    ChainNewest(slot);

    DnsWriteId(data, s.relayId);
    ++forwarded_;
    decision.action = DnsAction::Forward;
    decision.to.address = server_;
    decision.to.port = serverPort_;
    decision.relayId = s.relayId;
    return decision;
}

DnsDecision CDnsRelayEngine::HandleAnswer(uint8_t* data, size_t length, const DnsPeer& source)
{
    if (length > kDnsMaxDatagram)
        return Drop(DnsDropReason::Oversize);
    if (source.port != serverPort_)
        return Drop(DnsDropReason::AnswerWrongPort);
    if (length < kDnsHeaderSize)
        return Drop(DnsDropReason::AnswerShort);
    if ((data[kDnsFlagsOffset] & kDnsResponseFlag) == 0)
        return Drop(DnsDropReason::AnswerNotResponse);
    const uint16_t relayId = DnsReadId(data);
    if (relayId >= slotOf_.size() || slotOf_[relayId] == kNone)
        return Drop(DnsDropReason::AnswerUnknownId);
    const uint32_t slot = slotOf_[relayId];
    const Slot& s = pool_[slot];
    // A forged answer must not cancel the query: the real one may still come.
    if (!DnsAnswerMatches(s.question, data, length))
        return Drop(DnsDropReason::AnswerWrongQuestion);

    DnsDecision decision;
    decision.action = DnsAction::Reply;
    decision.to.address = s.clientAddress;
    decision.to.port = s.clientPort;
    decision.relayId = relayId;
    DnsWriteId(data, s.clientId);
    Remove(slot);
    ++replied_;
    return decision;
}

DnsDecision CDnsRelayEngine::Handle(uint8_t* data, size_t length, const DnsPeer& source)
{
    return FromServer(source) ? HandleAnswer(data, length, source) : HandleQuery(data, length, source);
}

size_t CDnsRelayEngine::Expire()
{
    const uint32_t now = clock_.NowMs();
    size_t removed = 0;
    // The chain is in order of last forward, so the first one still young ends the walk.
    while (oldest_ != kNone && static_cast<uint32_t>(now - pool_[oldest_].time) > kDnsQueryLifetimeMs) {
        Remove(oldest_);
        ++removed;
    }
    expired_ += removed;
    return removed;
}

DnsPendingView CDnsRelayEngine::View(uint32_t slot) const
{
    const Slot& s = pool_[slot];
    DnsPendingView view;
    view.client.address = s.clientAddress;
    view.client.port = s.clientPort;
    view.clientId = s.clientId;
    view.relayId = s.relayId;
    view.time = s.time;
    return view;
}

bool CDnsRelayEngine::FindByRelayId(uint16_t relayId, DnsPendingView* view) const
{
    if (relayId >= slotOf_.size() || slotOf_[relayId] == kNone)
        return false;
    if (view != nullptr)
        *view = View(slotOf_[relayId]);
    return true;
}

bool CDnsRelayEngine::FindByClient(uint32_t clientAddress, uint16_t clientId, DnsPendingView* view) const
{
    const auto found = byClient_.find(ClientKey(clientAddress, clientId));
    if (found == byClient_.end())
        return false;
    if (view != nullptr)
        *view = View(found->second);
    return true;
}

std::vector<DnsPendingView> CDnsRelayEngine::PendingQueries() const
{
    std::vector<DnsPendingView> queries;
    for (uint32_t slot = oldest_; slot != kNone; slot = pool_[slot].newer)
        queries.push_back(View(slot));
    return queries;
}

bool CDnsRelayEngine::Consistent() const
{
    if (count_ > limit_ || byClient_.size() != count_ || pool_.size() > limit_)
        return false;
    size_t chained = 0;
    uint32_t previous = kNone;
    for (uint32_t slot = oldest_; slot != kNone; slot = pool_[slot].newer) {
        const Slot& s = pool_[slot];
        if (s.older != previous || ++chained > count_)
            return false;
        if (s.relayId >= slotOf_.size() || slotOf_[s.relayId] != slot)
            return false;
        const auto found = byClient_.find(ClientKey(s.clientAddress, s.clientId));
        if (found == byClient_.end() || found->second != slot)
            return false;
        previous = slot;
    }
    if (chained != count_ || previous != newest_)
        return false;
    // Every slot is either chained or free, and no relay id still names a free one.
    size_t freed = 0;
    for (uint32_t slot = free_; slot != kNone; slot = pool_[slot].older) {
        if (++freed > pool_.size() || (pool_[slot].relayId < slotOf_.size() && slotOf_[pool_[slot].relayId] == slot))
            return false;
    }
    return chained + freed == pool_.size();
}
