#include "CLoadSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "DhcpLoadWire.h"

namespace {

// A burst of answers (a window of exchanges, a renewal round of every client) must not overflow the
// receive queue while the generator is busy sending; the kernel caps this at rmem_max unless root.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

std::string Failure(const char* call)
{
    return std::string(call) + ": " + strerror(errno);
}

sockaddr_in ServerAddress(uint32_t address)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kLoadServerPort);
    to.sin_addr.s_addr = htonl(address);
    return to;
}

}  // namespace

CLoadSocket::~CLoadSocket()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool CLoadSocket::Open(const std::string& interface, std::string* error)
{
    ifindex_ = static_cast<int>(if_nametoindex(interface.c_str()));
    if (ifindex_ == 0) {
        *error = "no interface " + interface;
        return false;
    }
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        *error = Failure("socket");
        return false;
    }
    const int on = 1;
    if (setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        *error = Failure("setsockopt");
        return false;
    }
    // Without the device binding a reply would be taken from any interface, and the broadcasts would
    // have no route: the client's interface has no address while it leases.
    if (setsockopt(fd_, SOL_SOCKET, SO_BINDTODEVICE, interface.c_str(), static_cast<socklen_t>(interface.size())) !=
        0) {
        *error = Failure("SO_BINDTODEVICE");
        return false;
    }
    const int size = kReceiveBufferBytes;
    if (setsockopt(fd_, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(kLoadClientPort);
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        *error = Failure("bind 0.0.0.0:68");
        return false;
    }
    return true;
}

bool CLoadSocket::SendBroadcast(const uint8_t* bytes, size_t length)
{
    const sockaddr_in to = ServerAddress(kLoadLimitedBroadcast);
    if (sendto(fd_, bytes, length, MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        lastSendError_ = errno;
        return false;
    }
    return true;
}

bool CLoadSocket::SendUnicast(const uint8_t* bytes, size_t length, uint32_t server, uint32_t source)
{
    sockaddr_in to = ServerAddress(server);
    iovec part{const_cast<uint8_t*>(bytes), length};
    alignas(cmsghdr) uint8_t control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &to;
    message.msg_namelen = sizeof to;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_ifindex = ifindex_;
    info.ipi_spec_dst.s_addr = htonl(source);
    memcpy(CMSG_DATA(header), &info, sizeof info);
    if (sendmsg(fd_, &message, MSG_DONTWAIT) < 0) {
        lastSendError_ = errno;
        return false;
    }
    return true;
}

long CLoadSocket::Receive(uint8_t* buffer, size_t capacity, int timeoutMs)
{
    pollfd waiting{fd_, POLLIN, 0};
    const int ready = poll(&waiting, 1, timeoutMs);
    if (ready < 0) {
        return errno == EINTR ? 0 : -1;
    }
    if (ready == 0) {
        return 0;
    }
    const ssize_t got = recv(fd_, buffer, capacity, MSG_DONTWAIT);
    if (got < 0) {
        return errno == EAGAIN || errno == EINTR ? 0 : -1;
    }
    return static_cast<long>(got);
}
