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
    bool retransmit = false;  // RFC 2131 backoff; else one transmission and `fixedWaitUs`
    uint32_t tries = 1;       // transmissions of each DISCOVER and REQUEST (retransmit on)
    uint64_t fixedWaitUs = 10000000;
    uint32_t maxRestarts = 3;  // fresh DISCOVERs after a NAK or an unanswered REQUEST
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

    LoadClientState State() const { return state_; }
    bool Waiting() const { return state_ == LoadClientState::Selecting || state_ == LoadClientState::Requesting; }
    /// When OnTimer is due (only while Waiting).
    uint64_t DeadlineUs() const { return deadlineUs_; }
    LoadClientFailure FailReason() const { return failure_; }

    uint32_t Index() const { return index_; }
    const uint8_t* Mac() const { return mac_; }
    uint32_t Xid() const { return xid_; }
    /// The offer being requested (Requesting) or the lease (Bound), host order.
    uint32_t Address() const { return address_; }
    uint32_t Server() const { return server_; }
    uint32_t LeaseSeconds() const { return leaseSeconds_; }

    uint64_t StartedUs() const { return startedUs_; }
    /// From the first DISCOVER of the last round to its OFFER; from the first REQUEST to the ACK; from the
    /// very first DISCOVER to the ACK, and the moment of the ACK.
    uint64_t OfferUs() const { return offerUs_; }
    uint64_t AckUs() const { return ackUs_; }
    uint64_t ExchangeUs() const { return boundUs_ - startedUs_; }
    uint64_t BoundUs() const { return boundUs_; }

    uint32_t DiscoverRetransmits() const { return discoverRetransmits_; }
    uint32_t RequestRetransmits() const { return requestRetransmits_; }
    uint32_t NakRestarts() const { return nakRestarts_; }
    uint32_t TimeoutRestarts() const { return timeoutRestarts_; }

private:
    LoadClientAction Discover(uint64_t nowUs, CLoadRandom& random);
    LoadClientAction Restart(uint64_t nowUs, CLoadRandom& random, bool afterNak);
    void Arm(uint64_t nowUs, CLoadRandom& random);

    uint32_t index_;
    uint8_t mac_[kEthernetAddressSize];
    LoadClientPolicy policy_;
    LoadClientState state_ = LoadClientState::Idle;
    LoadClientFailure failure_ = LoadClientFailure::None;
    uint32_t xid_ = 0;
    uint32_t sent_ = 0;  // transmissions of the message in hand
    uint64_t deadlineUs_ = 0;
    uint64_t startedUs_ = 0, stageUs_ = 0, offerUs_ = 0, ackUs_ = 0, boundUs_ = 0;
    uint32_t address_ = 0, server_ = 0, leaseSeconds_ = 0;
    uint32_t discoverRetransmits_ = 0, requestRetransmits_ = 0, nakRestarts_ = 0, timeoutRestarts_ = 0;
};
