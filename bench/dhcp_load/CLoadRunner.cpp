#include "CLoadRunner.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <string>

#include "CArpAnnounce.h"
#include "CInterfaceAddresses.h"
#include "CLoadTimeline.h"
#include "LoadClock.h"

namespace {

constexpr uint64_t kUsPerMs = kLoadUsPerMs;
constexpr uint64_t kUsPerSecond = kLoadUsPerSecond;
// A flood sends this many DISCOVERs between two looks at the answers.
constexpr uint32_t kFloodBatch = 64;
// Answers taken in at most per look during a flood, so that sending goes on under a stream of them.
constexpr uint32_t kFloodDrain = 256;
// A paced flood sleeps in the receive wait only when the next DISCOVER is at least this far away;
// closer than that it keeps looking at the socket without waiting, so the pace holds at high rates.
constexpr uint64_t kFloodSleepThresholdUs = 2000;
// A client refused this often in one exchange gives up: the server refuses it for a reason of its own.
constexpr uint32_t kMaxNakRestarts = 3;
// Every reply of a run may be kept, up to this many files: enough for fuzz seeds, never a flood's worth.
constexpr uint32_t kMaxCaptures = 64;

std::string Dotted(uint32_t address)
{
    char text[16];
    snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
             address & 0xFF);
    return text;
}

std::string MacText(const uint8_t mac[kEthernetAddressSize])
{
    char text[18];
    snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    return text;
}

const char* TypeName(uint8_t type)
{
    switch (type) {
    case kLoadOffer:
        return "offer";
    case kLoadAck:
        return "ack";
    case kLoadNak:
        return "nak";
    default:
        return "other";
    }
}

double Ms(uint64_t microseconds)
{
    return static_cast<double>(microseconds) / kUsPerMs;
}

double PerSecond(uint64_t count, uint64_t microseconds)
{
    return microseconds == 0 ? 0.0 : static_cast<double>(count) * kUsPerSecond / static_cast<double>(microseconds);
}

// Milliseconds for poll until `whenUs`, rounded up so that a wait never ends just short of it.
int WaitMs(uint64_t nowUs, uint64_t whenUs)
{
    if (whenUs <= nowUs) {
        return 0;
    }
    return static_cast<int>((whenUs - nowUs + kUsPerMs - 1) / kUsPerMs);
}

uint64_t DefaultSeed()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * kUsPerSecond * kUsPerMs + static_cast<uint64_t>(now.tv_nsec);
}

}  // namespace

CLoadRunner::CLoadRunner(const CLoadOptions& options, CLoadSocket& socket, FILE* out, const volatile sig_atomic_t* stop)
    : options_(options),
      socket_(socket),
      out_(out),
      stop_(stop),
      random_(options.seedGiven ? options.seed : DefaultSeed()),
      runTag_(static_cast<uint16_t>(random_.Next()))
{}

void CLoadRunner::Line(const char* format, ...)
{
    fputs("dhcp_load ", out_);
    va_list args;
    va_start(args, format);
    vfprintf(out_, format, args);
    va_end(args);
    fputc('\n', out_);
    fflush(out_);
}

bool CLoadRunner::OutOfTime() const
{
    return *stop_ != 0 || LoadNowUs() >= deadlineUs_;
}

const char* CLoadRunner::StopReason() const
{
    if (*stop_ != 0) {
        return "signal";
    }
    return LoadNowUs() >= deadlineUs_ ? "deadline" : "done";
}

void CLoadRunner::Capture(const uint8_t* bytes, size_t length, uint8_t type)
{
    if (options_.capture.empty() || captured_ >= kMaxCaptures) {
        return;
    }
    ++captured_;
    char name[32];
    snprintf(name, sizeof name, "/%04u-%s.bin", captured_, TypeName(type));
    const std::string path = options_.capture + name;
    if (FILE* file = fopen(path.c_str(), "wb")) {
        fwrite(bytes, 1, length, file);
        fclose(file);
    }
}

bool CLoadRunner::Accept(const uint8_t* bytes, long length, CLoadReply* reply)
{
    if (reply->Parse(bytes, static_cast<size_t>(length)) != LoadReplyStatus::Ok) {
        ++badReplies_;
        return false;
    }
    Capture(bytes, static_cast<size_t>(length), reply->type);
    return true;
}

