#pragma once
// What a socket endpoint does after a send that failed. A non-blocking UDP socket refuses a datagram only
// when the system has no room for it at that moment; closing the socket for that would leave a server deaf
// until it is restarted, so those datagrams are dropped and the socket kept. Any other error still closes.

// Windows Sockets error codes, by value, so the decision can be tested without the platform headers.
constexpr int kSocketErrorWouldBlock = 10035;  // WSAEWOULDBLOCK
constexpr int kSocketErrorNoBuffers = 10055;   // WSAENOBUFS

enum class SendFailureAction { DropDatagram, CloseSocket };

/// Decides what a failed send with the given Windows Sockets error does to the endpoint.
SendFailureAction DecideSendFailure(int socketError);
