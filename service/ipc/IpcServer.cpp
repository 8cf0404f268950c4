#include "IpcServer.h"

#include "IpcSettings.h"

#include <cstring>
#include <vector>

#include "IpcWire.h"
#include "OmbrixIni.h"
#include "ServiceLog.h"

namespace {}  // namespace

CIpcServer::CIpcServer()
    : controlWindow_(NULL), localAddress_(0), port_(kIpcDefaultServerPort), buffer_(nullptr), posted_(0), lastId_(0)
{}

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
    localAddress_ = localAddress;
    port_ = port;
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
        port_ = ntohs(bound.sin_port);
    }
    if (!buffer_) {
        buffer_ = new char[kIpcReceiveBufferSize];
    }
    return TRUE;
}

void CIpcServer::Stop()
{
    delete[] buffer_;
    buffer_ = nullptr;
    // Messages still queued for these find no record and are ignored.
    ReleasePending();
    Close();
}

void CIpcServer::ReleasePending()
{
    for (std::map<unsigned long, IpcRequestRecord*>::iterator it = pending_.begin(); it != pending_.end(); ++it) {
        ReleaseRequest(it->second);
    }
    pending_.clear();
}

unsigned long CIpcServer::NextRequestId()
{
    do {
        ++lastId_;
    } while (lastId_ == 0 || pending_.count(lastId_) != 0);
    return lastId_;
}

IpcRequestRecord* CIpcServer::TakeRequest(WPARAM code, LPARAM id)
{
    std::map<unsigned long, IpcRequestRecord*>::iterator it = pending_.find(static_cast<unsigned long>(id));
    // The id must fit the key as it was posted, not merely after truncation.
    if (it == pending_.end() || static_cast<LPARAM>(it->first) != id || it->second->code != code) {
        return nullptr;
    }
    IpcRequestRecord* record = it->second;
    pending_.erase(it);
    return record;
}

void CIpcServer::OnReceive()
{
    if (!buffer_) {
        return;
    }
    unsigned long address = 0;
    unsigned short port = 0;
    int n = ReceiveFrom(buffer_, kIpcReceiveBufferSize, &address, &port);
    IpcRequestView request;
    if (n < 0 || !IpcDecodeRequest(reinterpret_cast<const uint8_t*>(buffer_), static_cast<size_t>(n), &request)) {
        return;
    }
    if (!controlWindow_) {
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
    pending_[id] = record;
    if (!PostMessageA(controlWindow_, WM_IPC_REQUEST, static_cast<WPARAM>(request.code), static_cast<LPARAM>(id))) {
        pending_.erase(id);
        ReleaseRequest(record);
        return;
    }
    ++posted_;
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