int CLoadRunner::Run()
{
    deadlineUs_ = LoadNowUs() + static_cast<uint64_t>(options_.deadlineSeconds) * kUsPerSecond;
    switch (options_.mode) {
    case LoadMode::New:
        return RunNew();
    case LoadMode::Renew:
        return RunRenew();
    case LoadMode::Reboot:
        return RunReboot();
    case LoadMode::Flood:
        return RunFlood();
    case LoadMode::None:
        break;
    }
    return 2;
}

// ------------------------------------------------------------------------------------------ leasing
void CLoadRunner::LeaseClients(uint32_t count, std::vector<LeasedClient>* leased, LeaseTally* tally)
{
    LoadClientPolicy policy;
    policy.retransmit = options_.tries != 0;
    policy.tries = policy.retransmit ? options_.tries : 1;
    policy.fixedWaitUs = static_cast<uint64_t>(options_.timeoutMs) * kUsPerMs;
    policy.maxRestarts = kMaxNakRestarts;
    std::vector<CLoadClient> inFlight;
    inFlight.reserve(options_.window);
    uint32_t started = 0;
    const uint64_t beginUs = LoadNowUs();
    CLoadReply reply;

    // Sends what the client asked for; a refused datagram ends the client.
    auto act = [&](CLoadClient& client, LoadClientAction action) {
        if (action == LoadClientAction::None) {
            return;
        }
        if (action == LoadClientAction::SendDiscover) {
            message_.Discover(client.Mac(), client.Xid());
        } else {
            message_.Select(client.Mac(), client.Xid(), client.Address(), client.Server());
        }
        if (!socket_.SendBroadcast(message_.Bytes(), message_.Length())) {
            ++tally->sendErrors;
            client.OnSendError();
        }
    };
    // Counts a client that has finished, bound or not; false while it still waits.
    auto settle = [&](const CLoadClient& client) {
        if (client.Waiting()) {
            return false;
        }
        tally->discoverRetransmits += client.DiscoverRetransmits();
        tally->requestRetransmits += client.RequestRetransmits();
        tally->restarts += client.NakRestarts();
        tally->timeoutRestarts += client.TimeoutRestarts();
        switch (client.FailReason()) {
        case LoadClientFailure::None:
            break;
        case LoadClientFailure::OfferTimeout:
            ++tally->offerTimeout;
            return true;
        case LoadClientFailure::AckTimeout:
            ++tally->ackTimeout;
            return true;
        case LoadClientFailure::Nak:
            ++tally->nak;
            return true;
        case LoadClientFailure::SendError:
            return true;  // counted when the send failed
        }
        tally->offer.Add(client.OfferUs());
        tally->ack.Add(client.AckUs());
        tally->exchange.Add(client.ExchangeUs());
        tally->boundOffsetsUs.push_back(client.BoundUs() - beginUs);
        ++tally->ok;
        LeasedClient bound{};
        memcpy(bound.mac, client.Mac(), kEthernetAddressSize);
        bound.address = client.Address();
        bound.server = client.Server();
        bound.leaseSeconds = client.LeaseSeconds();
        leased->push_back(bound);
        if (options_.detail) {
            Line("lease index=%u mac=%s address=%s server=%s lease_s=%u offer_ms=%.3f ack_ms=%.3f "
                 "exchange_ms=%.3f nak_restarts=%u discover_retransmits=%u request_retransmits=%u "
                 "timeout_restarts=%u bound_at_ms=%.3f",
                 client.Index(), MacText(client.Mac()).c_str(), Dotted(bound.address).c_str(),
                 Dotted(bound.server).c_str(), bound.leaseSeconds, Ms(client.OfferUs()), Ms(client.AckUs()),
                 Ms(client.ExchangeUs()), client.NakRestarts(), client.DiscoverRetransmits(),
                 client.RequestRetransmits(), client.TimeoutRestarts(), Ms(client.BoundUs() - beginUs));
        }
        return true;
    };
    auto sweep = [&]() { inFlight.erase(std::remove_if(inFlight.begin(), inFlight.end(), settle), inFlight.end()); };

    while ((started < count || !inFlight.empty()) && !OutOfTime()) {
        // A mass start sends every first DISCOVER here, back to back, before looking at any answer.
        while (inFlight.size() < options_.window && started < count) {
            uint8_t mac[kEthernetAddressSize];
            CLoadRandom::ClientMac(runTag_, nextClient_, mac);
            inFlight.emplace_back(nextClient_++, mac, policy);
            ++started;
            act(inFlight.back(), inFlight.back().Start(LoadNowUs(), random_));
            sweep();
        }
        uint64_t nextDeadlineUs = deadlineUs_;
        for (const CLoadClient& client : inFlight) {
            nextDeadlineUs = std::min(nextDeadlineUs, client.DeadlineUs());
        }
        const long got =
            inFlight.empty() ? 0 : socket_.Receive(buffer_, sizeof buffer_, WaitMs(LoadNowUs(), nextDeadlineUs));
        const uint64_t nowUs = LoadNowUs();
        if (got > 0 && Accept(buffer_, got, &reply)) {
            auto match = std::find_if(inFlight.begin(), inFlight.end(),
                                      [&](const CLoadClient& client) { return client.Wants(reply); });
            if (match == inFlight.end()) {
                ++ignoredReplies_;  // a second OFFER, a late answer to an abandoned round, another client's
            } else {
                act(*match, match->OnReply(reply, nowUs, random_));
            }
        }
        for (CLoadClient& client : inFlight) {
            if (client.Waiting() && nowUs >= client.DeadlineUs()) {
                act(client, client.OnTimer(nowUs, random_));
            }
        }
        sweep();
    }
    for (const CLoadClient& client : inFlight) {
        tally->discoverRetransmits += client.DiscoverRetransmits();
        tally->requestRetransmits += client.RequestRetransmits();
    }
    tally->unfinished = static_cast<uint32_t>(inFlight.size()) + (count - started);
    tally->elapsedUs = LoadNowUs() - beginUs;
}

