#pragma once
// Helpers of the Wine tests of the socket layer and the control protocol: a plain blocking UDP peer on
// the loopback address, and waiting for a condition while the thread's window messages are dispatched.
// Every wait is bounded; none of them sleeps in place of synchronising.
#include <windows.h>
#include <winsock.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "WineTestSupport.h"

namespace nettest {

/// Generous bound for anything that should happen at once on an idle machine.
constexpr DWORD kPromptMs = 5000;
/// How long a test listens before it concludes that no datagram is coming.
constexpr DWORD kSilenceMs = 300;

inline void StartWinsock()
{
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
}

inline unsigned long Loopback()
{
    return htonl(INADDR_LOOPBACK);
}

/// Dispatches the thread's messages until done() holds or timeoutMs passed (winetest::PumpUntil, with the
/// bound for what should happen at once).
inline testing::AssertionResult PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kPromptMs)
{
    return winetest::PumpUntil(done, timeoutMs);
}

/// A blocking UDP socket bound to 127.0.0.1 at a port the system picks (or the one given).
class UdpPeer {
public:
    explicit UdpPeer(unsigned short port = 0)
    {
        StartWinsock();
        s_ = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in local = {};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = Loopback();
        local.sin_port = htons(port);
        bound_ = bind(s_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
        int length = sizeof local;
        getsockname(s_, reinterpret_cast<sockaddr*>(&local), &length);
        port_ = ntohs(local.sin_port);
    }
    ~UdpPeer() { Close(); }
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    bool Bound() const { return bound_; }
    unsigned short Port() const { return port_; }
    void Close()
    {
        if (s_ != INVALID_SOCKET) {
            closesocket(s_);
            s_ = INVALID_SOCKET;
        }
    }

    bool SendTo(unsigned short port, const std::vector<uint8_t>& data)
    {
        sockaddr_in to = {};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = Loopback();
        to.sin_port = htons(port);
        int n = sendto(s_, reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()), 0,
                       reinterpret_cast<sockaddr*>(&to), sizeof to);
        return n == static_cast<int>(data.size());
    }
    /// Replies to whoever sent the last datagram this peer received.
    bool Answer(const std::vector<uint8_t>& data) { return SendTo(lastFromPort_, data); }

    /// Waits up to timeoutMs for one datagram; false when none came.
    bool Receive(std::vector<uint8_t>* out, DWORD timeoutMs = kPromptMs)
    {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s_, &readable);
        timeval wait = {static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
        if (select(0, &readable, nullptr, nullptr, &wait) <= 0) {
            return false;
        }
        std::vector<char> buffer(65536);
        sockaddr_in from = {};
        int fromLength = sizeof from;
        int n = recvfrom(s_, buffer.data(), static_cast<int>(buffer.size()), 0, reinterpret_cast<sockaddr*>(&from),
                         &fromLength);
        if (n < 0) {
            return false;
        }
        lastFromPort_ = ntohs(from.sin_port);
        out->assign(buffer.begin(), buffer.begin() + n);
        return true;
    }

private:
    SOCKET s_ = INVALID_SOCKET;
    bool bound_ = false;
    unsigned short port_ = 0;
    unsigned short lastFromPort_ = 0;
};

/// A loopback port that nothing listens on (bound once by the system's choice, then released).
inline unsigned short UnusedPort()
{
    UdpPeer probe;
    return probe.Port();
}

inline std::vector<uint8_t> LeWords(std::initializer_list<uint32_t> words)
{
    std::vector<uint8_t> out;
    for (uint32_t w : words) {
        for (int i = 0; i < 4; ++i) {
            out.push_back(static_cast<uint8_t>(w >> (8 * i)));
        }
    }
    return out;
}

}  // namespace nettest
