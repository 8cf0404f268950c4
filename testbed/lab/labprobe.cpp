// labprobe: looks at the network lab from inside its Wine prefix, as a Windows program on the base
// computer sees it. Run through `scripts/lab wine`, so that it runs in base's namespace. One "key=value"
// line per finding, flushed at once.
//
//   labprobe host                          host name and its addresses, computer name, DNS servers, adapters
//   labprobe adapters                      the Windows 2000 adapter registry, the prune, the address by mode
//   labprobe udp ADDR PORT [--count N] [--timeout S] [--reply OFFERADDR]
//   labprobe ping ADDR [--timeout MS]
//
// Exit code 0 when the check holds, 1 when it does not, 2 for a bad command line or a missing facility.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "LabAdapters.h"
#include "LabHost.h"
#include "LabIcmp.h"
#include "LabUdp.h"

namespace {

constexpr int kExitUsage = 2;
// The DHCP server's address probe waits this long for an echo.
constexpr unsigned kDefaultPingTimeoutMs = 1000;

int Usage()
{
    fprintf(stderr, "usage: labprobe host | adapters | udp ADDR PORT [--count N] [--timeout S] [--reply OFFERADDR] |\n"
                    "                ping ADDR [--timeout MS]\n");
    return kExitUsage;
}

bool ParseAddress(const char* text, uint32_t* out)
{
    unsigned long value = inet_addr(text);
    if (value == INADDR_NONE && strcmp(text, "255.255.255.255") != 0) {
        return false;
    }
    *out = static_cast<uint32_t>(value);
    return true;
}

bool ParseNumber(const char* text, long low, long high, long* out)
{
    char* end = nullptr;
    long value = strtol(text, &end, 10);
    if (!text[0] || *end || value < low || value > high) {
        return false;
    }
    *out = value;
    return true;
}

int Udp(int argc, char** argv)
{
    lab::UdpCheck check;
    long port = 0;
    if (argc < 4 || !ParseAddress(argv[2], &check.bindAddress) || !ParseNumber(argv[3], 1, 65535, &port)) {
        return Usage();
    }
    check.port = static_cast<uint16_t>(port);
    for (int i = 4; i < argc; i += 2) {
        long value = 0;
        if (i + 1 >= argc) {
            return Usage();
        }
        if (!strcmp(argv[i], "--count") && ParseNumber(argv[i + 1], 1, 100000, &value)) {
            check.count = static_cast<int>(value);
        } else if (!strcmp(argv[i], "--timeout") && ParseNumber(argv[i + 1], 1, 3600, &value)) {
            check.timeoutSeconds = static_cast<int>(value);
        } else if (!strcmp(argv[i], "--reply") && ParseAddress(argv[i + 1], &check.offerAddress)) {
            check.reply = true;
        } else {
            return Usage();
        }
    }
    return lab::RunUdpCheck(check);
}

int Ping(int argc, char** argv)
{
    uint32_t address = 0;
    long timeout = kDefaultPingTimeoutMs;
    if (argc != 3 && argc != 5) {
        return Usage();
    }
    if (!ParseAddress(argv[2], &address) ||
        (argc == 5 && (strcmp(argv[3], "--timeout") || !ParseNumber(argv[4], 1, 60000, &timeout)))) {
        return Usage();
    }
    return lab::RunIcmpCheck(address, static_cast<unsigned>(timeout));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        return Usage();
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        fprintf(stderr, "labprobe: WSAStartup failed\n");
        return kExitUsage;
    }
    int rc;
    if (!strcmp(argv[1], "host") && argc == 2) {
        rc = lab::ReportHost();
    } else if (!strcmp(argv[1], "adapters") && argc == 2) {
        rc = lab::ReportAdapters();
    } else if (!strcmp(argv[1], "udp")) {
        rc = Udp(argc, argv);
    } else if (!strcmp(argv[1], "ping")) {
        rc = Ping(argc, argv);
    } else {
        rc = Usage();
    }
    WSACleanup();
    return rc;
}