void CLoadRunner::PrintLeasePhase(const char* mode, const char* phase, uint32_t count, const LeaseTally& tally)
{
    Line("mode=%s phase=%s iface=%s seed_tag=%04x clients=%u window=%u ok=%u nak=%u nak_restarts=%u "
         "offer_timeout=%u ack_timeout=%u send_errors=%u unfinished=%u elapsed_ms=%.3f exchanges_per_s=%.3f "
         "tries=%u discover_retransmits=%u request_retransmits=%u timeout_restarts=%u stopped=%s",
         mode, phase, options_.interface.c_str(), runTag_, count, options_.window, tally.ok, tally.nak, tally.restarts,
         tally.offerTimeout, tally.ackTimeout, tally.sendErrors, tally.unfinished, Ms(tally.elapsedUs),
         PerSecond(tally.ok, tally.elapsedUs), options_.tries, tally.discoverRetransmits, tally.requestRetransmits,
         tally.timeoutRestarts, StopReason());
    Line("%s", FormatLatency("exchange", tally.exchange.Summary()).c_str());
    Line("%s", FormatLatency("offer", tally.offer.Summary()).c_str());
    Line("%s", FormatLatency("ack", tally.ack.Summary()).c_str());
}

void CLoadRunner::ReleaseAll(const std::vector<LeasedClient>& leased, bool fromLeasedAddress)
{
    uint32_t sent = 0;
    for (const LeasedClient& client : leased) {
        message_.Release(client.mac, random_.NextXid(), client.address, client.server);
        // Without the address on the interface the RELEASE leaves from 0.0.0.0; servers go by ciaddr.
        if (socket_.SendUnicast(message_.Bytes(), message_.Length(), client.server,
                                fromLeasedAddress ? client.address : 0)) {
            ++sent;
        }
    }
    Line("released=%u of=%zu", sent, leased.size());
}

int CLoadRunner::RunNew()
{
    std::vector<LeasedClient> leased;
    LeaseTally tally;
    LeaseClients(options_.count, &leased, &tally);
    PrintLeasePhase("new", "lease", options_.count, tally);
    Line("replies bad=%u ignored=%u", badReplies_, ignoredReplies_);
    if (options_.release) {
        ReleaseAll(leased, false);
    }
    return tally.ok == options_.count ? 0 : 1;
}

