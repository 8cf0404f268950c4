#pragma once
// DnsRelayHost: what the DNS relay's runtime asks of the machine besides its sockets, as interfaces, so that
// the tests can stand in for each: the adapter table and its DNS servers, the dial-up connection, the
// computer's own addresses by host name, and the settings read once when the relay is made. No windows.h.
#include <cstdint>
#include <string>
#include <vector>

#include "DnsWire.h"

// Sharing modes (`OmbrixMode`).
constexpr int kDnsModeModem = 0;
constexpr int kDnsModeSingleNic = 1;
constexpr int kDnsModeDualNic = 2;

/// What the relay reads of one adapter, in table order.
struct DnsAdapterView {
    bool dialup = false;   ///< the family's dial-up adapter
    uint32_t gateway = 0;  ///< default gateway, 0 when none
    uint32_t address = 0;  ///< first address (index 0), 0 when none
};

class IDnsAdapterSource {
public:
    virtual ~IDnsAdapterSource() = default;
    /// Rebuilds the adapter table and the DNS server table from the system.
    virtual void Refresh() = 0;
    virtual std::vector<DnsAdapterView> Adapters() = 0;
    /// The first DNS server of the machine's configuration, 0 when there is none.
    virtual uint32_t FirstDnsServer() = 0;
};

/// The dial-up side, for modem mode.
class IDnsInternetConnection {
public:
    virtual ~IDnsInternetConnection() = default;
    /// True while a dial-up connection is up.
    virtual bool ConnectionUp() = 0;
    /// Asks for the connection to be dialled (returns the dial-out's result, which the relay ignores).
    virtual int Dial() = 0;
};

/// The computer's own addresses, as a lookup of its host name gives them (network order, in order).
class IDnsHostAddresses {
public:
    virtual ~IDnsHostAddresses() = default;
    virtual std::vector<uint32_t> Addresses() = 0;
};

/// Section DnsRelay as read when the relay is made; 0 = find it.
struct DnsRelayConfig {
    uint32_t internalListen = 0;
    uint32_t internetListen = 0;
    uint32_t dnsServer = 0;
    /// Where the two sockets listen and the server is asked; 53 but in tests.
    uint16_t listenPort = kDnsPort;
    uint16_t internetPort = kDnsPort;
    uint16_t serverPort = kDnsPort;
};

/// The first adapter in table order that is not a dial-up adapter and has an address, with a gateway when
/// `withGateway`, else without one. Its address, or 0 when none qualifies.
uint32_t DnsPickAdapterAddress(const std::vector<DnsAdapterView>& adapters, bool withGateway);

/// The first of the host's addresses that is not `internal`, or 0.
uint32_t DnsPickHostAddress(const std::vector<uint32_t>& addresses, uint32_t internal);

/// A dotted address of the settings ("10.99.0.1") in network order; 0 for empty or malformed text.
uint32_t DnsParseDotted(const std::string& text);

/// The bytes the receive trace shows of a query: bytes 12 to 22, each one that lies past the datagram's
/// end taken as 0 (which ends the printed line there, as a 0 in the name does).
void DnsTraceNameBytes(const uint8_t* data, size_t length, char out[kDnsTraceNameLength]);
