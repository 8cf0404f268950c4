#include "CLoadOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// IFNAMSIZ less the terminator.
constexpr size_t kInterfaceNameMax = 15;

// A decimal number within [low, high], nothing else in the text.
bool Number(const char* text, uint64_t low, uint64_t high, uint64_t* out)
{
    if (text == nullptr || *text < '0' || *text > '9') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high) {
        return false;
    }
    *out = value;
    return true;
}

}  // namespace

const char* LoadUsage()
{
    return "usage: dhcp_load --new N [--window W]\n"
           "       dhcp_load --renew N --clients K [--window W]\n"
           "       dhcp_load --renew N --clients K --renew-interval MS [--hold MS]   each client renews at most every "
           "MS\n"
           "       dhcp_load --reboot N [--tries T]                 N new clients at once, retransmitting\n"
           "       dhcp_load --flood SECONDS --rate R|max [--linger MS]\n"
           "  leasing: [--tries T] each DISCOVER and REQUEST sent up to T times, RFC 2131 waits (4, 8, ... 64 s)\n"
           "  common: [--if IFACE] [--timeout MS] [--deadline S] [--seed N] [--release] [--detail] [--capture DIR]\n";
}

bool CLoadOptions::Parse(int argc, const char* const* argv, std::string* error)
{
    auto setMode = [&](LoadMode wanted) {
        if (mode != LoadMode::None) {
            *error = "only one of --new, --renew, --reboot, --flood";
            return false;
        }
        mode = wanted;
        return true;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        uint64_t n = 0;
        auto number = [&](uint64_t low, uint64_t high) {
            if (!Number(value, low, high, &n)) {
                *error = flag + " wants a number from " + std::to_string(low) + " to " + std::to_string(high);
                return false;
            }
            ++i;
            return true;
        };
        if (flag == "--new" || flag == "--renew") {
            if (!setMode(flag == "--new" ? LoadMode::New : LoadMode::Renew) || !number(1, kMaxCount)) {
                return false;
            }
            count = static_cast<uint32_t>(n);
        } else if (flag == "--reboot") {
            if (!setMode(LoadMode::Reboot) || !number(1, kMaxClients)) {
                return false;
            }
            count = static_cast<uint32_t>(n);
        } else if (flag == "--tries") {
            if (!number(1, kMaxTries)) {
                return false;
            }
            tries = static_cast<uint32_t>(n);
        } else if (flag == "--hold") {
            if (!number(1, kMaxHoldMs)) {
                return false;
            }
            holdMs = static_cast<uint32_t>(n);
        } else if (flag == "--renew-interval") {
            if (!number(1, kMaxRenewIntervalMs)) {
                return false;
            }
            renewIntervalMs = static_cast<uint32_t>(n);
        } else if (flag == "--flood") {
            if (!setMode(LoadMode::Flood) || !number(1, kMaxFloodSeconds)) {
                return false;
            }
            floodSeconds = static_cast<uint32_t>(n);
        } else if (flag == "--clients") {
            if (!number(1, kMaxClients)) {
                return false;
            }
            clients = static_cast<uint32_t>(n);
        } else if (flag == "--window") {
            if (!number(1, kMaxWindow)) {
                return false;
            }
            window = static_cast<uint32_t>(n);
            windowGiven = true;
        } else if (flag == "--rate") {
            rateGiven = true;
            if (value != nullptr && strcmp(value, "max") == 0) {
                rate = 0;
                ++i;
            } else if (!number(1, kMaxRate)) {
                *error = "--rate wants max or a number from 1 to " + std::to_string(kMaxRate);
                return false;
            } else {
                rate = static_cast<uint32_t>(n);
            }
        } else if (flag == "--linger") {
            if (!number(0, kMaxLingerMs)) {
                return false;
            }
            lingerMs = static_cast<uint32_t>(n);
        } else if (flag == "--timeout") {
            if (!number(1, kMaxTimeoutMs)) {
                return false;
            }
            timeoutMs = static_cast<uint32_t>(n);
        } else if (flag == "--deadline") {
            if (!number(1, kMaxDeadlineSeconds)) {
                return false;
            }
            deadlineSeconds = static_cast<uint32_t>(n);
        } else if (flag == "--seed") {
            if (!number(0, UINT64_MAX)) {
                return false;
            }
            seed = n;
            seedGiven = true;
        } else if (flag == "--if" || flag == "--capture") {
            if (value == nullptr || *value == '\0') {
                *error = flag + " wants a value";
                return false;
            }
            (flag == "--if" ? interface : capture) = value;
            ++i;
        } else if (flag == "--release") {
            release = true;
        } else if (flag == "--detail") {
            detail = true;
        } else {
            *error = "unknown argument " + flag;
            return false;
        }
    }
    switch (mode) {
    case LoadMode::None:
        *error = "one of --new, --renew, --reboot, --flood is needed";
        return false;
    case LoadMode::Renew:
        if (clients == 0) {
            *error = "--renew wants --clients K";
            return false;
        }
        break;
    case LoadMode::Flood:
        if (!rateGiven) {
            *error = "--flood wants --rate R|max";
            return false;
        }
        break;
    case LoadMode::Reboot:
        if (windowGiven) {
            *error = "--window does not belong to --reboot: every client starts at once";
            return false;
        }
        window = count;
        if (tries == 0) {
            tries = kDefaultRebootTries;
        }
        break;
    case LoadMode::New:
        break;
    }
    if (mode == LoadMode::Flood && tries != 0) {
        *error = "--tries does not belong to --flood";
        return false;
    }
    if (mode != LoadMode::Renew && (renewIntervalMs != 0 || holdMs != 0)) {
        *error = std::string(renewIntervalMs != 0 ? "--renew-interval" : "--hold") + " belongs to --renew";
        return false;
    }
    if (mode != LoadMode::Renew && clients != 0) {
        *error = "--clients belongs to --renew";
        return false;
    }
    if (mode != LoadMode::Flood && rateGiven) {
        *error = "--rate belongs to --flood";
        return false;
    }
    if (interface.size() > kInterfaceNameMax) {
        *error = "--if names an interface of at most " + std::to_string(kInterfaceNameMax) + " characters";
        return false;
    }
    return true;
}
