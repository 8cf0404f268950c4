#include "PacketDriver.h"

#include "ByteOrder.h"

namespace {
const char kDriverDevicePath[] = "\\\\.\\OMBRIX";
}  // namespace

CPacketDriver::~CPacketDriver()
{
    Close();
}

bool CPacketDriver::Open()
{
    Close();
    handle_ = CreateFileA(kDriverDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, 0, nullptr);
    return IsOpen();
}

void CPacketDriver::Close()
{
    if (IsOpen())
        CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

bool CPacketDriver::Control(uint32_t code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned)
{
    // NT insists on a byte count when there is no OVERLAPPED, even for requests without output.
    return DeviceIoControl(handle_, code, in, inSize, out, outSize, &returned, nullptr) != 0;
}

bool CPacketDriver::Request(uint32_t code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD& returned)
{
    returned = 0;
    lastOutputBytes_ = 0;
    if (!IsOpen())
        return false;
    DWORD reported = 0;
    if (!Control(code, const_cast<void*>(in), inSize, out, outSize, reported))
        return false;
    // The count is the driver's word, not a fact about the buffer: a driver that claims more than it could
    // have written must not make a decoder read past the end of what was handed to it.
    returned = reported < outSize ? reported : outSize;
    lastOutputBytes_ = returned;
    return true;
}

bool CPacketDriver::SendFlag(uint32_t code, bool on)
{
    uint8_t flag[kDriverFlagSize];
    StoreLe32(flag, on ? 1 : 0);
    DWORD returned;
    return Request(code, flag, sizeof flag, nullptr, 0, returned);
}

bool CPacketDriver::SetSharing(bool on)
{
    return SendFlag(kDriverSetSharing, on);
}

bool CPacketDriver::SetAlarm(bool on)
{
    return SendFlag(kDriverSetAlarm, on);
}

bool CPacketDriver::GetStatus(uint32_t& status)
{
    uint8_t word[kDriverStatusSize] = {};
    DWORD returned;
    if (!Request(kDriverGetStatus, nullptr, 0, word, sizeof word, returned))
        return false;
    status = LoadLe32(word);
    return true;
}

bool CPacketDriver::GetForward(uint16_t index, PortForwardRecord& record)
{
    // The driver takes the index from the output buffer itself.
    PortForwardRecord query;
    query.index = index;
    PortForwardBytes bytes = EncodePortForward(query);
    DWORD returned;
    if (!Request(kDriverGetForward, nullptr, 0, bytes.data(), static_cast<DWORD>(bytes.size()), returned))
        return false;
    return DecodePortForward(bytes.data(), bytes.size(), record);
}

bool CPacketDriver::AddForward(const PortForwardRecord& record)
{
    PortForwardBytes bytes = EncodePortForward(record);
    DWORD returned;
    return Request(kDriverAddForward, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, 0, returned);
}

bool CPacketDriver::RemoveForward(const PortForwardRecord& record)
{
    PortForwardBytes bytes = EncodePortForward(record);
    DWORD returned;
    return Request(kDriverRemoveForward, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, 0, returned);
}

bool CPacketDriver::GetAlarms(std::vector<AlarmRecord>& records)
{
    records.clear();
    std::vector<uint8_t> block(kAlarmBufferSize, 0);
    DWORD returned;
    if (!Request(kDriverGetAlarms, nullptr, 0, block.data(), static_cast<DWORD>(block.size()), returned))
        return false;
    // Only what the driver wrote counts; the clamp in the decoder keeps a wrong count from reading further.
    return DecodeAlarmBlock(block.data(), returned, records);
}
