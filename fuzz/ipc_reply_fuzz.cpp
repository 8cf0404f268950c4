// ipc_reply_fuzz: arbitrary bytes as the data of a reply, through each decoder the console reads replies
// with: client list, DHCP block, DNS status and NetAlarm settings. The bytes sit in a heap block of exactly
// their size, so a decoder reading one byte too far is caught. Each decoded value must encode back to the
// bytes it came from (missing bytes reading as zero), and decode again to itself.
//
// The checks cost no allocation of their own (fixed blocks on the stack, the input used where libFuzzer put
// it, in a heap block of its size), and each record is decoded twice only: as the decoder reads it, and
// from the service's list encoding, whose records must be the record encoder's bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "IpcWire.h"

namespace {

void Check(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

// True when the `blockSize` bytes of `block` are the input's first bytes, zeros where the input is shorter.
bool IsPadded(const uint8_t* block, size_t blockSize, const uint8_t* data, size_t size)
{
    const size_t taken = size < blockSize ? size : blockSize;
    if (taken != 0 && std::memcmp(block, data, taken) != 0) {
        return false;
    }
    for (size_t i = taken; i < blockSize; ++i) {
        if (block[i] != 0) {
            return false;
        }
    }
    return true;
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
    Check(IsPadded(dhcpBytes, kIpcDhcpBlockSize, data, size));
    const IpcDhcpBlock dhcpAgain = IpcDecodeDhcpBlock(dhcpBytes, sizeof dhcpBytes);
    Check(dhcpAgain.size == dhcp.size && dhcpAgain.useOrRunning == dhcp.useOrRunning &&
          dhcpAgain.lowAddress == dhcp.lowAddress && dhcpAgain.highAddress == dhcp.highAddress &&
          dhcpAgain.network == dhcp.network);

    const IpcDnsStatus dns = IpcDecodeDnsStatus(data, size);
    uint8_t dnsBytes[kIpcDnsStatusSize];
    IpcEncodeDnsStatus(dns, dnsBytes);
    Check(IsPadded(dnsBytes, kIpcDnsStatusSize, data, size));
    const IpcDnsStatus dnsAgain = IpcDecodeDnsStatus(dnsBytes, sizeof dnsBytes);
    Check(dnsAgain.size == dns.size && dnsAgain.relayRunning == dns.relayRunning &&
          dnsAgain.dhcpRunning == dns.dhcpRunning && dnsAgain.lanAddress == dns.lanAddress);

    const IpcNetAlarmSettings alarm = IpcDecodeNetAlarm(data, size);
    uint8_t alarmBytes[kIpcNetAlarmSize];
    IpcEncodeNetAlarm(alarm, alarmBytes);
    Check(IsPadded(alarmBytes, kIpcNetAlarmSize, data, size));
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

    // The service's encoder and the console's decoder agree on every list the decoder can produce.
    const std::vector<uint8_t> encoded = IpcEncodeClientList(list.reserved, list.clients);
    Check(encoded.size() == kIpcClientListBaseSize + list.clients.size() * kIpcClientRecordSize);

    for (size_t i = 0; i < list.clients.size(); ++i) {
        const uint8_t* record = data + kIpcClientListHeaderSize + i * kIpcClientRecordSize;
        const IpcClientEntry& client = list.clients[i];
        // The name is the record's bytes up to the first zero, at most the whole field.
        Check(client.idHostname.size() <= kIpcClientHostNameSize);
        Check(std::memcmp(client.idHostname.data(), record, client.idHostname.size()) == 0);
        Check(client.idHostname.size() == kIpcClientHostNameSize || record[client.idHostname.size()] == 0);
        Check(client.idHostname.find('\0') == std::string::npos);

        // Encoding gives the record back, except what the decoder does not keep: the name field behind its
        // terminator and the two reserved bytes, which are written as zeros. The list encoder writes the
        // same record, so decoding the list below decodes this record again.
        uint8_t again[kIpcClientRecordSize];
        IpcEncodeClientRecord(client, again);
        uint8_t expected[kIpcClientRecordSize];
        std::memcpy(expected, record, kIpcClientRecordSize);
        std::memset(expected + client.idHostname.size(), 0, kIpcClientHostNameSize - client.idHostname.size());
        expected[kIpcClientRecordReserved] = 0;
        expected[kIpcClientRecordReserved + 1] = 0;
        Check(std::memcmp(again, expected, kIpcClientRecordSize) == 0);
        Check(std::memcmp(encoded.data() + kIpcClientListHeaderSize + i * kIpcClientRecordSize, again,
                          kIpcClientRecordSize) == 0);
    }

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
    // libFuzzer hands every input over in a heap block of exactly its size.
    const uint8_t* data = size ? input : nullptr;

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
