#include "CDnsRelay.h"

#include <string>

#include "IniSettings.h"
#include "OmbrixIni.h"
#include "ServiceLog.h"
#include "ombrixaux.h"

namespace {

constexpr int kFirstAddress = 0;
/// The host name buffer of the Internet-side address lookup in modem mode.
constexpr int kHostNameLength = 100;
constexpr size_t kLogPathBuffer = 260;

class CAuxDnsAdapters : public IDnsAdapterSource {
public:
    void Refresh() override { ::Refresh(); }
    std::vector<DnsAdapterView> Adapters() override
    {
        std::vector<DnsAdapterView> adapters;
        const int count = GetAdapterCount();
        for (int i = 0; i < count; ++i) {
            DnsAdapterView view;
            view.dialup = IsDialup(i) != 0;
            view.gateway = static_cast<uint32_t>(GetGateway(i));
            view.address = static_cast<uint32_t>(GetIpAddress(i, kFirstAddress));
            adapters.push_back(view);
        }
        return adapters;
    }
    uint32_t FirstDnsServer() override { return GetDnsServerCount() > 0 ? static_cast<uint32_t>(GetDnsServer(0)) : 0; }
};

class CHostNameAddresses : public IDnsHostAddresses {
public:
    std::vector<uint32_t> Addresses() override
    {
        std::vector<uint32_t> addresses;
        char name[kHostNameLength + 1] = {};
        if (gethostname(name, kHostNameLength) != 0)
            return addresses;
        const hostent* host = gethostbyname(name);
        if (host == nullptr || host->h_addrtype != AF_INET || host->h_length != 4)
            return addresses;
        for (char** a = host->h_addr_list; *a != nullptr; ++a) {
            uint32_t address;
            memcpy(&address, *a, sizeof address);
            addresses.push_back(address);
        }
        return addresses;
    }
};

class CTickClock : public IDnsClock {
public:
    uint32_t NowMs() override { return GetTickCount(); }
};

const char* Dotted(uint32_t address)
{
    in_addr a;
    a.s_addr = address;
    return inet_ntoa(a);
}

}  // namespace

/// The Internet-side socket: its datagrams go to the relay, and a close reported by the system is traced.
class CDnsRelay::CInternetSide : public CSocketEndpoint {
public:
    explicit CInternetSide(CDnsRelay& relay) : relay_(relay) {}
    void OnReceive() override { relay_.Receive(*this, true); }
    void OnClose() override
    {
        WriteLog("Closing DNS Socket to internet");
        Close();
    }

private:
    CDnsRelay& relay_;
};

CDnsRelay::CDnsRelay(int sharingMode, const DnsRelayConfig& config, const DnsRelayParts& parts)
    : sharingMode_(sharingMode),
      config_(config),
      ownAdapters_(parts.adapters ? nullptr : new CAuxDnsAdapters),
      adapters_(parts.adapters ? parts.adapters : ownAdapters_.get()),
      connection_(parts.internet),
      ownHostAddresses_(parts.hostAddresses ? nullptr : new CHostNameAddresses),
      hostAddresses_(parts.hostAddresses ? parts.hostAddresses : ownHostAddresses_.get()),
      ownClock_(parts.clock ? nullptr : new CTickClock),
      internet_(new CInternetSide(*this)),
      engine_(parts.clock ? *parts.clock : *ownClock_, parts.pendingLimit),
      internalListen_(config.internalListen),
      internetListen_(config.internetListen)
{
    engine_.SetServer(config.dnsServer, config.serverPort);
}

CDnsRelay::~CDnsRelay()
{
    internet_->Destroy();
    Destroy();
}

bool CDnsRelay::InternetSideOpen() const
{
    return internet_->IsRunning() != FALSE;
}

bool CDnsRelay::OpenClientSide(const char* failureText)
{
    if (!Create(SOCK_DGRAM, FD_READ | FD_CLOSE, kDnsQuerySocketMessage) || !Bind(config_.listenPort, internalListen_)) {
        Close();
        CServiceLog::Write(failureText);
        return false;
    }
    return true;
}

bool CDnsRelay::OpenInternetSide()
{
    if (!internet_->Create(SOCK_DGRAM, FD_READ | FD_CLOSE, kDnsServerSocketMessage) ||
        !internet_->Bind(config_.internetPort, internetListen_)) {
        internet_->Close();
        CServiceLog::Write(kDnsSocketText);
        return false;
    }
    return true;
}

