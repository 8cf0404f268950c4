// The system's answers the adapter inventory is built from, other than the registry: the TCP/IP stack of
// Windows 95/98 (WsControl), its DHCP client device, and the network queries of the NT family and of
// Winsock. The DLL answers them from the system (Win32SystemQueries); unit tests from fixtures.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "TdiQuery.h"

class ITdiTransport {
public:
    virtual ~ITdiTransport() = default;
    // One query. buffer.size() is the output length offered; returned receives the output length the stack
    // reports, which may exceed it when more is needed. True when the stack answered 0.
    virtual bool Query(const TdiRequestBytes& request, std::vector<uint8_t>& buffer, uint32_t& returned) = 0;
};

class IVdhcpDevice {
public:
    virtual ~IVdhcpDevice() = default;
    // The whole reply of the table request (opened, probed, read and closed again); false when the device
    // does not open or a step fails.
    virtual bool ReadTable(std::vector<uint8_t>& reply) = 0;
};

class INetworkInfo {
public:
    virtual ~INetworkInfo() = default;
    // The DNS server texts of GetNetworkParams; false when IPHLPAPI.DLL or the function is missing, or the
    // call does not give a list.
    virtual bool NetworkParamsDnsServers(std::vector<std::string>& servers) = 0;
    // The number of RAS devices RasEnumDevicesA reports; false when RASAPI32.DLL or the function is missing or
    // the call fails.
    virtual bool RasDeviceCount(uint32_t& count) = 0;
    // The addresses the host's own name resolves to; false when the name or its resolution fails (also when
    // the caller has not initialised the sockets library).
    virtual bool HostAddresses(std::vector<uint32_t>& addresses) = 0;
};
