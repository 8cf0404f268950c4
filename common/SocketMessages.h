#pragma once
// SocketMessages: the window message of every socket endpoint, in one place. The socket window hands an
// event to the endpoint whose message and socket it names, so no two kinds of endpoint may share a number.
// Plain numbers (no windows.h), so the portable code can check them too.

/// WM_USER: socket messages lie above it.
constexpr unsigned kSocketMessageBase = 0x400;

constexpr unsigned kDhcpSocketMessage = 0x458;       ///< the DHCP server's socket (UDP 67)
constexpr unsigned WM_IPC_SOCKET = 0x491;            ///< the service's control endpoint (127.0.0.1)
constexpr unsigned WM_CLIENT_SOCKET = 0x49F;         ///< the console's IPC client
constexpr unsigned kDnsQuerySocketMessage = 0x44D;   ///< the DNS relay's LAN side (UDP 53)
constexpr unsigned kDnsServerSocketMessage = 0x442;  ///< the DNS relay's Internet side

static_assert(kDhcpSocketMessage == 1112, "the DHCP server's socket message");
static_assert(kDnsQuerySocketMessage == 1101, "the DNS relay's client-side socket message");
static_assert(kDnsServerSocketMessage == 1090, "the DNS relay's Internet-side socket message");
static_assert(kDhcpSocketMessage > kSocketMessageBase && WM_IPC_SOCKET > kSocketMessageBase &&
                  WM_CLIENT_SOCKET > kSocketMessageBase && kDnsQuerySocketMessage > kSocketMessageBase &&
                  kDnsServerSocketMessage > kSocketMessageBase,
              "socket messages lie above WM_USER");
static_assert(kDhcpSocketMessage != WM_IPC_SOCKET && kDhcpSocketMessage != WM_CLIENT_SOCKET &&
                  kDhcpSocketMessage != kDnsQuerySocketMessage && kDhcpSocketMessage != kDnsServerSocketMessage &&
                  WM_IPC_SOCKET != WM_CLIENT_SOCKET && WM_IPC_SOCKET != kDnsQuerySocketMessage &&
                  WM_IPC_SOCKET != kDnsServerSocketMessage && WM_CLIENT_SOCKET != kDnsQuerySocketMessage &&
                  WM_CLIENT_SOCKET != kDnsServerSocketMessage && kDnsQuerySocketMessage != kDnsServerSocketMessage,
              "the socket window routes by message: every kind of endpoint has its own");