bool CDnsRelay::StartSingleNic()
{
    if (CSocketEndpoint::IsRunning())
        return true;
    if (internalListen_ == 0) {
        internalListen_ = DnsPickAdapterAddress(adapters_->Adapters(), true);
        WriteLogF("Internal/External DNS Server LocalAddress: %x", internalListen_);
        if (internalListen_ == 0) {
            CServiceLog::Write(kDnsSingleNoAddressText);
            return false;
        }
    }
    internetListen_ = internalListen_;
    return OpenClientSide(kDnsSingleSocketText);
}

bool CDnsRelay::StartDualNic()
{
    if (!CSocketEndpoint::IsRunning()) {
        if (internalListen_ == 0) {
            internalListen_ = DnsPickAdapterAddress(adapters_->Adapters(), false);
            WriteLogF("Internal DNS Server LocalAddress: %x", internalListen_);
            if (internalListen_ == 0) {
                CServiceLog::Write(kDnsInternalNoAddressText);
                return false;
            }
        }
        if (!OpenClientSide(kDnsSocketText))
            return false;
    }
    if (internet_->IsRunning())
        return true;
    if (internetListen_ == 0) {
        internetListen_ = DnsPickAdapterAddress(adapters_->Adapters(), true);
        WriteLogF("External DNS Server LocalAddress: %x", internetListen_);
        if (internetListen_ == 0) {
            CServiceLog::Write(kDnsInternetNoAddressText);
            return false;
        }
    }
    return OpenInternetSide();
}

bool CDnsRelay::StartModem()
{
    if (!CSocketEndpoint::IsRunning()) {
        if (internalListen_ == 0) {
            internalListen_ = DnsPickAdapterAddress(adapters_->Adapters(), false);
            WriteLogF("Internal DNS Server LocalAddress: %x", internalListen_);
            if (internalListen_ == 0) {
                CServiceLog::Write(kDnsInternalNoAddressText);
                return false;
            }
        }
        if (!OpenClientSide(kDnsSocketText))
            return false;
    }
    if (connection_ == nullptr || !connection_->ConnectionUp())
        return true;
    if (internet_->IsRunning())
        return true;
    // A new connection: it usually brings addresses of its own, and binding to the last one's would fail.
    // What was found is looked up again; what the settings name stays.
    if (internetListenFound_) {
        internetListen_ = 0;
        internetListenFound_ = false;
    }
    if (serverFound_) {
        engine_.SetServer(0, config_.serverPort);
        serverFound_ = false;
    }
    if (internetListen_ == 0) {
        internetListen_ = DnsPickHostAddress(hostAddresses_->Addresses(), internalListen_);
        if (internetListen_ == 0) {
            CServiceLog::Write(kDnsInternetNoAddressText);
            return false;
        }
        internetListenFound_ = true;
    }
    return OpenInternetSide();
}

bool CDnsRelay::Start()
{
    char logFile[kLogPathBuffer] = {};
    COmbrixIni::ReadString(kIniDnsRelayLogFile, logFile, sizeof logFile);
    SetLogPath(logFile);
    internet_->SetLogPath(logFile);

    adapters_->Refresh();
    bool started = false;
    switch (sharingMode_) {
    case kDnsModeSingleNic:
        started = StartSingleNic();
        break;
    case kDnsModeDualNic:
        started = StartDualNic();
        break;
    case kDnsModeModem:
        started = StartModem();
        break;
    default:
        break;
    }
    if (!started)
        return false;
    if (engine_.Server() == 0 && (sharingMode_ != kDnsModeModem || internet_->IsRunning())) {
        const uint32_t server = adapters_->FirstDnsServer();
        WriteLogF("DNS Server IP: %x", server);
        if (server == 0) {
            CServiceLog::Write(kDnsNoServerText);
        } else {
            engine_.SetServer(server, config_.serverPort);
            serverFound_ = true;
        }
    }
    if (engine_.Server() != 0)
        LogUsingServer();
    return true;
}

bool CDnsRelay::Stop()
{
    Close();
    internet_->Close();
    return true;
}

void CDnsRelay::CloseInternetSocket()
{
    if (internet_->IsRunning()) {
        internet_->WriteLog("Closing DNS Socket to internet");
        internet_->Close();
    }
}

