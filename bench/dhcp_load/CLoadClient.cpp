#include "CLoadClient.h"

#include <cstring>

#include "CLoadRetransmit.h"

CLoadClient::CLoadClient(uint32_t index, const uint8_t mac[kEthernetAddressSize], const LoadClientPolicy& policy)
    : m_index(index), m_policy(policy)
{
    memcpy(m_mac, mac, kEthernetAddressSize);
    if (m_policy.tries == 0) {
        m_policy.tries = 1;
    }
}

void CLoadClient::Arm(uint64_t nowUs, CLoadRandom& random)
{
    m_deadlineUs = nowUs + (m_policy.retransmit ? RetransmitWaitUs(m_sent, RetransmitJitterUs(random.Next()))
                                                : m_policy.fixedWaitUs);
}

LoadClientAction CLoadClient::Discover(uint64_t nowUs, CLoadRandom& random)
{
    // A new xid per round, so that a late answer to an abandoned round is never taken for the new one.
    m_xid = random.NextXid();
    m_state = LoadClientState::Selecting;
    m_sent = 1;
    m_stageUs = nowUs;
    m_address = m_server = 0;
    Arm(nowUs, random);
    return LoadClientAction::SendDiscover;
}

LoadClientAction CLoadClient::Start(uint64_t nowUs, CLoadRandom& random)
{
    m_startedUs = nowUs;
    return Discover(nowUs, random);
}

LoadClientAction CLoadClient::Restart(uint64_t nowUs, CLoadRandom& random, bool afterNak)
{
    if (m_nakRestarts + m_timeoutRestarts >= m_policy.maxRestarts) {
        m_state = LoadClientState::Failed;
        m_failure = afterNak ? LoadClientFailure::Nak : LoadClientFailure::AckTimeout;
        return LoadClientAction::None;
    }
    ++(afterNak ? m_nakRestarts : m_timeoutRestarts);
    return Discover(nowUs, random);
}

bool CLoadClient::Wants(const CLoadReply& reply) const
{
    if (!Waiting() || reply.xid != m_xid || !reply.IsFor(m_mac)) {
        return false;
    }
    switch (reply.type) {
    case kLoadOffer: return m_state == LoadClientState::Selecting;
    case kLoadAck: return m_state == LoadClientState::Requesting;
    case kLoadNak: return true;
    default: return false;
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
        m_offerUs = nowUs - m_stageUs;
        m_address = reply.yiaddr;
        m_server = server;
        m_state = LoadClientState::Requesting;
        m_sent = 1;
        m_stageUs = nowUs;
        Arm(nowUs, random);
        return LoadClientAction::SendRequest;
    }
    m_ackUs = nowUs - m_stageUs;
    m_boundUs = nowUs;
    m_address = reply.yiaddr;
    m_server = server;
    m_leaseSeconds = reply.leaseTime;
    m_state = LoadClientState::Bound;
    return LoadClientAction::None;
}

LoadClientAction CLoadClient::OnTimer(uint64_t nowUs, CLoadRandom& random)
{
    if (!Waiting() || nowUs < m_deadlineUs) {
        return LoadClientAction::None;
    }
    const bool selecting = m_state == LoadClientState::Selecting;
    if (m_policy.retransmit && m_sent < m_policy.tries) {
        ++m_sent;
        ++(selecting ? m_discoverRetransmits : m_requestRetransmits);
        Arm(nowUs, random);
        return selecting ? LoadClientAction::SendDiscover : LoadClientAction::SendRequest;
    }
    if (selecting) {
        m_state = LoadClientState::Failed;
        m_failure = LoadClientFailure::OfferTimeout;
        return LoadClientAction::None;
    }
    if (!m_policy.retransmit) {
        // One transmission each and a fixed wait: an unanswered REQUEST ends the client, as before
        // retransmission existed, so that the single-shot figures keep their meaning.
        m_state = LoadClientState::Failed;
        m_failure = LoadClientFailure::AckTimeout;
        return LoadClientAction::None;
    }
    return Restart(nowUs, random, false);
}

void CLoadClient::OnSendError()
{
    m_state = LoadClientState::Failed;
    m_failure = LoadClientFailure::SendError;
}
