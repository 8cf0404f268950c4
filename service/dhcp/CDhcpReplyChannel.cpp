#include "CDhcpReplyChannel.h"

#include "SendFailurePolicy.h"

CDhcpReplyChannel* CDhcpReplyChannel::Create(IDhcpDatagramOut* out)
{
    return new CDhcpReplyChannel(out);
}

CDhcpReplyChannel::CDhcpReplyChannel(IDhcpDatagramOut* out) : m_out(out) {}

void CDhcpReplyChannel::AddReference()
{
    InterlockedIncrement(&m_references);
}

void CDhcpReplyChannel::DropReference()
{
    if (InterlockedDecrement(&m_references) == 0) {
        delete this;
    }
}

void CDhcpReplyChannel::Open(SOCKET socket, HWND window, UINT message)
{
    m_lock.Lock();
    m_socket = socket;
    m_window = window;
    m_message = message;
    InterlockedExchange(&m_broken, 0);
    m_lock.Unlock();
}

void CDhcpReplyChannel::Close()
{
    m_lock.Lock();
    m_socket = INVALID_SOCKET;
    m_lock.Unlock();
}

bool CDhcpReplyChannel::SendReply(uint32_t address, uint16_t port, const uint8_t* bytes, size_t length)
{
    sockaddr_in to = {};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr.s_addr = address;
    const char* data = reinterpret_cast<const char*>(bytes);
    const int size = static_cast<int>(length);

    m_lock.Lock();
    if (m_socket == INVALID_SOCKET || m_broken != 0) {
        m_lock.Unlock();
        return false;
    }
    int error = 0;
    int sent = 0;
    if (m_out != nullptr) {
        sent = m_out->SendTo(m_socket, data, size, to, MSG_DONTROUTE, &error);
    } else {
        sent = sendto(m_socket, data, size, MSG_DONTROUTE, reinterpret_cast<const sockaddr*>(&to), sizeof(to));
        if (sent == SOCKET_ERROR) {
            error = WSAGetLastError();
        }
    }
    if (sent != SOCKET_ERROR) {
        m_lock.Unlock();
        return sent == size;
    }
    if (DecideSendFailure(error) == SendFailureAction::DropDatagram) {
        InterlockedIncrement(&m_dropped);
    } else {
        InterlockedExchange(&m_broken, 1);
        // The socket belongs to the server's thread: it closes it when this event reaches the socket window.
        PostMessageA(m_window, m_message, static_cast<WPARAM>(m_socket), WSAMAKESELECTREPLY(kDhcpSendFailedEvent, 0));
    }
    m_lock.Unlock();
    return false;
}
