#include "CIcmpProbe.h"

#include <cstring>

#include "ByteOrder.h"

namespace {

constexpr char kIcmpLibrary[] = "Icmp.dll";
// The reply buffer starts with the first reply record (ICMP_ECHO_REPLY): the address it came from, then
// its status. Both lead the record in the 32-bit and the 64-bit layout alike.
constexpr size_t kReplyAddressOffset = 0;
constexpr size_t kReplyStatusOffset = 4;
constexpr size_t kReplyHeadSize = 8;
static_assert(kReplyHeadSize <= kIcmpProbeReplyBufferSize, "the reply buffer holds a record's head");
constexpr uint32_t kIpSuccess = 0;  // IP_SUCCESS; anything else is an error report, not an echo

constexpr WORD kProbeDataLength = sizeof(kIcmpProbeData) - 1;
static_assert(kProbeDataLength == 6, "the probe carries six bytes");

template <typename Fn> Fn Lookup(HMODULE library, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

CIcmpProbe::~CIcmpProbe()
{
    if (handle_ != INVALID_HANDLE_VALUE && closeHandle_ != nullptr) {
        closeHandle_(handle_);
    }
    if (library_ != nullptr) {
        FreeLibrary(library_);
    }
}

bool CIcmpProbe::Load()
{
    if (library_ != nullptr) {
        return true;
    }
    library_ = LoadLibraryA(kIcmpLibrary);
    if (library_ == nullptr) {
        return false;
    }
    createFile_ = Lookup<IcmpCreateFileFn>(library_, "IcmpCreateFile");
    closeHandle_ = Lookup<IcmpCloseHandleFn>(library_, "IcmpCloseHandle");
    sendEcho_ = Lookup<IcmpSendEchoFn>(library_, "IcmpSendEcho");
    if (createFile_ != nullptr) {
        handle_ = createFile_();
    }
    return true;
}

bool CIcmpProbe::Answers(uint32_t address)
{
    if (!Usable()) {
        return false;
    }
    char data[sizeof(kIcmpProbeData)];
    std::memcpy(data, kIcmpProbeData, sizeof(data));
    unsigned char reply[kIcmpProbeReplyBufferSize] = {};
    const DWORD replies =
        sendEcho_(handle_, address, data, kProbeDataLength, nullptr, reply, sizeof(reply), kIcmpProbeTimeoutMs);
    // The address is held in network order as the system keeps it, so it compares as read.
    return replies > 0 && LoadLe32(reply + kReplyStatusOffset) == kIpSuccess &&
           LoadLe32(reply + kReplyAddressOffset) == address;
}
