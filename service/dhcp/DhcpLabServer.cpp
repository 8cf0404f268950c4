// dhcp_lab_server: the DHCP server core on a plain Linux UDP socket, for the network lab only (never a
// deliverable). Real clients in a network namespace get their addresses from the very logic the service
// runs, and every datagram they send is kept as a hex fixture.
//
//   dhcp_lab_server --if IFACE --address A.B.C.D [--capture DIR] [--tag NAME] [--probe icmp|none]
//                   [--db FILE] [--lease SECONDS] [--low N] [--high N] [--seconds N]
//
// --capture DIR writes each received datagram to DIR/NAME_<n>_<type>.hex (n counts from 1); --tag changes
// NAME (default "client") and can be changed at run time by writing a new name into DIR/tag. The server
// ends on SIGTERM/SIGINT or after --seconds, saving its client database.
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include "ByteOrder.h"
#include "CDhcpServerCore.h"
#include "CPosixDhcpFileSystem.h"
#include "DhcpOptionNames.h"

namespace {

constexpr int kProbeTimeoutMs = 1000;
constexpr char kProbeData[] = "AAAAAA";
constexpr int kPollMs = 1000;
constexpr size_t kHexPerLine = 16;

volatile sig_atomic_t g_stop = 0;

void OnSignal(int)
{
    g_stop = 1;
}

class SystemClock : public IDhcpClock {
public:
    uint32_t Now() override { return static_cast<uint32_t>(time(nullptr)); }
};

class StderrTrace : public IDhcpTraceSink {
public:
    bool TraceEnabled() const override { return true; }
    void TraceLine(const char* message) override
    {
        timeval tv;
        gettimeofday(&tv, nullptr);
        std::fprintf(stderr, "%ld.%03ld %s\n", static_cast<long>(tv.tv_sec), static_cast<long>(tv.tv_usec / 1000),
                     message);
    }
};

uint16_t Checksum(const uint8_t* data, size_t length)
{
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < length; i += 2) {
        sum += LoadBe16(data + i);
    }
    if (length % 2 != 0) {
        sum += static_cast<uint32_t>(data[length - 1] << 8);
    }
    while (sum >> 16) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<uint16_t>(~sum);
}

// An ICMP echo as the service sends it: six bytes "AAAAAA", one second to answer.
class IcmpProbe : public IDhcpAddressProbe {
public:
    explicit IcmpProbe(bool enabled) : enabled_(enabled) {}
    bool Answers(uint32_t address) override
    {
        if (!enabled_) {
            return false;
        }
        const int fd = socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
        if (fd < 0) {
            std::perror("probe socket");
            return false;
        }
        uint8_t packet[sizeof(icmphdr) + sizeof(kProbeData) - 1] = {};
        auto* header = reinterpret_cast<icmphdr*>(packet);
        header->type = ICMP_ECHO;
        header->un.echo.id = htons(static_cast<uint16_t>(getpid()));
        header->un.echo.sequence = htons(++sequence_);
        std::memcpy(packet + sizeof(icmphdr), kProbeData, sizeof(kProbeData) - 1);
        const uint16_t sum = Checksum(packet, sizeof(packet));
        header->checksum = htons(sum);
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = address;
        sendto(fd, packet, sizeof(packet), 0, reinterpret_cast<sockaddr*>(&to), sizeof(to));
        timespec start;
        clock_gettime(CLOCK_MONOTONIC, &start);
        bool answered = false;
        for (;;) {
            timespec now;
            clock_gettime(CLOCK_MONOTONIC, &now);
            const long elapsed = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
            if (elapsed >= kProbeTimeoutMs) {
                break;
            }
            pollfd p = {fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(kProbeTimeoutMs - elapsed)) <= 0) {
                break;
            }
            uint8_t reply[1500];
            sockaddr_in from = {};
            socklen_t fromLength = sizeof(from);
            const ssize_t n = recvfrom(fd, reply, sizeof(reply), 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < static_cast<ssize_t>(sizeof(iphdr) + sizeof(icmphdr))) {
                continue;
            }
            const size_t ipLength = static_cast<size_t>((reply[0] & 0x0F) * 4);
            const auto* icmp = reinterpret_cast<const icmphdr*>(reply + ipLength);
            if (from.sin_addr.s_addr == address && icmp->type == ICMP_ECHOREPLY &&
                icmp->un.echo.id == header->un.echo.id) {
                answered = true;
                break;
            }
        }
        close(fd);
        return answered;
    }

private:
    bool enabled_;
    uint16_t sequence_ = 0;
};

