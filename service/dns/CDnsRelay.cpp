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
    uint32_t FirstDnsServer() override
    {
        return GetDnsServerCount() > 0 ? static_cast<uint32_t>(GetDnsServer(0)) : 0;
    }
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
    explicit CInternetSide(CDnsRelay& relay) : m_relay(relay) {}
    void OnReceive() override { m_relay.Receive(*this, true); }
    void OnClose() override
    {
        WriteLog("Closing DNS Socket to internet");
        Close();
    }

private:
    CDnsRelay& m_relay;
};

CDnsRelay::CDnsRelay(int sharingMode, const DnsRelayConfig& config, const DnsRelayParts& parts)
    : m_sharingMode(sharingMode),
      m_config(config),
      m_ownAdapters(parts.adapters ? nullptr : new CAuxDnsAdapters),
      m_adapters(parts.adapters ? parts.adapters : m_ownAdapters.get()),
      m_connection(parts.internet),
      m_ownHostAddresses(parts.hostAddresses ? nullptr : new CHostNameAddresses),
      m_hostAddresses(parts.hostAddresses ? parts.hostAddresses : m_ownHostAddresses.get()),
      m_ownClock(parts.clock ? nullptr : new CTickClock),
      m_internet(new CInternetSide(*this)),
      m_engine(parts.clock ? *parts.clock : *m_ownClock, parts.pendingLimit),
      m_internalListen(config.internalListen),
      m_internetListen(config.internetListen)
{
    m_engine.SetServer(config.dnsServer, config.serverPort);
}

CDnsRelay::~CDnsRelay()
{
    m_internet->Destroy();
    Destroy();
}

bool CDnsRelay::InternetSideOpen() const
{
    return m_internet->IsRunning() != FALSE;
}

bool CDnsRelay::OpenClientSide(const char* failureText)
{
    if (!Create(SOCK_DGRAM, FD_READ | FD_CLOSE, kDnsQuerySocketMessage) ||
        !Bind(m_config.listenPort, m_internalListen)) {
        Close();
        CServiceLog::Write(failureText);
        return false;
    }
    return true;
}

bool CDnsRelay::OpenInternetSide()
{
    if (!m_internet->Create(SOCK_DGRAM, FD_READ | FD_CLOSE, kDnsServerSocketMessage) ||
        !m_internet->Bind(m_config.internetPort, m_internetListen)) {
        m_internet->Close();
        CServiceLog::Write(kDnsSocketText);
        return false;
    }
    return true;
}

bool CDnsRelay::StartSingleNic()
{
    if (CSocketEndpoint::IsRunning())
        return true;
    if (m_internalListen == 0) {
        m_internalListen = DnsPickAdapterAddress(m_adapters->Adapters(), true);
        WriteLogF("Internal/External DNS Server LocalAddress: %x", m_internalListen);
        if (m_internalListen == 0) {
            CServiceLog::Write(kDnsSingleNoAddressText);
            return false;
        }
    }
    m_internetListen = m_internalListen;
    return OpenClientSide(kDnsSingleSocketText);
}

bool CDnsRelay::StartDualNic()
{
    if (!CSocketEndpoint::IsRunning()) {
        if (m_internalListen == 0) {
            m_internalListen = DnsPickAdapterAddress(m_adapters->Adapters(), false);
            WriteLogF("Internal DNS Server LocalAddress: %x", m_internalListen);
            if (m_internalListen == 0) {
                CServiceLog::Write(kDnsInternalNoAddressText);
                return false;
            }
        }
        if (!OpenClientSide(kDnsSocketText))
            return false;
    }
    if (m_internet->IsRunning())
        return true;
    if (m_internetListen == 0) {
        m_internetListen = DnsPickAdapterAddress(m_adapters->Adapters(), true);
        WriteLogF("External DNS Server LocalAddress: %x", m_internetListen);
        if (m_internetListen == 0) {
            CServiceLog::Write(kDnsInternetNoAddressText);
            return false;
        }
    }
    return OpenInternetSide();
}

