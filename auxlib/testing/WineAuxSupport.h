// Helpers of the Wine tests of ombrixaux: the host's own address as Winsock resolves it in the prefix, and
// reading the tables through the exports.
#pragma once

#include <winsock.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "DottedAddress.h"

// The first address the host's name resolves to (0 when it does not); needs WSAStartup.
inline uint32_t HostAddress()
{
    char name[100] = {};
    if (gethostname(name, sizeof name) != 0)
        return 0;
    const hostent* host = gethostbyname(name);
    if (!host || !host->h_addr_list[0])
        return 0;
    uint32_t address = 0;
    memcpy(&address, host->h_addr_list[0], 4);
    return address;
}

// Winsock for the length of a test.
class CWinsockSession {
public:
    CWinsockSession() { ok_ = WSAStartup(MAKEWORD(1, 1), &data_) == 0; }
    ~CWinsockSession()
    {
        if (ok_)
            WSACleanup();
    }
    bool ok() const { return ok_; }

private:
    WSADATA data_;
    bool ok_ = false;
};

// The descriptions of the adapter table, in order.
std::vector<std::string> AdapterNames();
// The DNS server table.
std::vector<uint32_t> DnsServers();
// Bytes of a text, optionally with its NUL; of a multi-string (text, NUL, NUL).
std::vector<uint8_t> TextBytes(const std::string& text, bool withNul);
std::vector<uint8_t> MultiBytes(const std::string& text);
std::vector<uint8_t> DwordBytes(uint32_t value);
