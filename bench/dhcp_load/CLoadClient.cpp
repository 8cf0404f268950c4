#include "CLoadClient.h"

#include <cstring>

#include "CLoadRetransmit.h"

CLoadClient::CLoadClient(uint32_t index, const uint8_t mac[kEthernetAddressSize], const LoadClientPolicy& policy)
    : index_(index), policy_(policy)
{
    memcpy(mac_, mac, kEthernetAddressSize);
    if (policy_.tries == 0) {
        policy_.tries = 1;
    }
}

void CLoadClient::Arm(uint64_t nowUs, CLoadRandom& random)
{
    deadlineUs_ =
        nowUs + (policy_.retransmit ? RetransmitWaitUs(sent_, RetransmitJitterUs(random.Next())) : policy_.fixedWaitUs);
}

LoadClientAction CLoadClient::Discover(uint64_t nowUs, CLoadRandom& random)
{
    // A new xid per round, so that a late answer to an abandoned round is never taken for the new one.
    xid_ = random.NextXid();
    state_ = LoadClientState::Selecting;
    sent_ = 1;
    stageUs_ = nowUs;
    address_ = server_ = 0;
    Arm(nowUs, random);
    return LoadClientAction::SendDiscover;
}

LoadClientAction CLoadClient::Start(uint64_t nowUs, CLoadRandom& random)
{
    startedUs_ = nowUs;
    return Discover(nowUs, random);
}

LoadClientAction CLoadClient::Restart(uint64_t nowUs, CLoadRandom& random, bool afterNak)
{
    if (nakRestarts_ + timeoutRestarts_ >= policy_.maxRestarts) {
        state_ = LoadClientState::Failed;
        failure_ = afterNak ? LoadClientFailure::Nak : LoadClientFailure::AckTimeout;
        return LoadClientAction::None;
    }
    ++(afterNak ? nakRestarts_ : timeoutRestarts_);
    return Discover(nowUs, random);
}

bool CLoadClient::Wants(const CLoadReply& reply) const
{
    if (!Waiting() || reply.xid != xid_ || !reply.IsFor(mac_)) {
        return false;
    }
    switch (reply.type) {
    case kLoadOffer:
        return state_ == LoadClientState::Selecting;
    case kLoadAck:
        return state_ == LoadClientState::Requesting;
    case kLoadNak:
        return true;
    default:
        return false;
    }
}

LoadClientAction CLoadClient::OnReply(const CLoadReply& reply, uint64_t nowUs, CLoadRandom& random)
{
    if (!Wants(reply)) {
        return LoadClientAction::None;
    }
    if (reply.type == kLoadNak) {
        return Restart(nowUs, random, true);
    }
    // A reply without option 54 names its server only in siaddr.
    const uint32_t server = reply.hasServerId ? reply.serverId : reply.siaddr;
    if (reply.type == kLoadOffer) {
        offerUs_ = nowUs - stageUs_;
        address_ = reply.yiaddr;
        server_ = server;
        state_ = LoadClientState::Requesting;
        sent_ = 1;
        stageUs_ = nowUs;
        Arm(nowUs, random);
        return LoadClientAction::SendRequest;
    }
    ackUs_ = nowUs - stageUs_;
    boundUs_ = nowUs;
    address_ = reply.yiaddr;
    server_ = server;
    leaseSeconds_ = reply.leaseTime;
    state_ = LoadClientState::Bound;
    return LoadClientAction::None;
}

LoadClientAction CLoadClient::OnTimer(uint64_t nowUs, CLoadRandom& random)
{
    if (!Waiting() || nowUs < deadlineUs_) {
        return LoadClientAction::None;
    }
    const bool selecting = state_ == LoadClientState::Selecting;
    if (policy_.retransmit && sent_ < policy_.tries) {
        ++sent_;
        ++(selecting ? discoverRetransmits_ : requestRetransmits_);
        Arm(nowUs, random);
        return selecting ? LoadClientAction::SendDiscover : LoadClientAction::SendRequest;
    }
    if (selecting) {
        state_ = LoadClientState::Failed;
        failure_ = LoadClientFailure::OfferTimeout;
        return LoadClientAction::None;
    }
    if (!policy_.retransmit) {
        // One transmission each and a fixed wait: an unanswered REQUEST ends the client, as before
        // retransmission existed, so that the single-shot figures keep their meaning.
        state_ = LoadClientState::Failed;
        failure_ = LoadClientFailure::AckTimeout;
        return LoadClientAction::None;
    }
    return Restart(nowUs, random, false);
}

void CLoadClient::OnSendError()
{
    state_ = LoadClientState::Failed;
    failure_ = LoadClientFailure::SendError;
}
