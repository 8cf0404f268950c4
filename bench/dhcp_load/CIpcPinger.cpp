#include "CIpcPinger.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "IpcWire.h"
#include "LoadClock.h"

namespace {

// Room for any reply; a ping's is the bare magic.
constexpr size_t kReplyCapacity = 64;

}  // namespace

IpcPingResult CIpcPinger::Ping(int waitMs, uint64_t* roundTripUs)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return IpcPingResult::Error;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port_);
    to.sin_addr.s_addr = htonl(address_);
    // Connected, so that a port nobody listens on comes back as ECONNREFUSED at once instead of a wait.
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        close(fd);
        return IpcPingResult::Error;
    }
    const std::vector<uint8_t> request = IpcEncodeRequest(IPC_PING);
    const uint64_t sentUs = LoadNowUs();
    if (send(fd, request.data(), request.size(), 0) < 0) {
        close(fd);
        return IpcPingResult::Error;
    }
    const uint64_t endUs = sentUs + static_cast<uint64_t>(waitMs) * kLoadUsPerMs;
    IpcPingResult result = IpcPingResult::NoAnswer;
    for (uint64_t nowUs = sentUs; nowUs < endUs; nowUs = LoadNowUs()) {
        pollfd waiting{fd, POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>((endUs - nowUs + kLoadUsPerMs - 1) / kLoadUsPerMs));
        if (ready <= 0) {
            continue;
        }
        uint8_t reply[kReplyCapacity];
        const ssize_t got = recv(fd, reply, sizeof reply, MSG_DONTWAIT);
        if (got < 0) {
            if (errno == ECONNREFUSED) {
                result = IpcPingResult::Refused;
                break;
            }
            continue;
        }
        if (IpcIsReply(reply, static_cast<size_t>(got))) {
            *roundTripUs = LoadNowUs() - sentUs;
            result = IpcPingResult::Answered;
            break;
        }
    }
    close(fd);
    return result;
}
