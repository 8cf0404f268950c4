#include "CDhcpServer.h"

#include <utility>

#include "CAuxAdapterSource.h"
#include "CDhcpIniSettings.h"
#include "DhcpSettings.h"
#include "OmbrixIni.h"
#include "ServiceLog.h"
#include "ombrixaux.h"

namespace {

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof(name);
    if (!GetComputerNameA(name, &size)) {
        return std::string();
    }
    return std::string(name, size);
}

/// The client database lives beside the running program.
std::string DatabaseBesideProgram()
{
    char path[MAX_PATH + 1] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path, n);
    const size_t slash = directory.rfind('\\');
    directory.resize(slash == std::string::npos ? 0 : slash + 1);
    return directory + kDhcpDatabaseFileName;
}

DhcpThreadParts ThreadParts(IDhcpAccessProvider* accessProvider, const DhcpServerHost& host,
                            CDhcpReplyChannel* replies)
{
    DhcpThreadParts parts;
    parts.os = GetOs();
    parts.computerName = ComputerName();
    parts.databasePath = host.databasePath.empty() ? DatabaseBesideProgram() : host.databasePath;
    parts.accessProvider = accessProvider;
    parts.clock = host.clock;
    parts.probe = host.probe;
    parts.packetWaitMs = host.packetWaitMs;
    parts.replies = replies;
    return parts;
}

}  // namespace

CDhcpServer::CDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider)
    : CDhcpServer(sharingMode, accessProvider, DhcpServerHost())
{
}

CDhcpServer::CDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider, const DhcpServerHost& host)
    : m_sharingMode(sharingMode),
      m_adapters(host.adapters),
      m_replies(CDhcpReplyChannel::Create(host.datagramOut)),
      m_thread(CDhcpPacketThread::Create(ThreadParts(accessProvider, host, m_replies)))
{
    if (m_adapters == nullptr) {
        m_ownAdapters.reset(new CAuxAdapterSource());
        m_adapters = m_ownAdapters.get();
    }
}

CDhcpServer::~CDhcpServer()
{
    if (CSocketEndpoint::IsRunning() || m_thread->Outstanding()) {
        Stop();
    }
    m_replies->Close();
    m_thread->DetachAccessProvider();
    m_thread->DropReference();
    m_replies->DropReference();
}

bool CDhcpServer::IsRunning() const
{
    return CSocketEndpoint::IsRunning() && !m_replies->Broken();
}

void CDhcpServer::CloseSocket()
{
    m_replies->Close();
    Close();
}

bool CDhcpServer::EndEarlierThread()
{
    if (!m_thread->Outstanding()) {
        return true;
    }
    m_thread->SignalStop();
    if (!m_thread->WaitForEnd(kDhcpStopWaitMs)) {
        return false;
    }
    // What that run changed (a release, an expiry) would otherwise be lost to the load that follows.
    m_thread->Core().SaveClientList();
    return true;
}

