#pragma once
// CDnsRelay: the DNS relay as a running component of the service. It is the LAN-side socket endpoint
// (UDP 53 of the internal listen address, window message kDnsQuerySocketMessage) and owns the Internet-side
// one (kDnsServerSocketMessage): single NIC mode uses the first for everything, dual NIC mode opens both at
// start, modem mode opens the Internet side only while a dial-up connection is up and asks for a dial when
// a query finds it closed. The decisions are CDnsRelayEngine's; this class moves datagrams, writes the
// trace and the service-log lines, and finds the addresses.
//
// Everything runs on the service-main thread: both sockets' events and the tick arrive there one at a time.
#include <windows.h>

#include <memory>

#include "CDnsRelayEngine.h"
#include "DnsRelayHost.h"
#include "ServerComponent.h"
#include "SocketEndpoint.h"

// Service-log lines.
constexpr char kDnsSingleNoAddressText[] = "Unable to determine DNS Relay Sever IP Address";
constexpr char kDnsSingleSocketText[] = "Unable to create/bind to Dns Relay Server socket";
constexpr char kDnsInternalNoAddressText[] = "Unable to determine IP Address for Internal DNS Relay Server";
constexpr char kDnsInternetNoAddressText[] = "Unable to determine IP Address for Internet Dns Relay Server";
constexpr char kDnsSocketText[] = "Unable to create/bind to Internet Dns Relay Server socket";
constexpr char kDnsNoServerText[] = "Unable to determine DNS Server Address, will try again.";
constexpr char kDnsNoServerRepeatedText[] =
    "Unable to determine DNS Server Address after 5 more attempts, will try again.";
constexpr char kDnsUsingServerFormat[] = "Using DNS Server: %i.%i.%i.%i";
/// Queries dropped for want of a DNS server between two of the repeated lines.
constexpr unsigned kDnsNoServerReportEvery = 5;

/// Stand-ins a test gives the relay; each one left null means the real thing.
struct DnsRelayParts {
    IDnsAdapterSource* adapters = nullptr;       ///< null: the adapter table of ombrixaux
    IDnsInternetConnection* internet = nullptr;  ///< null: no dial-up (modem mode never connects)
    IDnsHostAddresses* hostAddresses = nullptr;  ///< null: gethostbyname of gethostname
    IDnsClock* clock = nullptr;                  ///< null: GetTickCount
    size_t pendingLimit = kDnsDefaultPendingLimit;
};

class CDnsRelay : public CSocketEndpoint, public IDnsRelayComponent {
public:
    /// `config`: section DnsRelay as read when the relay is made. `logFile` is read again at each start.
    CDnsRelay(int sharingMode, const DnsRelayConfig& config, const DnsRelayParts& parts);
    ~CDnsRelay() override;
    CDnsRelay(const CDnsRelay&) = delete;
    CDnsRelay& operator=(const CDnsRelay&) = delete;

    /// Opens the sockets the mode needs and finds the DNS server; false after the service-log line of the
    /// step that failed.
    bool Start() override;
    /// Closes both sockets; the pending queries stay and run out. Always true.
    bool Stop() override;
    /// True while the LAN-side socket is open.
    bool IsRunning() const override { return CSocketEndpoint::IsRunning() != FALSE; }
    /// The driver's notice that the dial-up connection went: the Internet side closes.
    void CloseInternetSocket() override;
    void ExpireQueries() override;
    uint32_t LanAddress() const override { return internalListen_; }

    bool InternetSideOpen() const;
    uint32_t InternetAddress() const { return internetListen_; }
    uint32_t DnsServer() const { return engine_.Server(); }
    const CDnsRelayEngine& Engine() const { return engine_; }
    /// Datagrams lost because they did not fit the 2048-byte buffer, or failed to be received.
    unsigned long ReceiveErrors() const { return receiveErrors_; }
    /// Datagrams the system did not take (a failed send closes its socket, as the socket layer does).
    unsigned long FailedSends() const { return failedSends_; }
    /// Dials asked for.
    unsigned long DialsAsked() const { return dials_; }

protected:
    void OnReceive() override;

private:
    class CInternetSide;
    friend class CInternetSide;

    bool StartSingleNic();
    bool StartDualNic();
    bool StartModem();
    bool OpenClientSide(const char* failureText);
    bool OpenInternetSide();
    /// Reads one datagram from `socket` and handles it; `internetSide` picks the trace line.
    void Receive(CSocketEndpoint& socket, bool internetSide);
    /// One datagram; false when none was waiting.
    bool ReceiveOne(CSocketEndpoint& socket, bool internetSide);
    /// The steps before the engine for a query: start or dial, and the DNS server. False: drop it.
    bool ReadyForQuery();
    void LogUsingServer() const;
    void Send(CSocketEndpoint& socket, const uint8_t* data, size_t length, const DnsPeer& to);

    int sharingMode_;
    DnsRelayConfig config_;
    std::unique_ptr<IDnsAdapterSource> ownAdapters_;
    IDnsAdapterSource* adapters_;
    IDnsInternetConnection* connection_;
    std::unique_ptr<IDnsHostAddresses> ownHostAddresses_;
    IDnsHostAddresses* hostAddresses_;
    std::unique_ptr<IDnsClock> ownClock_;
    std::unique_ptr<CInternetSide> internet_;
    CDnsRelayEngine engine_;
    uint32_t internalListen_;
    uint32_t internetListen_;
    /// Found rather than configured: in modem mode looked up again for each new connection.
    bool internetListenFound_ = false;
    bool serverFound_ = false;
    unsigned serverFailures_ = 0;
    unsigned long receiveErrors_ = 0;
    unsigned long failedSends_ = 0;
    unsigned long dials_ = 0;
};