void CDnsRelay::ExpireQueries()
{
    engine_.Expire();
}

void CDnsRelay::LogUsingServer() const
{
    const uint32_t s = engine_.Server();
    CServiceLog::WriteF(kDnsUsingServerFormat, static_cast<int>(s & 0xFF), static_cast<int>((s >> 8) & 0xFF),
                        static_cast<int>((s >> 16) & 0xFF), static_cast<int>(s >> 24));
}

void CDnsRelay::OnReceive()
{
    Receive(*this, false);
}

bool CDnsRelay::ReadyForQuery()
{
    if (!internet_->IsRunning() && sharingMode_ != kDnsModeSingleNic) {
        Start();
        if (sharingMode_ == kDnsModeModem && !internet_->IsRunning()) {
            if (connection_ != nullptr)
                connection_->Dial();
            ++dials_;
            return false;
        }
    }
    if (engine_.Server() == 0) {
        adapters_->Refresh();
        const uint32_t server = adapters_->FirstDnsServer();
        if (server != 0) {
            engine_.SetServer(server, config_.serverPort);
            serverFound_ = true;
            LogUsingServer();
        } else {
            if (++serverFailures_ >= kDnsNoServerReportEvery) {
                CServiceLog::Write(kDnsNoServerRepeatedText);
                serverFailures_ = 0;
            }
            return false;
        }
    }
    return true;
}

void CDnsRelay::Receive(CSocketEndpoint& socket, bool internetSide)
{
    // One datagram per notification. Taking all that waited instead was measured slower under Wine, and it
    // kept the console's requests waiting for seconds in a flood: every receive re-arms the notification,
    // so the queue fills with notices for datagrams already taken.
    ReceiveOne(socket, internetSide);
}

bool CDnsRelay::ReceiveOne(CSocketEndpoint& socket, bool internetSide)
{
    // One datagram at a time on this thread: the buffer is used again by the next.
    static uint8_t buffer[kDnsMaxDatagram];
    unsigned long fromAddress = 0;
    unsigned short fromPort = 0;
    const int n = socket.ReceiveFrom(reinterpret_cast<char*>(buffer), sizeof buffer, &fromAddress, &fromPort);
    if (n < 0) {
        if (socket.LastError() == WSAEWOULDBLOCK)
            return false;
        // Also a datagram bigger than the buffer: it is lost on the receive.
        ++receiveErrors_;
        return true;
    }
    if (n == 0)
        return true;
    const size_t length = static_cast<size_t>(n);
    const DnsPeer from{static_cast<uint32_t>(fromAddress), fromPort};
    const bool tracing = LogPath()[0] != '\0';
    if (tracing && internetSide) {
        socket.WriteLogF("Receive Response from: %s", Dotted(from.address));
    } else if (tracing) {
        char name[kDnsTraceNameLength];
        DnsTraceNameBytes(buffer, length, name);
        socket.WriteLogF("Receive Request from: %s %c%c%c%c%c%c%c%c%c%c%c", Dotted(from.address), name[0], name[1],
                         name[2], name[3], name[4], name[5], name[6], name[7], name[8], name[9], name[10]);
    }

    if (engine_.FromServer(from)) {
        const DnsDecision d = engine_.HandleAnswer(buffer, length, from);
        if (d.action == DnsAction::Reply) {
            if (tracing)
                WriteLogF("Sending Reply to: %s", Dotted(d.to.address));
            Send(*this, buffer, length, d.to);
        }
        return true;
    }
    if (!ReadyForQuery())
        return true;
    const DnsDecision d = engine_.HandleQuery(buffer, length, from);
    if (d.action != DnsAction::Forward)
        return true;
    if (tracing)
        WriteLogF("Forwarding Request to: %s", Dotted(d.to.address));
    // One socket in single NIC mode (both listen addresses the same), else the Internet side.
    CSocketEndpoint& out = internalListen_ == internetListen_ ? static_cast<CSocketEndpoint&>(*this)
                                                              : static_cast<CSocketEndpoint&>(*internet_);
    Send(out, buffer, length, d.to);
    return true;
}

void CDnsRelay::Send(CSocketEndpoint& socket, const uint8_t* data, size_t length, const DnsPeer& to)
{
    if (socket.SendTo(data, static_cast<int>(length), to.address, to.port, 0) != static_cast<int>(length))
        ++failedSends_;
}
