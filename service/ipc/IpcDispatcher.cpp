#include "IpcDispatcher.h"

#include <cstdio>

#include "IniSettings.h"

namespace {

// Words of the console's command requests after the code.
constexpr size_t kCommandWordFlag = 0;

// Decimal text of a 32-bit word, as the settings readers parse it back (a signed integer), so that any
// word survives the round trip through the file.
constexpr size_t kDecimalTextSize = 16;

struct Request {
    IServiceControl& service;
    const uint8_t* payload;
    size_t length;
    uint32_t Word(size_t index) const { return IpcBlockWord(payload, length, index); }
};

void WriteWord(IServiceControl& service, const CIntSetting& setting, uint32_t value)
{
    char text[kDecimalTextSize];
    snprintf(text, sizeof text, "%d", static_cast<int>(value));
    service.WriteSetting(setting.section, setting.key, text);
}

uint32_t ReadWord(IServiceControl& service, const CIntSetting& setting)
{
    return static_cast<uint32_t>(service.ReadSettingInt(setting.section, setting.key, setting.fallback));
}

void Ack(IpcDispatchResult& result)
{
    result.sendReply = true;
    result.data.clear();
}

void Ping(const Request&, IpcDispatchResult& result)
{
    Ack(result);
}

void SetSharing(const Request& r, IpcDispatchResult& result)
{
    // Only the driver changes: whether sharing is on at the next start stays the console's business.
    r.service.SetDriverEnabled(r.Word(kCommandWordFlag) != 0);
    Ack(result);
}

void Dial(const Request& r, IpcDispatchResult& result)
{
    r.service.Dial();
    Ack(result);
}

void HangUp(const Request& r, IpcDispatchResult& result)
{
    r.service.HangUp();
    Ack(result);
}

void StopService(const Request&, IpcDispatchResult& result)
{
    Ack(result);
    result.quitAfterReply = true;
}

void GetClients(const Request& r, IpcDispatchResult& result)
{
    result.sendReply = true;
    if (!r.service.DhcpExists()) {
        result.data = IpcEncodeClientList(kClientListReservedNoServer, std::vector<IpcClientEntry>());
        return;
    }
    result.data = IpcEncodeClientList(kClientListReservedWithServer, r.service.DhcpClients());
}

void SetDnsRelay(const Request& r, IpcDispatchResult& result)
{
    uint32_t flag = r.Word(kCommandWordFlag);
    if (flag) {
        r.service.StartDnsRelay();
    } else {
        r.service.StopDnsRelay();
    }
    WriteWord(r.service, kIniApplicationDnsRelay, flag);
    Ack(result);
}

void GetDnsStatus(const Request& r, IpcDispatchResult& result)
{
    IpcDnsStatus status;
    if (r.service.DnsRelayExists() && r.service.DnsRelayRunning()) {
        status.relayRunning = 1;
        status.dhcpRunning = (r.service.DhcpExists() && r.service.DhcpRunning()) ? 1 : 0;
        status.lanAddress = r.service.DnsRelayLanAddress();
    }
    result.sendReply = true;
    result.data.assign(kIpcDnsStatusSize, 0);
    IpcEncodeDnsStatus(status, result.data.data());
}

void SetDhcp(const Request& r, IpcDispatchResult& result)
{
    IpcDhcpBlock settings = IpcDecodeDhcpBlock(r.payload, r.length);
    WriteWord(r.service, kIniApplicationUseDhcp, settings.useOrRunning);
    if (settings.useOrRunning) {
        WriteWord(r.service, kIniDhcpLowAddress, settings.lowAddress);
        WriteWord(r.service, kIniDhcpHighAddress, settings.highAddress);
    }
    // A running server is not restarted by the switch below, so this is how it learns the new pool; it
    // happens even when the request is about to stop the server.
    if (r.service.DhcpExists() && r.service.DhcpRunning()) {
        r.service.SetDhcpPool(settings.lowAddress, settings.highAddress);
    }
    if (settings.useOrRunning) {
        r.service.StartDhcp();
    } else {
        r.service.StopDhcp();
    }
    Ack(result);
}

void GetDhcpStatus(const Request& r, IpcDispatchResult& result)
{
    IpcDhcpBlock status;
    if (r.service.DhcpExists() && r.service.DhcpRunning()) {
        status.useOrRunning = 1;
        status.lowAddress = r.service.DhcpPoolLow();
        status.highAddress = r.service.DhcpPoolHigh();
        status.network = r.service.DhcpNetwork();
    }
    result.sendReply = true;
    result.data.assign(kIpcDhcpBlockSize, 0);
    IpcEncodeDhcpBlock(status, result.data.data());
}

void GetNetAlarm(const Request& r, IpcDispatchResult& result)
{
    IpcNetAlarmSettings settings;
    settings.enable = r.service.NetAlarmFlag() ? 1 : 0;
    settings.messageBox = ReadWord(r.service, kIniNetAlarmMessageBox);
    settings.delayTime = ReadWord(r.service, kIniNetAlarmDelayTime);
    settings.logAlarms = ReadWord(r.service, kIniNetAlarmLogAlarms);
    result.sendReply = true;
    result.data.assign(kIpcNetAlarmSize, 0);
    IpcEncodeNetAlarm(settings, result.data.data());
}

void SetNetAlarm(const Request& r, IpcDispatchResult& result)
{
    IpcNetAlarmSettings settings = IpcDecodeNetAlarm(r.payload, r.length);
    r.service.SetNetAlarm(settings.enable != 0);
    WriteWord(r.service, kIniNetAlarmEnable, settings.enable);
    WriteWord(r.service, kIniNetAlarmMessageBox, settings.messageBox);
    WriteWord(r.service, kIniNetAlarmDelayTime, settings.delayTime);
    WriteWord(r.service, kIniNetAlarmLogAlarms, settings.logAlarms);
    Ack(result);
}

typedef void (*Handler)(const Request&, IpcDispatchResult&);

struct Row {
    uint32_t code;
    Handler handler;
};

const Row kTable[] = {
    {IPC_PING, Ping},
    {IPC_SET_SHARING, SetSharing},
    {IPC_DIAL, Dial},
    {IPC_HANG_UP, HangUp},
    {IPC_STOP_SERVICE, StopService},
    {IPC_GET_CLIENTS, GetClients},
    {IPC_SET_DNS_RELAY, SetDnsRelay},
    {IPC_GET_DNS_STATUS, GetDnsStatus},
    {IPC_SET_DHCP, SetDhcp},
    {IPC_GET_DHCP_STATUS, GetDhcpStatus},
    {IPC_GET_NETALARM, GetNetAlarm},
    {IPC_SET_NETALARM, SetNetAlarm},
};

const Row* FindRow(uint32_t code)
{
    for (const Row& row : kTable) {
        if (row.code == code) {
            return &row;
        }
    }
    return nullptr;
}

// Room for the unknown-code line with the widest hexadecimal code.
constexpr size_t kUnknownLineSize = sizeof(kUnknownRequestFormat) + 8;

}  // namespace

IpcDispatchResult CIpcDispatcher::Dispatch(IServiceControl& service, uint32_t code, const uint8_t* payload,
                                           size_t length)
{
    IpcDispatchResult result;
    const Row* row = FindRow(code);
    if (!row) {
        char line[kUnknownLineSize];
        snprintf(line, sizeof line, kUnknownRequestFormat, static_cast<unsigned>(code));
        service.Log(line);
        return result;
    }
    Request request{service, payload, length};
    row->handler(request, result);
    return result;
}

bool CIpcDispatcher::IsKnownCode(uint32_t code)
{
    return FindRow(code) != nullptr;
}