class UdpSender : public IDhcpReplySender {
public:
    explicit UdpSender(int fd) : fd_(fd) {}
    bool SendReply(uint32_t address, uint16_t port, const uint8_t* bytes, size_t length) override
    {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = address;
        return sendto(fd_, bytes, length, MSG_DONTROUTE, reinterpret_cast<sockaddr*>(&to), sizeof(to)) ==
               static_cast<ssize_t>(length);
    }

private:
    int fd_;
};

const char* TypeWord(const uint8_t* received, size_t length)
{
    // Named by the type option wherever the client put it, as the server reads it.
    std::vector<uint8_t> bytes(received, received + length);
    if (length <= kDhcpTypeValueOffset || !CDHCPPacket::MoveTypeToFront(bytes.data(), length)) {
        return "notype";
    }
    switch (bytes[kDhcpTypeValueOffset]) {
    case DHCPDISCOVER:
        return "discover";
    case DHCPREQUEST:
        return "request";
    case DHCPDECLINE:
        return "decline";
    case DHCPRELEASE:
        return "release";
    case DHCPINFORM:
        return "inform";
    default:
        return "other";
    }
}

void Capture(const std::string& dir, const std::string& tag, int index, const uint8_t* bytes, size_t length)
{
    char name[512];
    std::snprintf(name, sizeof(name), "%s/%s_%d_%s.hex", dir.c_str(), tag.c_str(), index, TypeWord(bytes, length));
    FILE* f = std::fopen(name, "w");
    if (f == nullptr) {
        std::perror(name);
        return;
    }
    std::fprintf(f, "# length %zu\n", length);
    for (size_t i = 0; i < length; ++i) {
        std::fprintf(f, "%02x%s", bytes[i], (i + 1) % kHexPerLine == 0 || i + 1 == length ? "\n" : " ");
    }
    std::fclose(f);
}

std::string ReadTag(const std::string& dir, const std::string& fallback)
{
    std::ifstream in(dir + "/tag");
    std::string tag;
    if (in && std::getline(in, tag) && !tag.empty()) {
        return tag;
    }
    return fallback;
}

}  // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> args = {{"--probe", "icmp"}, {"--tag", "client"}, {"--lease", "900"},
                                               {"--low", "2"},      {"--high", "254"},   {"--seconds", "0"}};
    for (int i = 1; i + 1 < argc; i += 2) {
        args[argv[i]] = argv[i + 1];
    }
    if (args.count("--if") == 0 || args.count("--address") == 0) {
        std::fprintf(stderr, "usage: %s --if IFACE --address A.B.C.D [--capture DIR] ...\n", argv[0]);
        return 2;
    }
    const std::string capture = args.count("--capture") != 0 ? args["--capture"] : "";
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGINT, OnSignal);

    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
    setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    const std::string& iface = args["--if"];
    if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, iface.c_str(), static_cast<socklen_t>(iface.size())) != 0) {
        std::perror("SO_BINDTODEVICE");
        return 1;
    }
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(kDhcpServerPort);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof(local)) != 0) {
        std::perror("bind");
        return 1;
    }

    SystemClock clock;
    IcmpProbe probe(args["--probe"] == "icmp");
    UdpSender sender(fd);
    StderrTrace trace;
    CPosixDhcpFileSystem files;
    DhcpCollaborators c;
    c.clock = &clock;
    c.probe = &probe;
    c.sender = &sender;
    c.trace = &trace;
    c.files = &files;
    c.computerName = "OMBRIX-LAB";
    c.databasePath = args.count("--db") != 0 ? args["--db"] : "/tmp/ombrix-lab-" + std::string(kDhcpDatabaseFileName);
    CDhcpServerCore core(c);

    DhcpRawSettings raw;
    raw.localAddress = args["--address"];
    raw.assignedIp = args["--address"];
    raw.lowAddress = std::atoi(args["--low"].c_str());
    raw.highAddress = std::atoi(args["--high"].c_str());
    raw.leaseAddrTimeout = std::atoi(args["--lease"].c_str());
    DhcpSettings settings = ClampDhcpSettings(raw);
    core.Configure(settings);
    core.LoadClientList();
    core.ExpireLeases();

    const long seconds = std::atol(args["--seconds"].c_str());
    const time_t started = time(nullptr);
    int index = 0;
    while (!g_stop && (seconds == 0 || time(nullptr) - started < seconds)) {
        pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, kPollMs) > 0) {
            uint8_t buffer[kDhcpReceiveSize];
            const ssize_t n = recv(fd, buffer, sizeof(buffer), 0);
            if (n > 0) {
                if (!capture.empty()) {
                    Capture(capture, ReadTag(capture, args["--tag"]), ++index, buffer, static_cast<size_t>(n));
                }
                core.HandleDatagram(buffer, static_cast<size_t>(n));
            }
        }
        core.ExpireLeases();
        core.ExpireOffers();
    }
    core.SaveClientList();
    close(fd);
    return 0;
}
