#include "CArpAnnounce.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ByteOrder.h"

namespace {

// The ARP message for IPv4 over Ethernet (RFC 826), as offsets into its 28 bytes.
constexpr size_t kArpHtypeOffset = 0;
constexpr size_t kArpPtypeOffset = 2;
constexpr size_t kArpHlenOffset = 4;
constexpr size_t kArpPlenOffset = 5;
constexpr size_t kArpOpOffset = 6;
constexpr size_t kArpShaOffset = 8;
constexpr size_t kArpSpaOffset = 14;
constexpr size_t kArpThaOffset = 18;
constexpr size_t kArpTpaOffset = 24;
constexpr size_t kArpMessageSize = 28;
constexpr size_t kArpHardwareSize = 6;
constexpr size_t kArpProtocolSize = 4;
static_assert(kArpShaOffset + kArpHardwareSize == kArpSpaOffset, "spa follows sha");
static_assert(kArpSpaOffset + kArpProtocolSize == kArpThaOffset, "tha follows spa");
static_assert(kArpThaOffset + kArpHardwareSize == kArpTpaOffset, "tpa follows tha");
static_assert(kArpTpaOffset + kArpProtocolSize == kArpMessageSize, "28 bytes in all");
constexpr uint16_t kArpHardwareEthernet = 1;
constexpr uint16_t kArpRequest = 1;

}  // namespace

CArpAnnounce::~CArpAnnounce()
{
    if (fd_ >= 0) {
        close(fd_);
    }
}

bool CArpAnnounce::Open(const std::string& interface, std::string* error)
{
    fd_ = socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ARP));
    if (fd_ < 0) {
        *error = std::string("packet socket: ") + strerror(errno);
        return false;
    }
    ifreq request{};
    strncpy(request.ifr_name, interface.c_str(), IFNAMSIZ - 1);
    if (ioctl(fd_, SIOCGIFINDEX, &request) != 0) {
        *error = "no interface " + interface;
        return false;
    }
    ifindex_ = request.ifr_ifindex;
    if (ioctl(fd_, SIOCGIFHWADDR, &request) != 0) {
        *error = std::string("hardware address of ") + interface + ": " + strerror(errno);
        return false;
    }
    memcpy(mac_, request.ifr_hwaddr.sa_data, kArpHardwareSize);
    return true;
}

bool CArpAnnounce::Announce(uint32_t address)
{
    uint8_t message[kArpMessageSize] = {};
    StoreBe16(message + kArpHtypeOffset, kArpHardwareEthernet);
    StoreBe16(message + kArpPtypeOffset, ETHERTYPE_IP);
    message[kArpHlenOffset] = kArpHardwareSize;
    message[kArpPlenOffset] = kArpProtocolSize;
    StoreBe16(message + kArpOpOffset, kArpRequest);
    memcpy(message + kArpShaOffset, mac_, kArpHardwareSize);
    StoreBe32(message + kArpSpaOffset, address);
    StoreBe32(message + kArpTpaOffset, address);  // tha stays zero

    sockaddr_ll to{};
    to.sll_family = AF_PACKET;
    to.sll_protocol = htons(ETH_P_ARP);
    to.sll_ifindex = ifindex_;
    to.sll_halen = kArpHardwareSize;
    memset(to.sll_addr, 0xFF, kArpHardwareSize);
    return sendto(fd_, message, sizeof message, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) ==
           static_cast<ssize_t>(sizeof message);
}
