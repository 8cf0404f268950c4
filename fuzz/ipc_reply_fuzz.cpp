// ipc_reply_fuzz: arbitrary bytes as the data of a reply, through each decoder the console reads replies
// with: client list, DHCP block, DNS status and NetAlarm settings. The bytes sit in a heap block of exactly
// their size, so a decoder reading one byte too far is caught. Each decoded value must encode back to the
// bytes it came from (missing bytes reading as zero), and decode again to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "IpcWire.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// The first `blockSize` bytes of the input, zero-filled where the input is shorter.
std::vector<uint8_t> Padded(const uint8_t* data, size_t size, size_t blockSize)
{
    std::vector<uint8_t> block(blockSize, 0);
    std::memcpy(block.data(), data, size < blockSize ? size : blockSize);
    return block;
}

bool SameEntry(const IpcClientEntry& a, const IpcClientEntry& b)
{
    return a.idHostname == b.idHostname && a.inAddr == b.inAddr &&
           std::memcmp(a.hdwrAddr, b.hdwrAddr, kIpcClientHardwareSize) == 0 && a.internetAccess == b.internetAccess;
}

void CheckBlocks(const uint8_t* data, size_t size)
{
    const IpcDhcpBlock dhcp = IpcDecodeDhcpBlock(data, size);
    uint8_t dhcpBytes[kIpcDhcpBlockSize];
    IpcEncodeDhcpBlock(dhcp, dhcpBytes);
    Check(std::memcmp(dhcpBytes, Padded(data, size, kIpcDhcpBlockSize).data(), kIpcDhcpBlockSize) == 0);
    const IpcDhcpBlock dhcpAgain = IpcDecodeDhcpBlock(dhcpBytes, sizeof dhcpBytes);
    Check(dhcpAgain.size == dhcp.size && dhcpAgain.useOrRunning == dhcp.useOrRunning &&
          dhcpAgain.lowAddress == dhcp.lowAddress && dhcpAgain.highAddress == dhcp.highAddress &&
          dhcpAgain.network == dhcp.network);

    const IpcDnsStatus dns = IpcDecodeDnsStatus(data, size);
    uint8_t dnsBytes[kIpcDnsStatusSize];
    IpcEncodeDnsStatus(dns, dnsBytes);
    Check(std::memcmp(dnsBytes, Padded(data, size, kIpcDnsStatusSize).data(), kIpcDnsStatusSize) == 0);
    const IpcDnsStatus dnsAgain = IpcDecodeDnsStatus(dnsBytes, sizeof dnsBytes);
    Check(dnsAgain.size == dns.size && dnsAgain.relayRunning == dns.relayRunning &&
          dnsAgain.dhcpRunning == dns.dhcpRunning && dnsAgain.lanAddress == dns.lanAddress);

    const IpcNetAlarmSettings alarm = IpcDecodeNetAlarm(data, size);
    uint8_t alarmBytes[kIpcNetAlarmSize];
    IpcEncodeNetAlarm(alarm, alarmBytes);
    Check(std::memcmp(alarmBytes, Padded(data, size, kIpcNetAlarmSize).data(), kIpcNetAlarmSize) == 0);
    const IpcNetAlarmSettings alarmAgain = IpcDecodeNetAlarm(alarmBytes, sizeof alarmBytes);
    Check(alarmAgain.size == alarm.size && alarmAgain.enable == alarm.enable &&
          alarmAgain.messageBox == alarm.messageBox && alarmAgain.delayTime == alarm.delayTime &&
          alarmAgain.logAlarms == alarm.logAlarms);
}

void CheckClientList(const uint8_t* data, size_t size)
{
    IpcClientList list;
    list.count = 0xDEADBEEF;
    if (!IpcDecodeClientList(data, size, &list)) {
        Check(size < kIpcClientListHeaderSize);
        return;
    }
    Check(size >= kIpcClientListHeaderSize);
    Check(list.reserved == IpcGetWord(data) && list.count == IpcGetWord(data + 2 * kIpcWordSize));
    const size_t whole = (size - kIpcClientListHeaderSize) / kIpcClientRecordSize;
    Check(list.clients.size() == (list.count < whole ? list.count : whole));

    for (size_t i = 0; i < list.clients.size(); ++i) {
        const uint8_t* record = data + kIpcClientListHeaderSize + i * kIpcClientRecordSize;
        const IpcClientEntry& client = list.clients[i];
        // The name is the record's bytes up to the first zero, at most the whole field.
        Check(client.idHostname.size() <= kIpcClientHostNameSize);
        Check(std::memcmp(client.idHostname.data(), record, client.idHostname.size()) == 0);
        Check(client.idHostname.size() == kIpcClientHostNameSize || record[client.idHostname.size()] == 0);
        Check(client.idHostname.find('\0') == std::string::npos);

        // Encoding gives the record back, except what the decoder does not keep: the name field behind its
        // terminator and the two reserved bytes, which are written as zeros.
        uint8_t again[kIpcClientRecordSize];
        IpcEncodeClientRecord(client, again);
        std::vector<uint8_t> expected(record, record + kIpcClientRecordSize);
        std::fill(expected.begin() + static_cast<std::ptrdiff_t>(client.idHostname.size()),
                  expected.begin() + kIpcClientHostNameSize, 0);
        expected[kIpcClientRecordReserved] = 0;
        expected[kIpcClientRecordReserved + 1] = 0;
        Check(std::memcmp(again, expected.data(), kIpcClientRecordSize) == 0);
        Check(SameEntry(IpcDecodeClientRecord(again), client));
    }

    // The service's encoder and the console's decoder agree on every list the decoder can produce.
    const std::vector<uint8_t> encoded = IpcEncodeClientList(list.reserved, list.clients);
    Check(encoded.size() == kIpcClientListBaseSize + list.clients.size() * kIpcClientRecordSize);
    IpcClientList decoded;
    Check(IpcDecodeClientList(encoded.data(), encoded.size(), &decoded));
    Check(decoded.reserved == list.reserved && decoded.count == list.clients.size());
    Check(decoded.clients.size() == list.clients.size());
    for (size_t i = 0; i < decoded.clients.size(); ++i) {
        Check(SameEntry(decoded.clients[i], list.clients[i]));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t size)
{
    std::unique_ptr<uint8_t[]> owned(new uint8_t[size ? size : 1]);
    if (size) {
        std::memcpy(owned.get(), input, size);
    }
    const uint8_t* data = size ? owned.get() : nullptr;

    // As a whole datagram: the magic check, then the decoders on what follows it, as the console does.
    const bool reply = IpcIsReply(data, size);
    Check(reply == (size >= kIpcReplyDataOffset && IpcGetWord(data) == IPC_REPLY_MAGIC));
    if (reply) {
        CheckBlocks(data + kIpcReplyDataOffset, size - kIpcReplyDataOffset);
        CheckClientList(data + kIpcReplyDataOffset, size - kIpcReplyDataOffset);
    }
    // And as reply data straight away, so the fuzzer needs no magic to reach the decoders.
    if (size) {
        CheckBlocks(data, size);
    }
    CheckClientList(data, size);
    return 0;
}
