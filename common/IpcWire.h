#pragma once
// IpcWire: the datagrams of the service control protocol as bytes. The service and the console both build
// and read them here, so the two sides cannot drift apart. Every integer on the wire is a 32-bit
// little-endian word; IPv4 addresses are carried as the 32-bit value that holds them in network order in
// memory, which on the little-endian targets puts the first octet first.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Request codes (the first word of a request datagram).
constexpr uint32_t IPC_PING = 1124;
constexpr uint32_t IPC_SET_SHARING = 1186;
constexpr uint32_t IPC_DIAL = 1225;
constexpr uint32_t IPC_HANG_UP = 1226;
constexpr uint32_t IPC_STOP_SERVICE = 1229;
constexpr uint32_t IPC_GET_CLIENTS = 1234;
constexpr uint32_t IPC_SET_DNS_RELAY = 1244;
constexpr uint32_t IPC_GET_DNS_STATUS = 1245;
constexpr uint32_t IPC_SET_DHCP = 1248;
constexpr uint32_t IPC_GET_DHCP_STATUS = 1249;
constexpr uint32_t IPC_GET_NETALARM = 1254;
constexpr uint32_t IPC_SET_NETALARM = 1255;

/// First word of every reply; there is no request id, so this is all that tells a reply from noise.
constexpr uint32_t IPC_REPLY_MAGIC = 0xF4659AB2;

constexpr size_t kIpcWordSize = 4;

// Request datagram: the code, then the payload the code defines.
constexpr size_t kIpcRequestCodeOffset = 0;
constexpr size_t kIpcRequestPayloadOffset = 4;
/// The console's command requests carry two words after the code.
constexpr size_t kIpcCommandDatagramSize = 12;

// Reply datagram: the magic, then the reply data.
constexpr size_t kIpcReplyMagicOffset = 0;
constexpr size_t kIpcReplyDataOffset = 4;

/// Largest UDP payload a datagram can carry; a client list is cut to what fits.
constexpr size_t kIpcMaxDatagramSize = 65507;

// DHCP settings (payload of IPC_SET_DHCP) and DHCP status (reply of IPC_GET_DHCP_STATUS), 20 bytes each.
constexpr size_t kIpcDhcpBlockSize = 20;
constexpr size_t kIpcDhcpWordStructSize = 0;  // structure size, 20 (never checked)
constexpr size_t kIpcDhcpWordUseOrRunning = 1;
constexpr size_t kIpcDhcpWordLow = 2;      // low host number of the pool
constexpr size_t kIpcDhcpWordHigh = 3;     // high host number of the pool
constexpr size_t kIpcDhcpWordNetwork = 4;  // status: the pool's network; settings: not read

// DNS status (reply of IPC_GET_DNS_STATUS), 16 bytes.
constexpr size_t kIpcDnsStatusSize = 16;
constexpr size_t kIpcDnsWordStructSize = 0;
constexpr size_t kIpcDnsWordRelayRunning = 1;
constexpr size_t kIpcDnsWordDhcpRunning = 2;
constexpr size_t kIpcDnsWordLanAddress = 3;

// NetAlarm settings (reply of IPC_GET_NETALARM, payload of IPC_SET_NETALARM), 20 bytes.
constexpr size_t kIpcNetAlarmSize = 20;
constexpr size_t kIpcNetAlarmWordStructSize = 0;
constexpr size_t kIpcNetAlarmWordEnable = 1;
constexpr size_t kIpcNetAlarmWordMessageBox = 2;
constexpr size_t kIpcNetAlarmWordDelayTime = 3;
constexpr size_t kIpcNetAlarmWordLogAlarms = 4;

// Client list (reply of IPC_GET_CLIENTS): a 12-byte header, one record per client, a reserved tail.
constexpr size_t kIpcClientListHeaderSize = 12;
constexpr size_t kIpcClientListWordReserved = 0;
constexpr size_t kIpcClientListWordZero = 1;
constexpr size_t kIpcClientListWordCount = 2;
constexpr size_t kIpcClientRecordSize = 116;
constexpr size_t kIpcClientRecordHostName = 0;
constexpr size_t kIpcClientHostNameSize = 100;
constexpr size_t kIpcClientRecordAddress = 100;
constexpr size_t kIpcClientRecordHardware = 104;
constexpr size_t kIpcClientHardwareSize = 6;
constexpr size_t kIpcClientRecordReserved = 110;
constexpr size_t kIpcClientRecordInternetAccess = 112;
constexpr size_t kIpcClientListTailSize = kIpcClientRecordSize;
/// Data bytes of an empty list: header and tail.
constexpr size_t kIpcClientListBaseSize = kIpcClientListHeaderSize + kIpcClientListTailSize;
static_assert(kIpcClientRecordInternetAccess + kIpcWordSize == kIpcClientRecordSize, "client record is 116 bytes");
static_assert(kIpcClientRecordReserved + 2 == kIpcClientRecordInternetAccess, "two reserved bytes");
static_assert(kIpcClientListBaseSize == 128, "an empty client list is 128 bytes");
/// Most records a list reply can hold: magic, header, records and tail within one datagram.
constexpr size_t kIpcMaxListedClients =
    (kIpcMaxDatagramSize - kIpcReplyDataOffset - kIpcClientListBaseSize) / kIpcClientRecordSize;