bool CDhcpServer::Start()
{
    if (IsRunning()) {
        return true;
    }
    // A send that failed on the packet thread may have left its socket for this thread to close.
    CloseSocket();
    if (!EndEarlierThread()) {
        Trace().Line("Error creating DHCP packet thread");
        return false;
    }
    CDhcpServerCore& core = m_thread->Core();

    CDhcpIniSettings source;
    DhcpSettings settings = ClampDhcpSettings(ReadDhcpRawSettings(source));
    SetLogPath(settings.logFile.c_str());
    m_thread->Log().SetPath(LogPath());

    m_adapters->Refresh();
    Trace().Line("Attempting to start DHCP Server");
    if (settings.localAddress == 0) {
        settings.serverAddress = PickDhcpServerAddress(m_sharingMode, m_adapters->Adapters());
        if (settings.serverAddress == 0) {
            CServiceLog::Write(kDhcpNoAddressText);
            return false;
        }
    }

    core.LoadClientList();
    // The settings rules turned a mask of 0 into 255.255.255.0 already.
    if (MoveLowAddressBehindServer(&settings, m_sharingMode)) {
        COmbrixIni::WriteInt(kIniDhcpLowAddress, static_cast<int>(kDhcpLowAddressBehindServer));
    }
    core.Configure(settings);
    m_serverAddress = settings.serverAddress;

    if (!Create(SOCK_DGRAM, FD_READ, kDhcpSocketMessage) || !Bind(settings.serverPort, settings.serverAddress)) {
        CloseSocket();
        CServiceLog::Write(kDhcpSocketFailureText);
        return false;
    }
    const BOOL broadcast = TRUE;
    setsockopt(Socket(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&broadcast), sizeof(broadcast));
    Trace().Line("DHCP Server Started OK");
    m_replies->Open(Socket(), SocketWindow(), SocketMessage());

    // Loaded before the thread exists, so that the thread never sees the facility half made.
    CIcmpProbe* icmp = m_thread->Icmp();
    if (icmp != nullptr && !icmp->Loaded() && !icmp->Load()) {
        Trace().Line("Can't find ICMP.dll");
    }
    if (!m_thread->Start()) {
        Trace().Line("Error creating DHCP packet thread");
        CloseSocket();
        return false;
    }
    Trace().Format("DHCP Server using IP: %x", settings.serverAddress);

    // Leases that ran out while the server was stopped end now, each with its expiry NAK from this thread.
    core.ExpireLeases();
    if (m_replies->Broken()) {
        // An expiry NAK broke the socket: the server does not run, and must not be reported as started.
        Trace().Line("DhcpServer: socket failed while sending the expiry NAKs");
        CloseSocket();
        m_thread->SignalStop();
        m_thread->WaitForEnd(kDhcpStopWaitMs);
        return false;
    }
    return true;
}

bool CDhcpServer::Stop()
{
    CloseSocket();
    // The thread ends before the table is emptied: it may be in the middle of a message that uses it.
    m_thread->SignalStop();
    m_thread->WaitForEnd(kDhcpStopWaitMs);
    CDhcpServerCore& core = m_thread->Core();
    core.SaveClientList();
    core.ClearClientTable();
    return true;
}

void CDhcpServer::OnReceive()
{
    char buffer[kDhcpReceiveSize];
    unsigned long from = 0;
    unsigned short port = 0;
    const int n = ReceiveFrom(buffer, sizeof(buffer), &from, &port);
    if (n <= 0) {
        Trace().Line("DhcpServer: Recv Error or 0 bytes");
        return;
    }
    std::unique_ptr<CDHCPPacket> packet(new CDHCPPacket(m_thread->Core().Context(),
                                                        reinterpret_cast<const uint8_t*>(buffer),
                                                        static_cast<size_t>(n)));
    switch (m_thread->Enqueue(std::move(packet))) {
    case DhcpQueuePush::FirstDrop:
        Trace().Format("DhcpServer: packet queue full (%u waiting), dropping datagrams",
                       static_cast<unsigned>(m_thread->Queue().Limit()));
        break;
    case DhcpQueuePush::QueuedAfterDrops:
        Trace().Format("DhcpServer: packet queue has room again, %lu datagrams dropped",
                       static_cast<unsigned long>(m_thread->Queue().LastRunOfDrops()));
        break;
    default:
        break;
    }
}

void CDhcpServer::OnError(int)
{
    m_replies->Close();
}

void CDhcpServer::OnOwnEvent(WORD event)
{
    // Only while the channel is still broken: an event left over from a socket closed since (whose handle
    // value a later socket may carry again) finds the channel opened afresh and changes nothing.
    if (event == kDhcpSendFailedEvent && m_replies->Broken()) {
        CloseSocket();
    }
}

void CDhcpServer::SetPool(uint32_t low, uint32_t high)
{
    m_thread->Core().SetPool(low, high);
}

uint32_t CDhcpServer::PoolLow() const
{
    return m_thread->Core().PoolLow();
}

uint32_t CDhcpServer::PoolHigh() const
{
    return m_thread->Core().PoolHigh();
}

uint32_t CDhcpServer::Network() const
{
    return m_thread->Core().Network();
}

std::vector<IpcClientEntry> CDhcpServer::Clients() const
{
    return m_thread->Core().Snapshot();
}
