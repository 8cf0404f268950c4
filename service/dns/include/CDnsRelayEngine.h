#pragma once
// CDnsRelayEngine: the DNS relay's decisions, without sockets. A datagram and where it came from go in; what
// to do with it comes out: forward it to the DNS server, hand it to a client, or drop it and why. The id is
// rewritten in the caller's buffer, nothing else is touched, and nothing outside the datagram is read.
//
// Pending queries are kept in one slot per relay id, found in constant time both ways: by relay id (an
// answer) and by client address and client id (a repeated query). They are chained in the order they were
// last forwarded, so the expiry and the bound drop the oldest first without a search. Relay ids come from a
// 16-bit counter (first id 1, wrapping from 65535 to 0), so the table never holds more than 65 536 queries;
// when the counter comes round to an id that a pending query still holds, that older query is dropped
// first, and no answer can reach a client that did not ask it.
//
// An answer is taken only from the DNS server's address and port 53, only when it is a response, and only
// when its question is the one its query asked (DnsQuestion.h). The rest is dropped and counted by reason.
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "DnsQuestion.h"
#include "DnsWire.h"

/// Milliseconds since some start, wrapping at 2^32 (GetTickCount on Windows).
class IDnsClock {
public:
    virtual ~IDnsClock() = default;
    virtual uint32_t NowMs() = 0;
};

/// An address (network order) and a port (host order).
struct DnsPeer {
    uint32_t address = 0;
    uint16_t port = 0;
};

enum class DnsAction {
    Forward,  ///< send data[0, length) to `to` (the DNS server, its port)
    Reply,    ///< send data[0, length) to `to` (the client that asked)
    Drop,     ///< send nothing; `reason` says why
};

enum class DnsDropReason {
    None = 0,
    ShortQuery,           ///< fewer than the two id bytes
    Oversize,             ///< more than kDnsMaxDatagram bytes
    NoServer,             ///< no DNS server address is known
    AnswerWrongPort,      ///< from the server's address but not from its port (53)
    AnswerShort,          ///< shorter than a header
    AnswerNotResponse,    ///< QR clear
    AnswerUnknownId,      ///< no pending query holds its relay id (late, expired or foreign)
    AnswerWrongQuestion,  ///< its question is not its query's
    Count
};

/// One pending query as the tests and the fuzzer see it.
struct DnsPendingView {
    DnsPeer client;
    uint16_t clientId = 0;
    uint16_t relayId = 0;
    uint32_t time = 0;
};

struct DnsDecision {
    DnsAction action = DnsAction::Drop;
    DnsDropReason reason = DnsDropReason::None;
    DnsPeer to;
    /// Forward: the relay id written into the query; Reply: the relay id the answer carried.
    uint16_t relayId = 0;
    /// Forward: true when the query opened a new pending entry (false: a repeat reused its entry).
    bool newEntry = false;
};

/// The relay ids in use never exceed the id space; a smaller bound may be set.
constexpr size_t kDnsDefaultPendingLimit = kDnsRelayIdCount;

class CDnsRelayEngine {
public:
    explicit CDnsRelayEngine(IDnsClock& clock, size_t pendingLimit = kDnsDefaultPendingLimit);

    /// The DNS server's address (network order); 0: not known, every query is dropped. Queries go to
    /// `port`, and only answers from it are taken (53; the tests' servers listen elsewhere).
    void SetServer(uint32_t address, uint16_t port = kDnsPort)
    {
        server_ = address;
        serverPort_ = port;
    }
    uint32_t Server() const { return server_; }
    uint16_t ServerPort() const { return serverPort_; }

    /// True when a datagram from `source` is to be taken as an answer: it comes from the server's address
    /// (whatever its port; HandleAnswer checks that).
    bool FromServer(const DnsPeer& source) const { return server_ != 0 && source.address == server_; }

    /// A client's query in data[0, length): on Forward its first two bytes now hold the relay id.
    DnsDecision HandleQuery(uint8_t* data, size_t length, const DnsPeer& source);
    /// The server's answer in data[0, length): on Reply its first two bytes hold the client's id again and
    /// the pending query is gone.
    DnsDecision HandleAnswer(uint8_t* data, size_t length, const DnsPeer& source);
    /// HandleAnswer when FromServer(source), else HandleQuery.
    DnsDecision Handle(uint8_t* data, size_t length, const DnsPeer& source);

    /// Drops every pending query last forwarded more than kDnsQueryLifetimeMs ago. Returns how many.
    size_t Expire();

    size_t Pending() const { return count_; }
    size_t PendingLimit() const { return limit_; }
    /// The last relay id handed out (0 before the first).
    uint16_t Counter() const { return counter_; }
    /// Datagrams dropped for `reason`.
    uint64_t Dropped(DnsDropReason reason) const { return dropped_[static_cast<size_t>(reason)]; }
    /// Pending queries dropped unanswered: expired, pushed out by the bound, or whose relay id came round.
    uint64_t Expired() const { return expired_; }
    uint64_t EvictedByBound() const { return evictedByBound_; }
    uint64_t EvictedByWrap() const { return evictedByWrap_; }
    uint64_t Forwarded() const { return forwarded_; }
    uint64_t Replied() const { return replied_; }

    /// The pending query holding `relayId`, when one does.
    bool FindByRelayId(uint16_t relayId, DnsPendingView* view) const;
    /// The pending query of `client` address and `clientId`, when there is one.
    bool FindByClient(uint32_t clientAddress, uint16_t clientId, DnsPendingView* view) const;
    /// Every pending query, oldest first (for checks; linear).
    std::vector<DnsPendingView> PendingQueries() const;
    /// The two maps and the age chain agree, and the count is within the bound (for checks; linear).
    bool Consistent() const;

private:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    struct Slot {
        uint16_t relayId = 0;
        uint16_t clientId = 0;
        uint16_t clientPort = 0;
        uint32_t clientAddress = 0;
        uint32_t time = 0;
        uint32_t older = kNone;  ///< chain by last forward, towards the oldest; the free list when unused
        uint32_t newer = kNone;
        DnsQuestion question;
    };
    static uint64_t ClientKey(uint32_t address, uint16_t id) { return (uint64_t{address} << 16) | id; }
    void Unchain(uint32_t slot);
    void ChainNewest(uint32_t slot);
    /// Takes the pending query in `slot` out of both maps and the chain and frees the slot.
    void Remove(uint32_t slot);
    uint32_t NewSlot();
    DnsDecision Drop(DnsDropReason reason);
    DnsPendingView View(uint32_t slot) const;

    IDnsClock& clock_;
    size_t limit_;
    uint32_t server_ = 0;
    uint16_t serverPort_ = kDnsPort;
    uint16_t counter_ = 0;
    /// The slot of each relay id (kNone, or beyond its end: the id is free).
    std::vector<uint32_t> slotOf_;
    /// Slots, grown as the table fills and never beyond the bound; free ones are chained from free_.
    std::vector<Slot> pool_;
    uint32_t free_ = kNone;
    std::unordered_map<uint64_t, uint32_t> byClient_;
    uint32_t oldest_ = kNone;
    uint32_t newest_ = kNone;
    size_t count_ = 0;
    uint64_t dropped_[static_cast<size_t>(DnsDropReason::Count)] = {};
    uint64_t expired_ = 0;
    uint64_t evictedByBound_ = 0;
    uint64_t evictedByWrap_ = 0;
    uint64_t forwarded_ = 0;
    uint64_t replied_ = 0;
};