bool CDnsRelay::StartModem()
{
    if (!CSocketEndpoint::IsRunning()) {
        if (m_internalListen == 0) {
            m_internalListen = DnsPickAdapterAddress(m_adapters->Adapters(), false);
            WriteLogF("Internal DNS Server LocalAddress: %x", m_internalListen);
            if (m_internalListen == 0) {
                CServiceLog::Write(kDnsInternalNoAddressText);
                return false;
            }
        }
        if (!OpenClientSide(kDnsSocketText))
            return false;
    }
    if (m_connection == nullptr || !m_connection->ConnectionUp())
        return true;
    if (m_internet->IsRunning())
        return true;
    // A new connection: it usually brings addresses of its own, and binding to the last one's would fail.
    // What was found is looked up again; what the settings name stays.
    if (m_internetListenFound) {
        m_internetListen = 0;
        m_internetListenFound = false;
    }
    if (m_serverFound) {
        m_engine.SetServer(0, m_config.serverPort);
        m_serverFound = false;
    }
    if (m_internetListen == 0) {
        m_internetListen = DnsPickHostAddress(m_hostAddresses->Addresses(), m_internalListen);
        if (m_internetListen == 0) {
            CServiceLog::Write(kDnsInternetNoAddressText);
            return false;
        }
        m_internetListenFound = true;
    }
    return OpenInternetSide();
}

bool CDnsRelay::Start()
{
    char logFile[kLogPathBuffer] = {};
    COmbrixIni::ReadString(kIniDnsRelayLogFile, logFile, sizeof logFile);
    SetLogPath(logFile);
    m_internet->SetLogPath(logFile);

    m_adapters->Refresh();
    bool started = false;
    switch (m_sharingMode) {
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
    if (m_engine.Server() == 0 && (m_sharingMode != kDnsModeModem || m_internet->IsRunning())) {
        const uint32_t server = m_adapters->FirstDnsServer();
        WriteLogF("DNS Server IP: %x", server);
        if (server == 0) {
            CServiceLog::Write(kDnsNoServerText);
        } else {
            m_engine.SetServer(server, m_config.serverPort);
            m_serverFound = true;
        }
    }
    if (m_engine.Server() != 0)
        LogUsingServer();
    return true;
}

bool CDnsRelay::Stop()
{
    Close();
    m_internet->Close();
    return true;
}

void CDnsRelay::CloseInternetSocket()
{
    if (m_internet->IsRunning()) {
        m_internet->WriteLog("Closing DNS Socket to internet");
        m_internet->Close();
    }
}

void CDnsRelay::ExpireQueries()
{
    m_engine.Expire();
}

void CDnsRelay::LogUsingServer() const
{
    const uint32_t s = m_engine.Server();
    CServiceLog::WriteF(kDnsUsingServerFormat, static_cast<int>(s & 0xFF), static_cast<int>((s >> 8) & 0xFF),
                        static_cast<int>((s >> 16) & 0xFF), static_cast<int>(s >> 24));
}

void CDnsRelay::OnReceive()
{
    Receive(*this, false);
}

bool CDnsRelay::ReadyForQuery()
{
    if (!m_internet->IsRunning() && m_sharingMode != kDnsModeSingleNic) {
        Start();
        if (m_sharingMode == kDnsModeModem && !m_internet->IsRunning()) {
            if (m_connection != nullptr)
                m_connection->Dial();
            ++m_dials;
            return false;
        }
    }
    if (m_engine.Server() == 0) {
        m_adapters->Refresh();
        const uint32_t server = m_adapters->FirstDnsServer();
        if (server != 0) {
            m_engine.SetServer(server, m_config.serverPort);
            m_serverFound = true;
            LogUsingServer();
        } else {
            if (++m_serverFailures >= kDnsNoServerReportEvery) {
                CServiceLog::Write(kDnsNoServerRepeatedText);
                m_serverFailures = 0;
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
        ++m_receiveErrors;
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

    if (m_engine.FromServer(from)) {
        const DnsDecision d = m_engine.HandleAnswer(buffer, length, from);
        if (d.action == DnsAction::Reply) {
            if (tracing)
                WriteLogF("Sending Reply to: %s", Dotted(d.to.address));
            Send(*this, buffer, length, d.to);
        }
        return true;
    }
    if (!ReadyForQuery())
        return true;
    const DnsDecision d = m_engine.HandleQuery(buffer, length, from);
    if (d.action != DnsAction::Forward)
        return true;
    if (tracing)
        WriteLogF("Forwarding Request to: %s", Dotted(d.to.address));
    // One socket in single NIC mode (both listen addresses the same), else the Internet side.
    CSocketEndpoint& out = m_internalListen == m_internetListen ? static_cast<CSocketEndpoint&>(*this)
                                                                 : static_cast<CSocketEndpoint&>(*m_internet);
    Send(out, buffer, length, d.to);
    return true;
}

void CDnsRelay::Send(CSocketEndpoint& socket, const uint8_t* data, size_t length, const DnsPeer& to)
{
    if (socket.SendTo(data, static_cast<int>(length), to.address, to.port, 0) != static_cast<int>(length))
        ++m_failedSends;
}
