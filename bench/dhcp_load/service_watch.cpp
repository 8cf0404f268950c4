// service_watch: watches the service while a load runs, from inside base (its control endpoint is on
// base's loopback only): an IPC_PING every interval, each answer timed against a limit, and the resident
// memory of the service's process sampled at each ping.
//
//   service_watch --seconds S [--port P] [--interval-ms I] [--limit-ms L] [--wait-ms W] [--pid PID] [--detail]
//
// Prints "service_watch pings=… answered=… late=… lost=… …" and, with --pid, "service_watch memory …";
// --detail adds one line per second. Exit 0 when every ping was answered within the limit (and the
// process lived throughout), 1 when not, 2 on a usage error. SIGTERM or SIGINT ends the watch early.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <vector>

#include "CIpcPinger.h"
#include "CLoadStats.h"
#include "CProcessMemory.h"
#include "LoadClock.h"

namespace {

// The control endpoint's address and default port (section IPC, ServerPort).
constexpr uint32_t kLoopback = 0x7F000001u;
constexpr unsigned long kDefaultPort = 63259;
constexpr unsigned long kDefaultIntervalMs = 50;
constexpr unsigned long kDefaultLimitMs = 100;
// A ping unanswered this long counts as lost rather than late.
constexpr unsigned long kDefaultWaitMs = 1000;
constexpr unsigned long kMaxSeconds = 3600;
constexpr unsigned long kMaxMs = 60000;
constexpr unsigned long kMaxPort = 65535;
// pid_max cannot be set above this on Linux.
constexpr unsigned long kMaxPid = 1ul << 22;

volatile sig_atomic_t g_stop = 0;
void OnSignal(int)
{
    g_stop = 1;
}

bool Number(const char* text, unsigned long low, unsigned long high, unsigned long* out)
{
    if (text == nullptr || *text < '0' || *text > '9') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long value = strtoul(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) {
        return false;
    }
    *out = value;
    return true;
}

struct Second {
    unsigned pings = 0, late = 0, lost = 0;
    uint64_t maxUs = 0, rssKb = 0;
};

}  // namespace

