#pragma once
// What a socket endpoint does after a send that failed. A datagram socket stays usable after most failed
// sends: the system had no room for the datagram at that moment, or the failure belongs to that one
// destination (no route to it, the host or network unreachable, a refused broadcast, a datagram too big).
// Closing the socket for those would leave a server deaf until it is restarted, and one client writing a
// foreign address into its request could do that at will; so that datagram is dropped and counted, and
// the socket kept. Only an error that says the socket itself is gone or broken closes it.

// Windows Sockets error codes, by value, so the decision can be tested without the platform headers.
constexpr int kSocketErrorAccess = 10013;           // WSAEACCES: a broadcast without SO_BROADCAST
constexpr int kSocketErrorMessageSize = 10040;      // WSAEMSGSIZE
constexpr int kSocketErrorAddressNotAvail = 10049;  // WSAEADDRNOTAVAIL
constexpr int kSocketErrorNetDown = 10050;          // WSAENETDOWN: the interface is down (a dial-up link that hung up)
constexpr int kSocketErrorNetUnreachable = 10051;   // WSAENETUNREACH
constexpr int kSocketErrorNetReset = 10052;         // WSAENETRESET
constexpr int kSocketErrorConnReset = 10054;        // WSAECONNRESET: an earlier datagram's port unreachable
constexpr int kSocketErrorWouldBlock = 10035;       // WSAEWOULDBLOCK
constexpr int kSocketErrorNoBuffers = 10055;        // WSAENOBUFS
constexpr int kSocketErrorConnRefused = 10061;      // WSAECONNREFUSED
constexpr int kSocketErrorHostDown = 10064;         // WSAEHOSTDOWN
constexpr int kSocketErrorHostUnreachable = 10065;  // WSAEHOSTUNREACH

enum class SendFailureAction { DropDatagram, CloseSocket };

/// Decides what a failed send with the given Windows Sockets error does to the endpoint.
SendFailureAction DecideSendFailure(int socketError);
