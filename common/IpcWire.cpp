#include "IpcWire.h"

#include <cstring>

#include "ByteOrder.h"

void IpcPutWord(uint8_t* at, uint32_t value)
{
    StoreLe32(at, value);
}

uint32_t IpcGetWord(const uint8_t* at)
{
    return LoadLe32(at);
}

uint32_t IpcBlockWord(const uint8_t* block, size_t length, size_t index)
{
    // A word cut by the end of the block keeps the bytes that are there; the missing ones are zero.
    uint8_t word[kIpcWordSize] = {};
    size_t start = index * kIpcWordSize;
    for (size_t i = 0; i < kIpcWordSize; ++i) {
        if (block && start + i < length) {
            word[i] = block[start + i];
        }
    }
    return IpcGetWord(word);
}

bool IpcDecodeRequest(const uint8_t* datagram, size_t length, IpcRequestView* out)
{
    if (!datagram || length < kIpcRequestPayloadOffset) {
        return false;
    }
    out->code = IpcGetWord(datagram + kIpcRequestCodeOffset);
    out->payload = datagram + kIpcRequestPayloadOffset;
    out->payloadLength = length - kIpcRequestPayloadOffset;
    return true;
}

std::vector<uint8_t> IpcEncodeRequest(uint32_t code)
{
    std::vector<uint8_t> datagram(kIpcRequestPayloadOffset);
    IpcPutWord(&datagram[kIpcRequestCodeOffset], code);
    return datagram;
}

std::vector<uint8_t> IpcEncodeCommand(uint32_t code, uint32_t word1, uint32_t word2)
{
    std::vector<uint8_t> datagram(kIpcCommandDatagramSize);
    IpcPutWord(&datagram[kIpcRequestCodeOffset], code);
    IpcPutWord(&datagram[kIpcRequestPayloadOffset], word1);
    IpcPutWord(&datagram[kIpcRequestPayloadOffset + kIpcWordSize], word2);
    return datagram;
}

std::vector<uint8_t> IpcEncodeSettingsRequest(uint32_t code, const uint8_t* block, size_t length)
{
    std::vector<uint8_t> datagram(kIpcRequestPayloadOffset + length);
    IpcPutWord(&datagram[kIpcRequestCodeOffset], code);
    if (length) {
        memcpy(&datagram[kIpcRequestPayloadOffset], block, length);
    }
    return datagram;
}

bool IpcIsReply(const uint8_t* datagram, size_t length)
{
    return datagram && length >= kIpcReplyDataOffset && IpcGetWord(datagram + kIpcReplyMagicOffset) == IPC_REPLY_MAGIC;
}

std::vector<uint8_t> IpcEncodeReply(const uint8_t* data, size_t length)
{
    std::vector<uint8_t> datagram(kIpcReplyDataOffset + length);
    IpcPutWord(&datagram[kIpcReplyMagicOffset], IPC_REPLY_MAGIC);
    if (length) {
        memcpy(&datagram[kIpcReplyDataOffset], data, length);
    }
    return datagram;
}

void IpcEncodeDhcpBlock(const IpcDhcpBlock& block, uint8_t out[kIpcDhcpBlockSize])
{
    IpcPutWord(out + kIpcDhcpWordStructSize * kIpcWordSize, block.size);
    IpcPutWord(out + kIpcDhcpWordUseOrRunning * kIpcWordSize, block.useOrRunning);
    IpcPutWord(out + kIpcDhcpWordLow * kIpcWordSize, block.lowAddress);
    IpcPutWord(out + kIpcDhcpWordHigh * kIpcWordSize, block.highAddress);
    IpcPutWord(out + kIpcDhcpWordNetwork * kIpcWordSize, block.network);
}

IpcDhcpBlock IpcDecodeDhcpBlock(const uint8_t* data, size_t length)
{
    IpcDhcpBlock block;
    block.size = IpcBlockWord(data, length, kIpcDhcpWordStructSize);
    block.useOrRunning = IpcBlockWord(data, length, kIpcDhcpWordUseOrRunning);
    block.lowAddress = IpcBlockWord(data, length, kIpcDhcpWordLow);
    block.highAddress = IpcBlockWord(data, length, kIpcDhcpWordHigh);
    block.network = IpcBlockWord(data, length, kIpcDhcpWordNetwork);
    return block;
}

void IpcEncodeDnsStatus(const IpcDnsStatus& status, uint8_t out[kIpcDnsStatusSize])
{
    IpcPutWord(out + kIpcDnsWordStructSize * kIpcWordSize, status.size);
    IpcPutWord(out + kIpcDnsWordRelayRunning * kIpcWordSize, status.relayRunning);
    IpcPutWord(out + kIpcDnsWordDhcpRunning * kIpcWordSize, status.dhcpRunning);
    IpcPutWord(out + kIpcDnsWordLanAddress * kIpcWordSize, status.lanAddress);
}

