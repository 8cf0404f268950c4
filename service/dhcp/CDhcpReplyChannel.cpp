#include "CDhcpReplyChannel.h"

#include "SendFailurePolicy.h"

CDhcpReplyChannel* CDhcpReplyChannel::Create(IDhcpDatagramOut* out)
{
    return new CDhcpReplyChannel(out);
}

CDhcpReplyChannel::CDhcpReplyChannel(IDhcpDatagramOut* out) : out_(out) {}

void CDhcpReplyChannel::AddReference()
{
    InterlockedIncrement(&references_);
}

void CDhcpReplyChannel::DropReference()
{
    if (InterlockedDecrement(&references_) == 0) {
        delete this;
    }
}

void CDhcpReplyChannel::Open(SOCKET socket, HWND window, UINT message)
{
    lock_.Lock();
    socket_ = socket;
    window_ = window;
    message_ = message;
    InterlockedExchange(&broken_, 0);
    lock_.Unlock();
}

void CDhcpReplyChannel::Close()
{
    lock_.Lock();
    socket_ = INVALID_SOCKET;
    lock_.Unlock();
}

bool CDhcpReplyChannel::SendReply(uint32_t address, uint16_t port, const uint8_t* bytes, size_t length)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    const char* data = reinterpret_cast<const char*>(bytes);
    const int size = static_cast<int>(length);

    lock_.Lock();
    if (socket_ == INVALID_SOCKET || broken_ != 0) {
        lock_.Unlock();
        return false;
    }
    int error = 0;
    int sent = 0;
    if (out_ != nullptr) {
        sent = out_->SendTo(socket_, data, size, to, MSG_DONTROUTE, &error);
    } else {
        sent = sendto(socket_, data, size, MSG_DONTROUTE, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        if (sent == SOCKET_ERROR) {
            error = WSAGetLastError();
        }
    }
    if (sent != SOCKET_ERROR) {
        lock_.Unlock();
        return sent == size;
    }
    if (DecideSendFailure(error) == SendFailureAction::DropDatagram) {
        InterlockedIncrement(&dropped_);
    } else {
        InterlockedExchange(&broken_, 1);
        // The socket belongs to the server's thread: it closes it when this event reaches the socket window.
        PostMessageA(window_, message_, static_cast<WPARAM>(socket_), WSAMAKESELECTREPLY(kDhcpSendFailedEvent, 0));
    }
    lock_.Unlock();
    return false;
}
