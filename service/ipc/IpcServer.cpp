#include "IpcServer.h"

#include "IpcSettings.h"

#include <cstring>
#include <vector>

#include "IpcWire.h"
#include "OmbrixIni.h"
#include "ServiceLog.h"

namespace {


}  // namespace

CIpcServer::CIpcServer()
    : m_controlWindow(NULL),
      m_localAddress(0),
      m_port(kIpcDefaultServerPort),
      m_buffer(nullptr),
      m_posted(0),
      m_lastId(0)
{
}

CIpcServer::~CIpcServer()
{
    Stop();
}

BOOL CIpcServer::Start()
{
    int port = COmbrixIni::ReadInt(kIniIpcServerPort);
    char address[kIpcServerLocalAddressBufferSize] = "";
    COmbrixIni::ReadString(kIniIpcLocalAddress, address, sizeof address);
    unsigned long local = address[0] ? inet_addr(address) : 0;
    return StartOn(static_cast<unsigned short>(static_cast<unsigned>(port) & kIpcPortMask), local);
}

BOOL CIpcServer::StartOn(unsigned short port, unsigned long localAddress)
{
    m_localAddress = localAddress;
    m_port = port;
    // Loopback only, whatever LocalAddress says: the console is always on this machine.
    if (!Create(SOCK_DGRAM, FD_READ, WM_IPC_SOCKET)) {
        CServiceLog::Write(kIpcStartFailureText);
        return FALSE;
    }
    if (!Bind(port, htonl(INADDR_LOOPBACK))) {
        Close();
        CServiceLog::Write(kIpcStartFailureText);
        return FALSE;
    }
    sockaddr_in bound = {};
    int boundLength = sizeof bound;
    if (getsockname(Socket(), reinterpret_cast<sockaddr*>(&bound), &boundLength) == 0) {
        m_port = ntohs(bound.sin_port);
    }
    if (!m_buffer) {
        m_buffer = new char[kIpcReceiveBufferSize];
    }
    return TRUE;
}

void CIpcServer::Stop()
{
    delete[] m_buffer;
    m_buffer = nullptr;
    // Messages still queued for these find no record and are ignored.
    ReleasePending();
    Close();
}

void CIpcServer::ReleasePending()
{
    for (std::map<unsigned long, IpcRequestRecord*>::iterator it = m_pending.begin(); it != m_pending.end(); ++it) {
        ReleaseRequest(it->second);
    }
    m_pending.clear();
}

unsigned long CIpcServer::NextRequestId()
{
    do {
        ++m_lastId;
    } while (m_lastId == 0 || m_pending.count(m_lastId) != 0);
    return m_lastId;
}

IpcRequestRecord* CIpcServer::TakeRequest(WPARAM code, LPARAM id)
{
    std::map<unsigned long, IpcRequestRecord*>::iterator it = m_pending.find(static_cast<unsigned long>(id));
    // The id must fit the key as it was posted, not merely after truncation.
    if (it == m_pending.end() || static_cast<LPARAM>(it->first) != id || it->second->code != code) {
        return nullptr;
    }
    IpcRequestRecord* record = it->second;
    m_pending.erase(it);
    return record;
}

void CIpcServer::OnReceive()
{
    if (!m_buffer) {
        return;
    }
    unsigned long address = 0;
    unsigned short port = 0;
    int n = ReceiveFrom(m_buffer, kIpcReceiveBufferSize, &address, &port);
    IpcRequestView request;
    if (n < 0 || !IpcDecodeRequest(reinterpret_cast<const uint8_t*>(m_buffer), static_cast<size_t>(n), &request)) {
        return;
    }
    if (!m_controlWindow) {
        return;
    }
    IpcRequestRecord* record = new IpcRequestRecord;
    record->code = request.code;
    record->senderAddress = address;
    record->senderPort = port;
    record->payloadLength = static_cast<unsigned short>(request.payloadLength);
    record->payload = nullptr;
    if (request.payloadLength) {
        record->payload = new unsigned char[request.payloadLength];
        memcpy(record->payload, request.payload, request.payloadLength);
    }
    const unsigned long id = NextRequestId();
    m_pending[id] = record;
    if (!PostMessageA(m_controlWindow, WM_IPC_REQUEST, static_cast<WPARAM>(request.code), static_cast<LPARAM>(id))) {
        m_pending.erase(id);
        ReleaseRequest(record);
        return;
    }
    ++m_posted;
}

void CIpcServer::Acknowledge(IpcRequestRecord* record)
{
    Reply(record, nullptr, 0);
}

void CIpcServer::Reply(IpcRequestRecord* record, const void* data, int length)
{
    if (!record) {
        return;
    }
    std::vector<uint8_t> datagram =
        IpcEncodeReply(static_cast<const uint8_t*>(data), length > 0 ? static_cast<size_t>(length) : 0);
    SendTo(datagram.data(), static_cast<int>(datagram.size()), record->senderAddress, record->senderPort, 0);
    ReleaseRequest(record);
}

void CIpcServer::ReleaseRequest(IpcRequestRecord* record)
{
    if (!record) {
        return;
    }
    delete[] record->payload;
    delete record;
}