IpcDnsStatus IpcDecodeDnsStatus(const uint8_t* data, size_t length)
{
    IpcDnsStatus status;
    status.size = IpcBlockWord(data, length, kIpcDnsWordStructSize);
    status.relayRunning = IpcBlockWord(data, length, kIpcDnsWordRelayRunning);
    status.dhcpRunning = IpcBlockWord(data, length, kIpcDnsWordDhcpRunning);
    status.lanAddress = IpcBlockWord(data, length, kIpcDnsWordLanAddress);
    return status;
}

void IpcEncodeNetAlarm(const IpcNetAlarmSettings& settings, uint8_t out[kIpcNetAlarmSize])
{
    IpcPutWord(out + kIpcNetAlarmWordStructSize * kIpcWordSize, settings.size);
    IpcPutWord(out + kIpcNetAlarmWordEnable * kIpcWordSize, settings.enable);
    IpcPutWord(out + kIpcNetAlarmWordMessageBox * kIpcWordSize, settings.messageBox);
    IpcPutWord(out + kIpcNetAlarmWordDelayTime * kIpcWordSize, settings.delayTime);
    IpcPutWord(out + kIpcNetAlarmWordLogAlarms * kIpcWordSize, settings.logAlarms);
}

IpcNetAlarmSettings IpcDecodeNetAlarm(const uint8_t* data, size_t length)
{
    IpcNetAlarmSettings settings;
    settings.size = IpcBlockWord(data, length, kIpcNetAlarmWordStructSize);
    settings.enable = IpcBlockWord(data, length, kIpcNetAlarmWordEnable);
    settings.messageBox = IpcBlockWord(data, length, kIpcNetAlarmWordMessageBox);
    settings.delayTime = IpcBlockWord(data, length, kIpcNetAlarmWordDelayTime);
    settings.logAlarms = IpcBlockWord(data, length, kIpcNetAlarmWordLogAlarms);
    return settings;
}

void IpcEncodeClientRecord(const IpcClientEntry& client, uint8_t out[kIpcClientRecordSize])
{
    memset(out, 0, kIpcClientRecordSize);
    size_t nameLength = client.idHostname.size();
    if (nameLength > kIpcClientHostNameSize) {
        nameLength = kIpcClientHostNameSize;
    }
    if (nameLength) {
        memcpy(out + kIpcClientRecordHostName, client.idHostname.data(), nameLength);
    }
    IpcPutWord(out + kIpcClientRecordAddress, client.inAddr);
    memcpy(out + kIpcClientRecordHardware, client.hdwrAddr, kIpcClientHardwareSize);
    IpcPutWord(out + kIpcClientRecordInternetAccess, client.internetAccess);
}

IpcClientEntry IpcDecodeClientRecord(const uint8_t in[kIpcClientRecordSize])
{
    IpcClientEntry client;
    size_t nameLength = 0;
    while (nameLength < kIpcClientHostNameSize && in[kIpcClientRecordHostName + nameLength] != 0) {
        ++nameLength;
    }
    client.idHostname.assign(reinterpret_cast<const char*>(in + kIpcClientRecordHostName), nameLength);
    client.inAddr = IpcGetWord(in + kIpcClientRecordAddress);
    memcpy(client.hdwrAddr, in + kIpcClientRecordHardware, kIpcClientHardwareSize);
    client.internetAccess = IpcGetWord(in + kIpcClientRecordInternetAccess);
    return client;
}

std::vector<uint8_t> IpcEncodeClientList(uint32_t reservedWord, const std::vector<IpcClientEntry>& clients)
{
    size_t count = clients.size();
    if (count > kIpcMaxListedClients) {
        count = kIpcMaxListedClients;
    }
    std::vector<uint8_t> data(kIpcClientListBaseSize + count * kIpcClientRecordSize, 0);
    IpcPutWord(&data[kIpcClientListWordReserved * kIpcWordSize], reservedWord);
    IpcPutWord(&data[kIpcClientListWordZero * kIpcWordSize], 0);
    IpcPutWord(&data[kIpcClientListWordCount * kIpcWordSize], static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i) {
        IpcEncodeClientRecord(clients[i], &data[kIpcClientListHeaderSize + i * kIpcClientRecordSize]);
    }
    return data;
}

bool IpcDecodeClientList(const uint8_t* data, size_t length, IpcClientList* out)
{
    if (!data || length < kIpcClientListHeaderSize) {
        return false;
    }
    out->reserved = IpcGetWord(data + kIpcClientListWordReserved * kIpcWordSize);
    out->count = IpcGetWord(data + kIpcClientListWordCount * kIpcWordSize);
    out->clients.clear();
    size_t whole = (length - kIpcClientListHeaderSize) / kIpcClientRecordSize;
    size_t take = out->count < whole ? out->count : whole;
    for (size_t i = 0; i < take; ++i) {
        out->clients.push_back(IpcDecodeClientRecord(data + kIpcClientListHeaderSize + i * kIpcClientRecordSize));
    }
    return true;
}
