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

DhcpThreadParts ThreadParts(IDhcpAccessProvider* accessProvider, const DhcpServerHost& host, CDhcpReplyChannel* replies)
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
{}

CDhcpServer::CDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider, const DhcpServerHost& host)
    : sharingMode_(sharingMode),
      adapters_(host.adapters),
      replies_(CDhcpReplyChannel::Create(host.datagramOut)),
      thread_(CDhcpPacketThread::Create(ThreadParts(accessProvider, host, replies_)))
{
    if (adapters_ == nullptr) {
        ownAdapters_.reset(new CAuxAdapterSource());
        adapters_ = ownAdapters_.get();
    }
}

CDhcpServer::~CDhcpServer()
{
    if (CSocketEndpoint::IsRunning() || thread_->Outstanding()) {
        Stop();
    }
    replies_->Close();
    thread_->DetachAccessProvider();
    thread_->DropReference();
    replies_->DropReference();
}

bool CDhcpServer::IsRunning() const
{
    return CSocketEndpoint::IsRunning() && !replies_->Broken();
}

void CDhcpServer::CloseSocket()
{
    replies_->Close();
    Close();
}

bool CDhcpServer::EndEarlierThread()
{
    if (!thread_->Outstanding()) {
        return true;
    }
    thread_->SignalStop();
    if (!thread_->WaitForEnd(kDhcpStopWaitMs)) {
        return false;
    }
    // What that run changed (a release, an expiry) would otherwise be lost to the load that follows.
    thread_->Core().SaveClientList();
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
    CDhcpServerCore& core = thread_->Core();

    CDhcpIniSettings source;
    DhcpSettings settings = ClampDhcpSettings(ReadDhcpRawSettings(source));
    SetLogPath(settings.logFile.c_str());
    thread_->Log().SetPath(LogPath());

    adapters_->Refresh();
    Trace().Line("Attempting to start DHCP Server");
    if (settings.localAddress == 0) {
        settings.serverAddress = PickDhcpServerAddress(sharingMode_, adapters_->Adapters());
        if (settings.serverAddress == 0) {
            CServiceLog::Write(kDhcpNoAddressText);
            return false;
        }
    }

    core.LoadClientList();
    // The settings rules turned a mask of 0 into 255.255.255.0 already.
    if (MoveLowAddressBehindServer(&settings, sharingMode_)) {
        COmbrixIni::WriteInt(kIniDhcpLowAddress, static_cast<int>(kDhcpLowAddressBehindServer));
    }
    core.Configure(settings);
    serverAddress_ = settings.serverAddress;

    if (!Create(SOCK_DGRAM, FD_READ, kDhcpSocketMessage) || !Bind(settings.serverPort, settings.serverAddress)) {
        CloseSocket();
        CServiceLog::Write(kDhcpSocketFailureText);
        return false;
    }
    const BOOL broadcast = TRUE;
    setsockopt(Socket(), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&broadcast), sizeof(broadcast));
    Trace().Line("DHCP Server Started OK");
    replies_->Open(Socket(), SocketWindow(), SocketMessage());

    // Loaded before the thread exists, so that the thread never sees the facility half made.
    CIcmpProbe* icmp = thread_->Icmp();
    if (icmp != nullptr && !icmp->Loaded() && !icmp->Load()) {
        Trace().Line("Can't find ICMP.dll");
    }
    if (!thread_->Start()) {
        Trace().Line("Error creating DHCP packet thread");
        CloseSocket();
        return false;
    }
    Trace().Format("DHCP Server using IP: %x", settings.serverAddress);

    // Leases that ran out while the server was stopped end now, each with its expiry NAK from this thread.
    core.ExpireLeases();
    if (replies_->Broken()) {
        // An expiry NAK broke the socket: the server does not run, and must not be reported as started.
        Trace().Line("DhcpServer: socket failed while sending the expiry NAKs");
        CloseSocket();
        thread_->SignalStop();
        thread_->WaitForEnd(kDhcpStopWaitMs);
        return false;
    }
    return true;
}

bool CDhcpServer::Stop()
{
    CloseSocket();
    // The thread ends before the table is emptied: it may be in the middle of a message that uses it.
    thread_->SignalStop();
    thread_->WaitForEnd(kDhcpStopWaitMs);
    CDhcpServerCore& core = thread_->Core();
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
    ++receivedPackets_;
    std::unique_ptr<CDHCPPacket> packet(
        new CDHCPPacket(thread_->Core().Context(), reinterpret_cast<const uint8_t*>(buffer), static_cast<size_t>(n)));
    switch (thread_->Enqueue(std::move(packet))) {
    case DhcpQueuePush::FirstDrop:
        Trace().Format("DhcpServer: packet queue full (%u waiting), dropping datagrams",
                       static_cast<unsigned>(thread_->Queue().Limit()));
        break;
    case DhcpQueuePush::QueuedAfterDrops:
        Trace().Format("DhcpServer: packet queue has room again, %lu datagrams dropped",
                       static_cast<unsigned long>(thread_->Queue().LastRunOfDrops()));
        break;
    default:
        break;
    }
}

void CDhcpServer::OnError(int)
{
    replies_->Close();
}

void CDhcpServer::OnOwnEvent(WORD event)
{
    // Only while the channel is still broken: an event left over from a socket closed since (whose handle
    // value a later socket may carry again) finds the channel opened afresh and changes nothing.
    if (event == kDhcpSendFailedEvent && replies_->Broken()) {
        CloseSocket();
    }
}

void CDhcpServer::SetPool(uint32_t low, uint32_t high)
{
    thread_->Core().SetPool(low, high);
}

uint32_t CDhcpServer::PoolLow() const
{
    return thread_->Core().PoolLow();
}

uint32_t CDhcpServer::PoolHigh() const
{
    return thread_->Core().PoolHigh();
}

uint32_t CDhcpServer::Network() const
{
    return thread_->Core().Network();
}

std::vector<IpcClientEntry> CDhcpServer::Clients() const
{
    return thread_->Core().Snapshot();
}
