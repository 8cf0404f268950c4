#pragma once
// CLoadClient: one simulated client taking a lease, as a state machine without socket or clock: the runner
// hands it the time, the replies meant for it and its timer, and sends whatever it asks for.
//
//   Selecting   DISCOVER sent; an OFFER makes it send the REQUEST for the offered address
//   Requesting  REQUEST sent; the ACK binds it
//   Bound       leased (address, server, lease time, and how long each half of the exchange took)
//   Failed      gave up (see FailReason)
//
// Silence: with retransmission on, the same message goes out again (same xid) after the RFC 2131 waits
// (CLoadRetransmit), at most `tries` times; a DISCOVER still unanswered then fails the client, a REQUEST
// still unanswered sends it back to a fresh DISCOVER (RFC 2131 section 3.1, step 5), a bounded number of
// times. With it off, each message goes out once and the client fails after one fixed wait.
// A NAK sends it back to a fresh DISCOVER too, within the same bound. The exchange's time counts from the
// very first DISCOVER, so retransmissions and restarts show in it.
#include <cstdint>

#include "CLoadRandom.h"
#include "CLoadReply.h"
#include "DhcpLoadWire.h"

struct LoadClientPolicy {
    bool retransmit = false;       // RFC 2131 backoff; else one transmission and `fixedWaitUs`
    uint32_t tries = 1;            // transmissions of each DISCOVER and REQUEST (retransmit on)
    uint64_t fixedWaitUs = 10000000;
    uint32_t maxRestarts = 3;      // fresh DISCOVERs after a NAK or an unanswered REQUEST
};

enum class LoadClientState { Idle, Selecting, Requesting, Bound, Failed };
enum class LoadClientAction { None, SendDiscover, SendRequest };
enum class LoadClientFailure { None, OfferTimeout, AckTimeout, Nak, SendError };

class CLoadClient {
public:
    CLoadClient(uint32_t index, const uint8_t mac[kEthernetAddressSize], const LoadClientPolicy& policy);

    /// The first DISCOVER, at `nowUs`.
    LoadClientAction Start(uint64_t nowUs, CLoadRandom& random);
    /// True when `reply` is an answer this client waits for now: its xid and chaddr, a type its state takes.
    bool Wants(const CLoadReply& reply) const;
    /// A reply for which Wants() was true.
    LoadClientAction OnReply(const CLoadReply& reply, uint64_t nowUs, CLoadRandom& random);
    /// The timer, at or after DeadlineUs(): a retransmission, a restart or a failure.
    LoadClientAction OnTimer(uint64_t nowUs, CLoadRandom& random);
    /// The system refused the datagram just asked for: the client gives up.
    void OnSendError();

    LoadClientState State() const { return m_state; }
    bool Waiting() const { return m_state == LoadClientState::Selecting || m_state == LoadClientState::Requesting; }
    /// When OnTimer is due (only while Waiting).
    uint64_t DeadlineUs() const { return m_deadlineUs; }
    LoadClientFailure FailReason() const { return m_failure; }

    uint32_t Index() const { return m_index; }
    const uint8_t* Mac() const { return m_mac; }
    uint32_t Xid() const { return m_xid; }
    /// The offer being requested (Requesting) or the lease (Bound), host order.
    uint32_t Address() const { return m_address; }
    uint32_t Server() const { return m_server; }
    uint32_t LeaseSeconds() const { return m_leaseSeconds; }

    uint64_t StartedUs() const { return m_startedUs; }
    /// From the first DISCOVER of the last round to its OFFER; from the first REQUEST to the ACK; from the
    /// very first DISCOVER to the ACK, and the moment of the ACK.
    uint64_t OfferUs() const { return m_offerUs; }
    uint64_t AckUs() const { return m_ackUs; }
    uint64_t ExchangeUs() const { return m_boundUs - m_startedUs; }
    uint64_t BoundUs() const { return m_boundUs; }

    uint32_t DiscoverRetransmits() const { return m_discoverRetransmits; }
    uint32_t RequestRetransmits() const { return m_requestRetransmits; }
    uint32_t NakRestarts() const { return m_nakRestarts; }
    uint32_t TimeoutRestarts() const { return m_timeoutRestarts; }

private:
    LoadClientAction Discover(uint64_t nowUs, CLoadRandom& random);
    LoadClientAction Restart(uint64_t nowUs, CLoadRandom& random, bool afterNak);
    void Arm(uint64_t nowUs, CLoadRandom& random);

    uint32_t m_index;
    uint8_t m_mac[kEthernetAddressSize];
    LoadClientPolicy m_policy;
    LoadClientState m_state = LoadClientState::Idle;
    LoadClientFailure m_failure = LoadClientFailure::None;
    uint32_t m_xid = 0;
    uint32_t m_sent = 0;  // transmissions of the message in hand
    uint64_t m_deadlineUs = 0;
    uint64_t m_startedUs = 0, m_stageUs = 0, m_offerUs = 0, m_ackUs = 0, m_boundUs = 0;
    uint32_t m_address = 0, m_server = 0, m_leaseSeconds = 0;
    uint32_t m_discoverRetransmits = 0, m_requestRetransmits = 0, m_nakRestarts = 0, m_timeoutRestarts = 0;
};
