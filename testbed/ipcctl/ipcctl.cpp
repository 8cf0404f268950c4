// ipcctl: drives the running service over the control protocol with the console's own IPC client, and
// prints each reply decoded, one "name=value" per line. Exit code 0 when the service answered, 1 when it
// did not (or the client could not start), 2 for a command line it does not understand.
//
//   ipcctl [--port N] ping | sharing 0|1 | dial | hangup | stop | clients | dnsrelay 0|1 | dnsstatus
//          | setdhcp USE LOW HIGH | dhcpstatus | getnetalarm | setnetalarm ENABLE MSGBOX DELAY LOG | raw HEX
//
// Without --port the client takes ServerPort (and LocalAddress) from section IPC of Ombrix.Ini, as the
// console does.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "IpcClient.h"
#include "IpcWire.h"

namespace {

constexpr int kExitAnswered = 0;
constexpr int kExitNoAnswer = 1;
constexpr int kExitUsage = 2;
// Big enough for the longest client list a datagram can carry.
constexpr int kQueryBufferSize = 65536;

void ShowFailure(void*, const char* text)
{
    fprintf(stderr, "ipcctl: %s\n", text);
}

int Usage()
{
    fprintf(stderr, "usage: ipcctl [--port N] ping | sharing 0|1 | dial | hangup | stop | clients | dnsrelay 0|1 |\n"
                    "              dnsstatus | setdhcp USE LOW HIGH | dhcpstatus | getnetalarm |\n"
                    "              setnetalarm ENABLE MSGBOX DELAY LOG | raw HEX\n");
    return kExitUsage;
}

bool ParseWord(const char* text, uint32_t* out)
{
    char* end = nullptr;
    unsigned long value = strtoul(text, &end, 0);
    if (!text[0] || *end) {
        return false;
    }
    *out = static_cast<uint32_t>(value);
    return true;
}

bool ParseHex(const char* text, std::vector<uint8_t>* out)
{
    std::string digits;
    for (const char* p = text; *p; ++p) {
        if (*p != ' ' && *p != ':' && *p != '-') {
            digits += *p;
        }
    }
    if (digits.size() % 2) {
        return false;
    }
    for (size_t i = 0; i < digits.size(); i += 2) {
        char pair[3] = {digits[i], digits[i + 1], 0};
        char* end = nullptr;
        unsigned long byte = strtoul(pair, &end, 16);
        if (*end) {
            return false;
        }
        out->push_back(static_cast<uint8_t>(byte));
    }
    return true;
}

std::string Dotted(uint32_t address)
{
    // The value holds the address in network order: its first byte in memory is the first octet.
    const uint8_t* b = reinterpret_cast<const uint8_t*>(&address);
    char text[16];
    snprintf(text, sizeof text, "%i.%i.%i.%i", b[0], b[1], b[2], b[3]);
    return text;
}

int Answered(BOOL ok)
{
    if (!ok) {
        printf("reply=none\n");
        return kExitNoAnswer;
    }
    printf("reply=ack\n");
    return kExitAnswered;
}

int Clients(CIpcClient& client)
{
    std::vector<uint8_t> buffer(kQueryBufferSize, 0);
    if (!client.QueryRequest(IPC_GET_CLIENTS, buffer.data(), kQueryBufferSize)) {
        return Answered(FALSE);
    }
    IpcClientList list;
    IpcDecodeClientList(buffer.data(), buffer.size(), &list);
    printf("reserved=%u\ncount=%u\n", list.reserved, list.count);
    for (const IpcClientEntry& c : list.clients) {
        const uint8_t* m = c.hdwrAddr;
        printf("client=%s %s %02x:%02x:%02x:%02x:%02x:%02x access=%u\n", c.idHostname.c_str(), Dotted(c.inAddr).c_str(),
               m[0], m[1], m[2], m[3], m[4], m[5], c.internetAccess);
    }
    return kExitAnswered;
}

int DnsStatus(CIpcClient& client)
{
    uint8_t data[kIpcDnsStatusSize] = {};
    if (!client.QueryRequest(IPC_GET_DNS_STATUS, data, sizeof data)) {
        return Answered(FALSE);
    }
    IpcDnsStatus s = IpcDecodeDnsStatus(data, sizeof data);
    printf("size=%u\nrelay_running=%u\ndhcp_running=%u\nlan_address=%s\n", s.size, s.relayRunning, s.dhcpRunning,
           Dotted(s.lanAddress).c_str());
    return kExitAnswered;
}

int DhcpStatus(CIpcClient& client)
{
    uint8_t data[kIpcDhcpBlockSize] = {};
    if (!client.QueryRequest(IPC_GET_DHCP_STATUS, data, sizeof data)) {
        return Answered(FALSE);
    }
    IpcDhcpBlock s = IpcDecodeDhcpBlock(data, sizeof data);
    printf("size=%u\nrunning=%u\nlow=%u\nhigh=%u\nnetwork=%s\n", s.size, s.useOrRunning, s.lowAddress, s.highAddress,
           Dotted(s.network).c_str());
    return kExitAnswered;
}

int GetNetAlarm(CIpcClient& client)
{
    uint8_t data[kIpcNetAlarmSize] = {};
    if (!client.QueryRequest(IPC_GET_NETALARM, data, sizeof data)) {
        return Answered(FALSE);
    }
    IpcNetAlarmSettings s = IpcDecodeNetAlarm(data, sizeof data);
    printf("size=%u\nenable=%u\nmessage_box=%u\ndelay_time=%u\nlog_alarms=%u\n", s.size, s.enable, s.messageBox,
           s.delayTime, s.logAlarms);
    return kExitAnswered;
}

int Raw(CIpcClient& client, const std::vector<uint8_t>& datagram)
{
    std::vector<uint8_t> buffer(kQueryBufferSize, 0);
    int length = 0;
    if (!client.RawRequest(datagram.data(), static_cast<int>(datagram.size()), kIpcRequestTimeoutMs, buffer.data(),
                           kQueryBufferSize, &length)) {
        return Answered(FALSE);
    }
    printf("reply=b29a65f4");
    for (int i = 0; i < length && i < kQueryBufferSize; ++i) {
        printf("%02x", buffer[static_cast<size_t>(i)]);
    }
    printf("\ndata_length=%d\n", length);
    return kExitAnswered;
}

}  // namespace

