#pragma once
// CLoadRunner: the three loads of dhcp_load over one CLoadSocket.
//   new    N clients never seen before, each through DISCOVER -> OFFER -> REQUEST -> ACK, W at a time;
//          the latency of every exchange and of its two halves. A NAK sends the client back to its
//          DISCOVER (a few times at most), and its exchange counts from the first DISCOVER.
//   renew  K clients leased first (as in new), their addresses put on the interface, then N renewals,
//          each client keeping one in flight (and, with an interval, renewing at most that often):
//          renewals per second and their latency.
//   reboot N new clients at once (a power cut), each retransmitting its DISCOVER and REQUEST on the RFC
//          2131 waits: how many were leased by each second, when the last one was, the exchange times.
//   flood  DISCOVERs from random hardware addresses for a number of seconds, at a rate or as fast as the
//          socket takes them, never taking an offer: what was sent and what came back.
// Every line printed starts with "dhcp_load " and is a list of key=value pairs.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "CLoadClient.h"
#include "CLoadMessage.h"
#include "CLoadOptions.h"
#include "CLoadRandom.h"
#include "CLoadReply.h"
#include "CLoadSocket.h"
#include "CLoadStats.h"

class CLoadRunner {
public:
    /// `stop` is set by a signal handler; the run then ends as if its deadline had come.
    CLoadRunner(const CLoadOptions& options, CLoadSocket& socket, FILE* out, const volatile sig_atomic_t* stop);

    /// 0 when every exchange or renewal was answered as hoped (a flood: when it ran its time), 1 when some
    /// were not, 2 when the run could not be set up.
    int Run();

private:
    struct LeasedClient {
        uint8_t mac[kEthernetAddressSize];
        uint32_t address;
        uint32_t server;
        uint32_t leaseSeconds;
    };

    // Outcome counts of a lease phase, beside the leased clients themselves.
    struct LeaseTally {
        uint32_t ok = 0, nak = 0, restarts = 0, offerTimeout = 0, ackTimeout = 0, sendErrors = 0, unfinished = 0;
        uint32_t discoverRetransmits = 0, requestRetransmits = 0, timeoutRestarts = 0;
        uint64_t elapsedUs = 0;
        CLoadStats exchange, offer, ack;
        std::vector<uint64_t> boundOffsetsUs;  // when each client was bound, from the phase's start
    };

    int RunNew();
    int RunRenew();
    int RunFlood();
    int RunReboot();

    void LeaseClients(uint32_t count, std::vector<LeasedClient>* leased, LeaseTally* tally);
    void PrintLeasePhase(const char* mode, const char* phase, uint32_t count, const LeaseTally& tally);
    void ReleaseAll(const std::vector<LeasedClient>& leased, bool fromLeasedAddress);

    // Takes one datagram in, parsed; false when it is no well-formed reply (counted).
    bool Accept(const uint8_t* bytes, long length, CLoadReply* reply);
    void Capture(const uint8_t* bytes, size_t length, uint8_t type);
    bool OutOfTime() const;
    const char* StopReason() const;
    void Line(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const CLoadOptions& options_;
    CLoadSocket& socket_;
    FILE* out_;
    const volatile sig_atomic_t* stop_;
    CLoadRandom random_;
    uint16_t runTag_;
    uint64_t deadlineUs_ = 0;
    uint32_t nextClient_ = 0;
    uint32_t badReplies_ = 0;
    uint32_t ignoredReplies_ = 0;
    uint32_t captured_ = 0;
    CLoadMessage message_;
    uint8_t buffer_[kLoadReceiveCapacity];
};
