#pragma once
// IServiceControl: what the console's requests may do to the running service. The dispatcher decides; the
// service carries out through this interface, so the decisions are tested with a fake and the real
// service keeps its state where it lives.
#include <cstdint>
#include <vector>

#include "IpcWire.h"

class IServiceControl {
public:
    virtual ~IServiceControl() = default;

    /// Switches the packet driver on or off (the service's "set driver enabled" switch, which logs).
    virtual bool SetDriverEnabled(bool enable) = 0;
    /// Dials out; returns when the dial routine returns.
    virtual void Dial() = 0;
    /// Hangs up; returns when the hang-up returns.
    virtual void HangUp() = 0;

    /// True while a DHCP server object exists (it may be stopped).
    virtual bool DhcpExists() = 0;
    /// True while the DHCP server's socket is open.
    virtual bool DhcpRunning() = 0;
    /// The "start DHCP server" switch: creates the object when missing, logs its own lines.
    virtual bool StartDhcp() = 0;
    /// The "stop DHCP server" switch, with its own log lines.
    virtual bool StopDhcp() = 0;
    /// Replaces the running server's low and high host numbers at once.
    virtual void SetDhcpPool(uint32_t low, uint32_t high) = 0;
    virtual uint32_t DhcpPoolLow() = 0;
    virtual uint32_t DhcpPoolHigh() = 0;
    /// The pool's network: the first three octets of the server's AssignedIp, network order, last octet 0.
    virtual uint32_t DhcpNetwork() = 0;
    /// The client entries whose leaseStart is nonzero, in table order.
    virtual std::vector<IpcClientEntry> DhcpClients() = 0;

    virtual bool DnsRelayExists() = 0;
    virtual bool DnsRelayRunning() = 0;
    /// The "start DNS relay" switch, with its own log lines.
    virtual bool StartDnsRelay() = 0;
    /// The "stop DNS relay" switch, with its own log lines.
    virtual bool StopDnsRelay() = 0;
    /// The relay's LAN-side listening address, network order.
    virtual uint32_t DnsRelayLanAddress() = 0;

    /// Asks the driver to report (or stop reporting) blocked attempts and stores the NetAlarm flag.
    virtual bool SetNetAlarm(bool enable) = 0;
    /// The service's NetAlarm flag.
    virtual bool NetAlarmFlag() = 0;

    /// An integer from Ombrix.Ini; def when the key is missing.
    virtual int ReadSettingInt(const char* section, const char* key, int def) = 0;
    /// Writes text to Ombrix.Ini.
    virtual void WriteSetting(const char* section, const char* key, const char* text) = 0;

    /// A line in the service log.
    virtual void Log(const char* message) = 0;
};
