#pragma once
// CLoadSocket: the simulated clients' one UDP socket in the client namespace: bound to 0.0.0.0:68 on the
// client's interface, allowed to broadcast. Broadcast answers to 255.255.255.255:68 arrive on it even while
// the interface has no address; unicast answers to a leased address arrive once that address is on the
// interface (CInterfaceAddresses), and a renewal leaves from it through IP_PKTINFO.
#include <cstddef>
#include <cstdint>
#include <string>

class CLoadSocket {
public:
    CLoadSocket() = default;
    CLoadSocket(const CLoadSocket&) = delete;
    CLoadSocket& operator=(const CLoadSocket&) = delete;
    ~CLoadSocket();

    /// Opens and binds; on false `error` holds the failing call and errno text.
    bool Open(const std::string& interface, std::string* error);
    int InterfaceIndex() const { return ifindex_; }

    /// To 255.255.255.255:67 from 0.0.0.0. Returns false when the system refused the datagram.
    bool SendBroadcast(const uint8_t* bytes, size_t length);
    /// To `server`:67 from `source` (host order; the source must be an address of the interface).
    bool SendUnicast(const uint8_t* bytes, size_t length, uint32_t server, uint32_t source);
    /// Waits up to `timeoutMs` (0: no wait) for one datagram. Returns its length, 0 when none came,
    /// -1 on an error other than an interrupted wait.
    long Receive(uint8_t* buffer, size_t capacity, int timeoutMs);

    /// errno of the last refused send.
    int LastSendError() const { return lastSendError_; }

private:
    int fd_ = -1;
    int ifindex_ = 0;
    int lastSendError_ = 0;
};