// ------------------------------------------------------------------------------------------ mass reboot
int CLoadRunner::RunReboot()
{
    std::vector<LeasedClient> leased;
    LeaseTally tally;
    LeaseClients(options_.count, &leased, &tally);
    PrintLeasePhase("reboot", "lease", options_.count, tally);
    // One line per second up to the last lease, or to the end of the run when some never got one: the
    // curve that shows whether the server keeps up or leases in waves behind the clients' retransmissions.
    const uint32_t runSeconds = static_cast<uint32_t>((tally.elapsedUs + kUsPerSecond - 1) / kUsPerSecond);
    const uint32_t seconds = tally.ok == options_.count ? SecondsSpanned(tally.boundOffsetsUs) : runSeconds;
    const std::vector<uint32_t> bySecond = LeasedBySecond(tally.boundOffsetsUs, seconds);
    for (uint32_t s = 0; s < seconds; ++s) {
        Line("reboot_second=%u leased=%u", s + 1, bySecond[s]);
    }
    uint64_t firstUs = 0, lastUs = 0;
    if (!tally.boundOffsetsUs.empty()) {
        firstUs = *std::min_element(tally.boundOffsetsUs.begin(), tally.boundOffsetsUs.end());
        lastUs = *std::max_element(tally.boundOffsetsUs.begin(), tally.boundOffsetsUs.end());
    }
    char all[32] = "none";
    if (tally.ok == options_.count) {
        snprintf(all, sizeof all, "%.3f", Ms(lastUs));
    }
    Line("mode=reboot summary clients=%u leased=%u all_leased_ms=%s first_leased_ms=%.3f last_leased_ms=%.3f "
         "tries=%u stopped=%s",
         options_.count, tally.ok, all, Ms(firstUs), Ms(lastUs), options_.tries, StopReason());
    Line("replies bad=%u ignored=%u", badReplies_, ignoredReplies_);
    if (options_.release) {
        ReleaseAll(leased, false);
    }
    return tally.ok == options_.count ? 0 : 1;
}