/// Writes value as a little-endian word at `at`.
void IpcPutWord(uint8_t* at, uint32_t value);
/// Reads the little-endian word at `at`.
uint32_t IpcGetWord(const uint8_t* at);
/// Word `index` of a block of `length` bytes. Bytes past the block's end read as zero, so a payload shorter
/// than the words a request reads behaves as if zero-filled.
uint32_t IpcBlockWord(const uint8_t* block, size_t length, size_t index);

/// A request datagram taken apart; payload points into the datagram.
struct IpcRequestView {
    uint32_t code = 0;
    const uint8_t* payload = nullptr;
    size_t payloadLength = 0;
};

/// Splits a request datagram. Returns false for a datagram shorter than its code (it is dropped).
bool IpcDecodeRequest(const uint8_t* datagram, size_t length, IpcRequestView* out);
/// A request of the code alone (pings and queries).
std::vector<uint8_t> IpcEncodeRequest(uint32_t code);
/// A 12-byte command request: the code and two words.
std::vector<uint8_t> IpcEncodeCommand(uint32_t code, uint32_t word1, uint32_t word2);
/// A request of the code followed by a settings block.
std::vector<uint8_t> IpcEncodeSettingsRequest(uint32_t code, const uint8_t* block, size_t length);

/// True when a datagram is a reply: at least the magic's four bytes, starting with the magic.
bool IpcIsReply(const uint8_t* datagram, size_t length);
/// A reply: the magic followed by data (which may be empty: a bare acknowledgement).
std::vector<uint8_t> IpcEncodeReply(const uint8_t* data, size_t length);

/// The 20-byte DHCP block, in both of its uses. For settings, `useOrRunning` is the use-DHCP flag and
/// `network` is not read; for the status it is the running flag and the pool's network.
struct IpcDhcpBlock {
    uint32_t size = kIpcDhcpBlockSize;
    uint32_t useOrRunning = 0;
    uint32_t lowAddress = 0;
    uint32_t highAddress = 0;
    uint32_t network = 0;
};
void IpcEncodeDhcpBlock(const IpcDhcpBlock& block, uint8_t out[kIpcDhcpBlockSize]);
IpcDhcpBlock IpcDecodeDhcpBlock(const uint8_t* data, size_t length);

struct IpcDnsStatus {
    uint32_t size = kIpcDnsStatusSize;
    uint32_t relayRunning = 0;
    uint32_t dhcpRunning = 0;
    uint32_t lanAddress = 0;  ///< network order
};
void IpcEncodeDnsStatus(const IpcDnsStatus& status, uint8_t out[kIpcDnsStatusSize]);
IpcDnsStatus IpcDecodeDnsStatus(const uint8_t* data, size_t length);

struct IpcNetAlarmSettings {
    uint32_t size = kIpcNetAlarmSize;
    uint32_t enable = 0;
    uint32_t messageBox = 0;
    uint32_t delayTime = 0;
    uint32_t logAlarms = 0;
};
void IpcEncodeNetAlarm(const IpcNetAlarmSettings& settings, uint8_t out[kIpcNetAlarmSize]);
IpcNetAlarmSettings IpcDecodeNetAlarm(const uint8_t* data, size_t length);

/// One listed client as the service knows it.
struct IpcClientEntry {
    std::string idHostname;  ///< host name bytes as the client entry holds them (no terminator needed)
    uint32_t inAddr = 0;     ///< network order
    uint8_t hdwrAddr[kIpcClientHardwareSize] = {};
    uint32_t internetAccess = 0;
};

/// The client list as carried after the magic.
struct IpcClientList {
    uint32_t reserved = 0;                ///< header word 0
    uint32_t count = 0;                   ///< header word 2: the number of records the service listed
    std::vector<IpcClientEntry> clients;  ///< the records that the data held in full
};

/// Writes one 116-byte record; a host name longer than 100 bytes is cut and then carries no terminator.
void IpcEncodeClientRecord(const IpcClientEntry& client, uint8_t out[kIpcClientRecordSize]);
/// Reads one record; the host name ends at its first zero byte or after 100 bytes.
IpcClientEntry IpcDecodeClientRecord(const uint8_t in[kIpcClientRecordSize]);
/// The list data (128 + 116 x count bytes), at most kIpcMaxListedClients records, in the given order.
std::vector<uint8_t> IpcEncodeClientList(uint32_t reservedWord, const std::vector<IpcClientEntry>& clients);
/// Reads list data. Returns false when the header is incomplete; records cut off by the end of the data
/// (a caller's buffer too small for the whole list) are left out while `count` keeps the header's value.
bool IpcDecodeClientList(const uint8_t* data, size_t length, IpcClientList* out);
