#include "StandInDriver.h"

#include <cstdio>

#include "StandInCodes.h"

namespace {

const char kDevicePath[] = "\\\\.\\OMBRIX";
const size_t kWordSize = 4;
const size_t kPeekStateSize = 2 * kWordSize;

void PutWord(uint8_t* p, uint32_t v)
{
    for (size_t i = 0; i < kWordSize; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t GetWord(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

CStandInDriver::CStandInDriver() : service_(kServiceName, kFileName, kImagePath, kDevicePath, DeviceOpens) {}

CStandInDriver::~CStandInDriver()
{
    CloseDevice();
}

bool CStandInDriver::Fail(const char* step)
{
    return service_.Fail(step);
}

bool CStandInDriver::Fail(const char* step, DWORD error)
{
    return service_.Fail(step, error);
}

std::string CStandInDriver::FileBesideProgram()
{
    return CKernelDriverService::FileBesideProgram(kFileName);
}

std::string CStandInDriver::InstalledFile()
{
    return CKernelDriverService::InstalledFile(kFileName);
}

bool CStandInDriver::Install(const std::string& sysFile)
{
    return service_.Install(sysFile);
}

bool CStandInDriver::IsInstalled()
{
    return service_.IsInstalled();
}

bool CStandInDriver::IsRunning()
{
    DWORD state = 0;
    return service_.QueryState(state) && state == SERVICE_RUNNING;
}

bool CStandInDriver::DeviceOpens()
{
    HANDLE h = CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(h);
    return true;
}

bool CStandInDriver::Start(DWORD timeoutMs)
{
    return service_.Start(timeoutMs);
}

bool CStandInDriver::Stop(DWORD timeoutMs)
{
    // A handle of ours left open would keep the device object alive across the unload.
    CloseDevice();
    return service_.Stop(timeoutMs);
}

bool CStandInDriver::Uninstall()
{
    CloseDevice();
    return service_.Uninstall();
}

void CStandInDriver::CloseDevice()
{
    if (device_ != INVALID_HANDLE_VALUE)
        CloseHandle(device_);
    device_ = INVALID_HANDLE_VALUE;
}

bool CStandInDriver::Control(DWORD code, const void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned)
{
    if (device_ == INVALID_HANDLE_VALUE) {
        device_ = CreateFileA(kDevicePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
        if (device_ == INVALID_HANDLE_VALUE)
            return Fail("opening \\\\.\\OMBRIX");
    }
    DWORD got = 0;
    if (!DeviceIoControl(device_, code, const_cast<void*>(in), inSize, out, outSize, &got, nullptr)) {
        const DWORD error = GetLastError();
        // The driver may have been restarted under us; the next call opens the new device.
        CloseDevice();
        char step[48];
        std::snprintf(step, sizeof step, "private code 0x%lx", static_cast<unsigned long>(code));
        return Fail(step, error);
    }
    if (returned)
        *returned = got;
    return true;
}

bool CStandInDriver::SendWord(DWORD code, uint32_t value)
{
    uint8_t word[kWordSize];
    PutWord(word, value);
    return Control(code, word, sizeof word, nullptr, 0);
}

bool CStandInDriver::ReadWord(DWORD code, uint32_t& value)
{
    uint8_t word[kWordSize] = {};
    DWORD got = 0;
    if (!Control(code, nullptr, 0, word, sizeof word, &got))
        return false;
    if (got < sizeof word)
        return Fail("short reply", ERROR_INVALID_DATA);
    value = GetWord(word);
    return true;
}

bool CStandInDriver::SetStatusBits(uint32_t bits)
{
    return SendWord(OMBRIX_STANDIN_SET_STATUS_BITS, bits);
}

bool CStandInDriver::ClearStatusBits(uint32_t bits)
{
    return SendWord(OMBRIX_STANDIN_CLEAR_STATUS_BITS, bits);
}

bool CStandInDriver::SetFailMask(uint32_t mask)
{
    return SendWord(OMBRIX_STANDIN_SET_FAIL_MASK, mask);
}

bool CStandInDriver::SetOverreport(uint32_t extra)
{
    return SendWord(OMBRIX_STANDIN_SET_OVERREPORT, extra);
}

bool CStandInDriver::Reset()
{
    return Control(OMBRIX_STANDIN_RESET, nullptr, 0, nullptr, 0);
}

bool CStandInDriver::QueueAlarm(const AlarmRecord& record)
{
    return QueueAlarms({record});
}

bool CStandInDriver::QueueAlarms(const std::vector<AlarmRecord>& records, uint32_t* taken)
{
    if (records.empty())
        return Fail("queueing no records", ERROR_INVALID_PARAMETER);
    std::vector<uint8_t> bytes;
    bytes.reserve(records.size() * kAlarmRecordSize);
    for (const AlarmRecord& r : records) {
        AlarmRecordBytes one = EncodeAlarmRecord(r);
        bytes.insert(bytes.end(), one.begin(), one.end());
    }
    uint8_t word[kWordSize] = {};
    DWORD got = 0;
    if (!Control(OMBRIX_STANDIN_QUEUE_ALARMS, bytes.data(), static_cast<DWORD>(bytes.size()), word, sizeof word, &got))
        return false;
    if (taken)
        *taken = got >= sizeof word ? GetWord(word) : 0;
    return true;
}

bool CStandInDriver::GetSharing(uint32_t& flag)
{
    return ReadWord(OMBRIX_STANDIN_GET_SHARING, flag);
}

bool CStandInDriver::GetAlarmSwitch(uint32_t& flag)
{
    return ReadWord(OMBRIX_STANDIN_GET_ALARM_SWITCH, flag);
}

bool CStandInDriver::GetForwards(std::vector<PortForwardRecord>& forwards)
{
    forwards.clear();
    std::vector<uint8_t> reply(kWordSize + OMBRIX_STANDIN_MAX_FORWARDS * kPortForwardRecordSize);
    DWORD got = 0;
    if (!Control(OMBRIX_STANDIN_GET_FORWARDS, nullptr, 0, reply.data(), static_cast<DWORD>(reply.size()), &got))
        return false;
    if (got < kWordSize)
        return Fail("short reply", ERROR_INVALID_DATA);
    const uint32_t count = GetWord(reply.data());
    if (count > OMBRIX_STANDIN_MAX_FORWARDS || got < kWordSize + count * kPortForwardRecordSize)
        return Fail("inconsistent forward table reply", ERROR_INVALID_DATA);
    forwards.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        DecodePortForward(reply.data() + kWordSize + i * kPortForwardRecordSize, kPortForwardRecordSize, forwards[i]);
    return true;
}

bool CStandInDriver::GetRequestCounts(StandInRequestCounts& counts)
{
    uint8_t reply[OMBRIX_STANDIN_RAW_REQUESTS * kWordSize] = {};
    DWORD got = 0;
    if (!Control(OMBRIX_STANDIN_GET_REQUEST_COUNTS, nullptr, 0, reply, sizeof reply, &got))
        return false;
    if (got < sizeof reply)
        return Fail("short reply", ERROR_INVALID_DATA);
    counts.setSharing = GetWord(reply + OMBRIX_STANDIN_REQ_SET_SHARING * kWordSize);
    counts.getStatus = GetWord(reply + OMBRIX_STANDIN_REQ_GET_STATUS * kWordSize);
    counts.getForward = GetWord(reply + OMBRIX_STANDIN_REQ_GET_FORWARD * kWordSize);
    counts.addForward = GetWord(reply + OMBRIX_STANDIN_REQ_ADD_FORWARD * kWordSize);
    counts.removeForward = GetWord(reply + OMBRIX_STANDIN_REQ_REMOVE_FORWARD * kWordSize);
    counts.setAlarm = GetWord(reply + OMBRIX_STANDIN_REQ_SET_ALARM * kWordSize);
    counts.getAlarms = GetWord(reply + OMBRIX_STANDIN_REQ_GET_ALARMS * kWordSize);
    return true;
}

bool CStandInDriver::PeekState(uint32_t& statusBits, uint32_t& queuedAlarms)
{
    uint8_t reply[kPeekStateSize] = {};
    DWORD got = 0;
    if (!Control(OMBRIX_STANDIN_PEEK_STATE, nullptr, 0, reply, sizeof reply, &got))
        return false;
    if (got < sizeof reply)
        return Fail("short reply", ERROR_INVALID_DATA);
    statusBits = GetWord(reply);
    queuedAlarms = GetWord(reply + kWordSize);
    return true;
}
