#include "CInterfaceAddresses.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {

constexpr uint8_t kHostPrefix = 32;
// The kernel answers an address change at once; a second is plenty and keeps a run from hanging on it.
constexpr int kAnswerTimeoutSeconds = 1;
constexpr size_t kAnswerCapacity = 4096;

}  // namespace

int CInterfaceAddresses::Request(uint16_t type, uint16_t flags, uint32_t address)
{
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) {
        return errno;
    }
    timeval patience{kAnswerTimeoutSeconds, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);

    struct {
        nlmsghdr header;
        ifaddrmsg body;
        alignas(NLMSG_ALIGNTO) uint8_t attributes[2 * RTA_SPACE(sizeof(uint32_t))];
    } request{};
    request.header.nlmsg_type = type;
    request.header.nlmsg_flags = static_cast<uint16_t>(NLM_F_REQUEST | NLM_F_ACK | flags);
    request.header.nlmsg_seq = 1;
    request.body.ifa_family = AF_INET;
    request.body.ifa_prefixlen = kHostPrefix;
    request.body.ifa_scope = RT_SCOPE_UNIVERSE;
    request.body.ifa_index = static_cast<unsigned>(ifindex_);
    const uint32_t wire = htonl(address);
    size_t length = NLMSG_LENGTH(sizeof(ifaddrmsg));
    for (unsigned short kind : {static_cast<unsigned short>(IFA_LOCAL), static_cast<unsigned short>(IFA_ADDRESS)}) {
        rtattr* attribute = reinterpret_cast<rtattr*>(reinterpret_cast<uint8_t*>(&request) + NLMSG_ALIGN(length));
        attribute->rta_type = kind;
        attribute->rta_len = RTA_LENGTH(sizeof wire);
        memcpy(RTA_DATA(attribute), &wire, sizeof wire);
        length = NLMSG_ALIGN(length) + RTA_SPACE(sizeof wire);
    }
    request.header.nlmsg_len = static_cast<uint32_t>(length);

    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    int result = 0;
    if (sendto(fd, &request, length, 0, reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel) < 0) {
        result = errno;
    } else {
        alignas(nlmsghdr) uint8_t answer[kAnswerCapacity];
        const ssize_t got = recv(fd, answer, sizeof answer, 0);
        if (got < 0) {
            result = errno;
        } else if (static_cast<size_t>(got) >= NLMSG_LENGTH(sizeof(nlmsgerr))) {
            const nlmsghdr* header = reinterpret_cast<const nlmsghdr*>(answer);
            if (header->nlmsg_type == NLMSG_ERROR) {
                const nlmsgerr* status = static_cast<const nlmsgerr*>(NLMSG_DATA(header));
                result = -status->error;
            }
        } else {
            result = EPROTO;
        }
    }
    close(fd);
    return result;
}

bool CInterfaceAddresses::Add(uint32_t address, std::string* error)
{
    const int result = Request(RTM_NEWADDR, NLM_F_CREATE | NLM_F_EXCL, address);
    if (result == EEXIST) {
        return true;
    }
    if (result != 0) {
        in_addr shown{htonl(address)};
        *error = std::string("adding ") + inet_ntoa(shown) + "/32: " + strerror(result);
        return false;
    }
    added_.push_back(address);
    return true;
}

void CInterfaceAddresses::Clear()
{
    for (uint32_t address : added_) {
        Request(RTM_DELADDR, 0, address);
    }
    added_.clear();
}
