#pragma once
// CLoadOptions: the command line of dhcp_load. Every mode is bounded in count and in time, so a run ends by
// itself whatever the server does; the bounds below keep a typing slip from starting a run of hours.
#include <cstdint>
#include <string>

enum class LoadMode { None, New, Renew, Flood, Reboot };

class CLoadOptions {
public:
    /// Reads argv[1..]; on false `error` says what was wrong.
    bool Parse(int argc, const char* const* argv, std::string* error);

    LoadMode mode = LoadMode::None;
    uint32_t count = 0;    // --new N, --renew N, --reboot N: exchanges, renewals or clients
    uint32_t clients = 0;  // --clients K (renew): leased clients that renew in turn
    uint32_t window = 1;   // --window W: exchanges in flight while clients are leased
    bool windowGiven = false;
    uint32_t tries = 0;            // --tries T: transmissions of each DISCOVER and REQUEST, RFC 2131 waits;
                                   // 0: one each, then --timeout (a reboot defaults to kDefaultRebootTries)
    uint32_t renewIntervalMs = 0;  // --renew-interval MS: least time between one client's renewals
    uint32_t holdMs = 0;           // --hold MS (renew): pause after the lease phase, for outside counters to start
    uint32_t floodSeconds = 0;     // --flood SECONDS
    uint32_t rate = 0;             // --rate R per second; 0 for "max"
    bool rateGiven = false;
    uint32_t lingerMs = 500;         // --linger MS: replies still counted after a flood
    std::string interface = "eth0";  // --if IFACE
    uint32_t timeoutMs = 10000;      // --timeout MS: wait for each reply
    uint32_t deadlineSeconds = 600;  // --deadline S: the whole run
    uint64_t seed = 0;               // --seed N (default: from the clock and pid)
    bool seedGiven = false;
    bool release = false;  // --release: give the leases back at the end
    bool detail = false;   // --detail: one line per leased client, or per second of a flood
    std::string capture;   // --capture DIR: every reply kept as DIR/NNNN-TYPE.bin

    static constexpr uint32_t kMaxCount = 1000000;
    // A pool of one /24 cannot lease more.
    static constexpr uint32_t kMaxClients = 253;
    static constexpr uint32_t kMaxWindow = 256;
    static constexpr uint32_t kMaxFloodSeconds = 600;
    static constexpr uint32_t kMaxRate = 10000000;
    static constexpr uint32_t kMaxLingerMs = 10000;
    static constexpr uint32_t kMaxTimeoutMs = 60000;
    static constexpr uint32_t kMaxDeadlineSeconds = 3600;
    // 4 + 8 + 16 + 32 + 64 + 64 + 64 s: a client that boots gives up about four minutes later.
    static constexpr uint32_t kDefaultRebootTries = 7;
    static constexpr uint32_t kMaxTries = 16;
    static constexpr uint32_t kMaxRenewIntervalMs = 600000;
    static constexpr uint32_t kMaxHoldMs = 60000;
};

/// The usage text.
const char* LoadUsage();