// ------------------------------------------------------------------------------------------ renewing
int CLoadRunner::RunRenew()
{
    std::vector<LeasedClient> leased;
    LeaseTally tally;
    LeaseClients(options_.clients, &leased, &tally);
    PrintLeasePhase("renew", "lease", options_.clients, tally);
    if (leased.empty()) {
        Line("mode=renew phase=renew renewals=0 error=no_client_leased");
        return 1;
    }

    CInterfaceAddresses addresses(socket_.InterfaceIndex());
    CArpAnnounce announce;
    std::string error;
    if (!announce.Open(options_.interface, &error)) {
        Line("mode=renew phase=renew renewals=0 error=\"%s\"", error.c_str());
        return 2;
    }
    for (const LeasedClient& client : leased) {
        if (!addresses.Add(client.address, &error)) {
            Line("mode=renew phase=renew renewals=0 error=\"%s\"", error.c_str());
            return 2;
        }
        announce.Announce(client.address);
    }

    if (options_.holdMs != 0) {
        // Counters outside (the server's fsyncs, the disk's writes) start now and must see the
        // renewals only, not the leases before them.
        Line("mode=renew phase=hold ms=%u", options_.holdMs);
        const uint64_t holdEndUs =
            std::min(deadlineUs_, LoadNowUs() + static_cast<uint64_t>(options_.holdMs) * kUsPerMs);
        for (uint64_t nowUs = LoadNowUs(); nowUs < holdEndUs && *stop_ == 0; nowUs = LoadNowUs()) {
            socket_.Receive(buffer_, sizeof buffer_, WaitMs(nowUs, holdEndUs));  // late answers, dropped
        }
    }

    struct Pending {
        bool busy;
        uint32_t xid;
        uint64_t sentUs;
        uint64_t readyUs;  // its next renewal not before this
    };
    std::vector<Pending> pending(leased.size(), Pending{false, 0, 0, 0});
    // A server that writes its lease file only when a lease's expiry second changes pays nothing for the
    // same client renewing twice within a second; the interval lets the load cost every server a write.
    const uint64_t intervalUs = static_cast<uint64_t>(options_.renewIntervalMs) * kUsPerMs;
    const uint64_t timeoutUs = static_cast<uint64_t>(options_.timeoutMs) * kUsPerMs;
    uint32_t sent = 0, ok = 0, nak = 0, timeouts = 0, sendErrors = 0;
    size_t next = 0;  // the client whose turn it is to renew
    size_t busy = 0;
    CLoadStats latency;
    CLoadReply reply;
    const uint64_t beginUs = LoadNowUs();

    while ((sent < options_.count || busy > 0) && !OutOfTime()) {
        // Every idle client renews once more, in turn, while renewals are left to send.
        const uint64_t roundUs = LoadNowUs();
        for (size_t tried = 0; tried < pending.size() && sent < options_.count; ++tried) {
            const size_t i = next;
            next = (next + 1) % pending.size();
            if (pending[i].busy || roundUs < pending[i].readyUs) {
                continue;
            }
            pending[i].xid = random_.NextXid();
            message_.Renew(leased[i].mac, pending[i].xid, leased[i].address);
            ++sent;
            pending[i].sentUs = LoadNowUs();
            pending[i].readyUs = pending[i].sentUs + intervalUs;
            if (!socket_.SendUnicast(message_.Bytes(), message_.Length(), leased[i].server, leased[i].address)) {
                ++sendErrors;
                continue;
            }
            pending[i].busy = true;
            ++busy;
        }
        uint64_t nextTimeoutUs = deadlineUs_;
        for (const Pending& p : pending) {
            if (p.busy) {
                nextTimeoutUs = std::min(nextTimeoutUs, p.sentUs + timeoutUs);
            } else if (sent < options_.count) {
                nextTimeoutUs = std::min(nextTimeoutUs, p.readyUs);  // its next renewal is due then
            }
        }
        const bool waitForAny = busy > 0 || (intervalUs != 0 && sent < options_.count);
        const long got = !waitForAny ? 0 : socket_.Receive(buffer_, sizeof buffer_, WaitMs(LoadNowUs(), nextTimeoutUs));
        const uint64_t nowUs = LoadNowUs();
        if (got > 0 && Accept(buffer_, got, &reply)) {
            size_t i = 0;
            while (i < pending.size() &&
                   !(pending[i].busy && pending[i].xid == reply.xid && reply.IsFor(leased[i].mac))) {
                ++i;
            }
            if (i == pending.size() || (reply.type != kLoadAck && reply.type != kLoadNak)) {
                ++ignoredReplies_;
            } else {
                if (reply.type == kLoadAck) {
                    ++ok;
                    latency.Add(nowUs - pending[i].sentUs);
                } else {
                    ++nak;
                }
                pending[i].busy = false;
                --busy;
            }
        }
        for (Pending& p : pending) {
            if (p.busy && nowUs >= p.sentUs + timeoutUs) {
                p.busy = false;
                --busy;
                ++timeouts;
            }
        }
    }
    const uint64_t elapsedUs = LoadNowUs() - beginUs;
    Line("mode=renew phase=renew iface=%s clients=%zu renewals=%u sent=%u ok=%u nak=%u timeout=%u send_errors=%u "
         "unfinished=%u elapsed_ms=%.3f renewals_per_s=%.3f renew_interval_ms=%u stopped=%s",
         options_.interface.c_str(), leased.size(), options_.count, sent, ok, nak, timeouts, sendErrors,
         static_cast<uint32_t>(busy) + (options_.count - sent), Ms(elapsedUs), PerSecond(ok, elapsedUs),
         options_.renewIntervalMs, StopReason());
    Line("%s", FormatLatency("renewal", latency.Summary()).c_str());
    Line("replies bad=%u ignored=%u", badReplies_, ignoredReplies_);
    if (options_.release) {
        ReleaseAll(leased, true);
    }
    addresses.Clear();
    return ok == options_.count && tally.ok == options_.clients ? 0 : 1;
}