int main(int argc, char** argv)
{
    int arg = 1;
    long port = -1;
    if (arg + 1 < argc && strcmp(argv[arg], "--port") == 0) {
        port = strtol(argv[arg + 1], nullptr, 10);
        arg += 2;
    }
    if (arg >= argc) {
        return Usage();
    }
    const std::string command = argv[arg];
    std::vector<uint32_t> words;
    std::vector<uint8_t> raw;
    for (int i = arg + 1; i < argc; ++i) {
        uint32_t w = 0;
        if (command == "raw") {
            if (!ParseHex(argv[i], &raw)) {
                return Usage();
            }
        } else if (ParseWord(argv[i], &w)) {
            words.push_back(w);
        } else {
            return Usage();
        }
    }
    struct Shape {
        const char* name;
        size_t words;
    };
    const Shape shapes[] = {{"ping", 0},    {"sharing", 1},    {"dial", 0},        {"hangup", 0},
                            {"stop", 0},    {"clients", 0},    {"dnsrelay", 1},    {"dnsstatus", 0},
                            {"setdhcp", 3}, {"dhcpstatus", 0}, {"getnetalarm", 0}, {"setnetalarm", 4}};
    bool known = command == "raw" && !raw.empty();
    for (const Shape& s : shapes) {
        known = known || (command == s.name && words.size() == s.words);
    }
    if (!known) {
        return Usage();
    }

    CIpcClient client;
    client.SetFailureHandler(ShowFailure, nullptr);
    BOOL started = port >= 0 ? client.StartWith(static_cast<unsigned short>(port), "") : client.Start();
    if (!started) {
        fprintf(stderr, "ipcctl: the IPC client could not start (error %d)\n", client.LastError());
        return kExitNoAnswer;
    }
    if (command == "ping") {
        return Answered(client.PingRequest(IPC_PING));
    }
    if (command == "sharing") {
        return Answered(client.CommandRequest(IPC_SET_SHARING, words[0], 1));
    }
    if (command == "dial") {
        return Answered(client.CommandRequest(IPC_DIAL, 0, 0));
    }
    if (command == "hangup") {
        return Answered(client.CommandRequest(IPC_HANG_UP, 0, 0));
    }
    if (command == "stop") {
        return Answered(client.CommandRequest(IPC_STOP_SERVICE, 0, 0));
    }
    if (command == "dnsrelay") {
        return Answered(client.CommandRequest(IPC_SET_DNS_RELAY, words[0], 0));
    }
    if (command == "setdhcp") {
        IpcDhcpBlock block;
        block.useOrRunning = words[0];
        block.lowAddress = words[1];
        block.highAddress = words[2];
        uint8_t data[kIpcDhcpBlockSize];
        IpcEncodeDhcpBlock(block, data);
        return Answered(client.SettingsRequest(IPC_SET_DHCP, data, sizeof data));
    }
    if (command == "setnetalarm") {
        IpcNetAlarmSettings settings;
        settings.enable = words[0];
        settings.messageBox = words[1];
        settings.delayTime = words[2];
        settings.logAlarms = words[3];
        uint8_t data[kIpcNetAlarmSize];
        IpcEncodeNetAlarm(settings, data);
        return Answered(client.SettingsRequest(IPC_SET_NETALARM, data, sizeof data));
    }
    if (command == "clients") {
        return Clients(client);
    }
    if (command == "dnsstatus") {
        return DnsStatus(client);
    }
    if (command == "dhcpstatus") {
        return DhcpStatus(client);
    }
    if (command == "getnetalarm") {
        return GetNetAlarm(client);
    }
    return Raw(client, raw);
}