int main(int argc, char** argv)
{
    unsigned long seconds = 0, port = kDefaultPort, intervalMs = kDefaultIntervalMs, limitMs = kDefaultLimitMs;
    unsigned long waitMs = kDefaultWaitMs, pid = 0;
    bool detail = false;
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        if (flag == "--seconds") {
            ok = Number(value, 1, kMaxSeconds, &seconds);
        } else if (flag == "--port") {
            ok = Number(value, 1, kMaxPort, &port);
        } else if (flag == "--interval-ms") {
            ok = Number(value, 1, kMaxMs, &intervalMs);
        } else if (flag == "--limit-ms") {
            ok = Number(value, 1, kMaxMs, &limitMs);
        } else if (flag == "--wait-ms") {
            ok = Number(value, 1, kMaxMs, &waitMs);
        } else if (flag == "--pid") {
            ok = Number(value, 1, kMaxPid, &pid);
        } else if (flag == "--detail") {
            detail = true;
            continue;
        } else {
            ok = false;
        }
        if (!ok) {
            fprintf(stderr,
                    "service_watch: bad argument %s\nusage: service_watch --seconds S [--port P] "
                    "[--interval-ms I] [--limit-ms L] [--wait-ms W] [--pid PID] [--detail]\n",
                    flag.c_str());
            return 2;
        }
        ++i;
    }
    if (seconds == 0) {
        fprintf(stderr, "service_watch: --seconds S is needed\n");
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    CIpcPinger pinger(kLoopback, static_cast<uint16_t>(port));
    CLoadStats answered;
    std::vector<Second> timeline(seconds);
    unsigned pings = 0, late = 0, lost = 0, refused = 0, samples = 0;
    uint64_t rssFirst = 0, rssMax = 0, rssLast = 0, hwmLast = 0, worstUs = 0, worstAtMs = 0;
    bool gone = false;
    const uint64_t limitUs = limitMs * kLoadUsPerMs;
    const uint64_t beginUs = LoadNowUs();
    const uint64_t endUs = beginUs + seconds * kLoadUsPerSecond;

    for (uint64_t k = 0; !g_stop; ++k) {
        const uint64_t dueUs = beginUs + k * intervalMs * kLoadUsPerMs;
        uint64_t nowUs = LoadNowUs();
        if (dueUs >= endUs) {
            break;
        }
        if (dueUs > nowUs) {
            poll(nullptr, 0, static_cast<int>((dueUs - nowUs) / kLoadUsPerMs));  // the pace, not a wait for a condition
            nowUs = LoadNowUs();
        }
        Second& second = timeline[std::min<uint64_t>((nowUs - beginUs) / kLoadUsPerSecond, seconds - 1)];
        uint64_t roundTripUs = 0;
        const IpcPingResult result = pinger.Ping(static_cast<int>(waitMs), &roundTripUs);
        ++pings;
        ++second.pings;
        if (result == IpcPingResult::Answered) {
            answered.Add(roundTripUs);
            second.maxUs = std::max(second.maxUs, roundTripUs);
            if (roundTripUs > limitUs) {
                ++late;
                ++second.late;
            }
        } else {
            ++lost;
            ++second.lost;
            refused += result == IpcPingResult::Refused;
            // A refusal comes back at once; only silence lasts the whole wait.
            roundTripUs = result == IpcPingResult::NoAnswer ? waitMs * kLoadUsPerMs : 0;
        }
        if (roundTripUs > worstUs) {
            worstUs = roundTripUs;
            worstAtMs = (nowUs - beginUs) / kLoadUsPerMs;
        }
        if (pid != 0 && !gone) {
            CProcessMemory memory;
            if (memory.Read(static_cast<long>(pid))) {
                rssFirst = samples == 0 ? memory.rssKb : rssFirst;
                rssMax = std::max(rssMax, memory.rssKb);
                rssLast = memory.rssKb;
                hwmLast = memory.hwmKb;
                second.rssKb = memory.rssKb;
                ++samples;
            } else {
                gone = true;
            }
        }
    }
    if (detail) {
        for (unsigned long s = 0; s < seconds; ++s) {
            printf("service_watch second=%lu pings=%u late=%u lost=%u max_ms=%.3f rss_kb=%llu\n", s + 1,
                   timeline[s].pings, timeline[s].late, timeline[s].lost,
                   static_cast<double>(timeline[s].maxUs) / kLoadUsPerMs,
                   static_cast<unsigned long long>(timeline[s].rssKb));
        }
    }
    const LoadLatencySummary summary = answered.Summary();
    printf("service_watch pings=%u answered=%zu late=%u lost=%u refused=%u limit_ms=%lu interval_ms=%lu "
           "p50_ms=%.3f p99_ms=%.3f max_ms=%.3f worst_ms=%.3f worst_at_ms=%llu stopped=%s\n",
           pings, summary.count, late, lost, refused, limitMs, intervalMs, summary.p50Ms, summary.p99Ms, summary.maxMs,
           static_cast<double>(worstUs) / kLoadUsPerMs, static_cast<unsigned long long>(worstAtMs),
           g_stop ? "signal" : "done");
    if (pid != 0) {
        printf("service_watch memory pid=%lu samples=%u rss_first_kb=%llu rss_max_kb=%llu rss_last_kb=%llu "
               "hwm_last_kb=%llu gone=%d\n",
               pid, samples, static_cast<unsigned long long>(rssFirst), static_cast<unsigned long long>(rssMax),
               static_cast<unsigned long long>(rssLast), static_cast<unsigned long long>(hwmLast), gone ? 1 : 0);
    }
    fflush(stdout);
    return late == 0 && lost == 0 && pings > 0 && !gone ? 0 : 1;
}