// ------------------------------------------------------------------------------------------ flooding
int CLoadRunner::RunFlood()
{
    const uint32_t xidBase = random_.NextXid();
    const uint64_t beginUs = LoadNowUs();
    const uint64_t endUs = beginUs + static_cast<uint64_t>(options_.floodSeconds) * kUsPerSecond;
    std::vector<uint32_t> sentPerSecond(options_.floodSeconds, 0), offersPerSecond(options_.floodSeconds, 0);
    uint64_t sent = 0, sendErrors = 0;
    uint32_t offers = 0, naks = 0, acks = 0, foreign = 0;
    int lastError = 0;
    uint8_t mac[kEthernetAddressSize];
    CLoadReply reply;

    auto second = [&](uint64_t nowUs) {
        return std::min<size_t>((nowUs - beginUs) / kUsPerSecond, options_.floodSeconds - 1);
    };
    auto takeReplies = [&](int firstWaitMs) {
        int waitMs = firstWaitMs;
        for (uint32_t taken = 0; taken < kFloodDrain; ++taken) {
            const long got = socket_.Receive(buffer_, sizeof buffer_, waitMs);
            waitMs = 0;
            if (got <= 0) {
                return;
            }
            if (!Accept(buffer_, got, &reply)) {
                continue;
            }
            // The run's transaction ids are consecutive from xidBase: anything else is not ours.
            if (static_cast<uint32_t>(reply.xid - xidBase) >= sent) {
                ++foreign;
            } else if (reply.type == kLoadOffer) {
                ++offers;
                const uint64_t nowUs = LoadNowUs();
                if (nowUs < endUs) {
                    ++offersPerSecond[second(nowUs)];
                }
            } else if (reply.type == kLoadNak) {
                ++naks;
            } else if (reply.type == kLoadAck) {
                ++acks;
            } else {
                ++foreign;
            }
        }
    };

    for (uint64_t nowUs = beginUs; nowUs < endUs && *stop_ == 0; nowUs = LoadNowUs()) {
        uint64_t due = sent + kFloodBatch;
        if (options_.rate != 0) {
            due = std::min<uint64_t>((nowUs - beginUs) * options_.rate / kUsPerSecond + 1, sent + kFloodBatch);
        }
        while (sent < due) {
            random_.RandomMac(mac);
            message_.Discover(mac, xidBase + static_cast<uint32_t>(sent));
            ++sent;
            ++sentPerSecond[second(nowUs)];
            if (!socket_.SendBroadcast(message_.Bytes(), message_.Length())) {
                ++sendErrors;
                lastError = socket_.LastSendError();
            }
        }
        int waitMs = 0;
        if (options_.rate != 0) {
            const uint64_t nextUs = beginUs + sent * kUsPerSecond / options_.rate;
            const uint64_t laterUs = LoadNowUs();
            if (nextUs > laterUs + kFloodSleepThresholdUs) {
                waitMs = static_cast<int>((std::min(nextUs, endUs) - laterUs) / kUsPerMs);
            }
        }
        takeReplies(waitMs);
    }
    const uint64_t floodUs = LoadNowUs() - beginUs;
    const uint64_t lingerEndUs = LoadNowUs() + static_cast<uint64_t>(options_.lingerMs) * kUsPerMs;
    for (uint64_t nowUs = LoadNowUs(); nowUs < lingerEndUs && *stop_ == 0; nowUs = LoadNowUs()) {
        takeReplies(WaitMs(nowUs, lingerEndUs));
    }

    if (options_.detail) {
        for (uint32_t s = 0; s < options_.floodSeconds; ++s) {
            Line("flood_second=%u sent=%u offers=%u", s + 1, sentPerSecond[s], offersPerSecond[s]);
        }
    }
    char rate[16];
    snprintf(rate, sizeof rate, options_.rate == 0 ? "max" : "%u", options_.rate);
    Line("mode=flood iface=%s seconds=%u rate=%s sent=%llu send_errors=%llu last_send_error=\"%s\" elapsed_ms=%.3f "
         "sent_per_s=%.1f offers=%u naks=%u acks=%u foreign=%u bad=%u linger_ms=%u stopped=%s",
         options_.interface.c_str(), options_.floodSeconds, rate, static_cast<unsigned long long>(sent),
         static_cast<unsigned long long>(sendErrors), lastError != 0 ? strerror(lastError) : "", Ms(floodUs),
         PerSecond(sent, floodUs), offers, naks, acks, foreign, badReplies_, options_.lingerMs,
         *stop_ != 0 ? "signal" : "done");
    return *stop_ == 0 && sent > sendErrors ? 0 : 1;
}
