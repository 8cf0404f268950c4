#include "AccessProvider.h"

#include "OmbrixIni.h"
#include "ServiceLog.h"

namespace {
/// The service's plug-in lives from the process's start to its end, like every process-wide state.
CAccessProvider g_serviceProvider;

/// Refusal of a library whose code the 32-bit slots cannot reach (64-bit builds only).
constexpr char kProviderAbove4GbLine[] =
    "Access provider %s lies above 4 GB: its table cannot hold its function addresses";

/// Refusal of a plug-in that wrote past the end of the table it was given.
constexpr char kProviderOverrunLine[] = "Access provider %s wrote past the end of its 136-byte table: refused";

/// True when every address of the loaded image fits a 32-bit slot. A 32-bit process has no others.
bool ImageFitsSlots(HMODULE module)
{
    if (sizeof(void*) <= kProviderSlotSize)
        return true;
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const uintptr_t last = reinterpret_cast<uintptr_t>(base) + nt->OptionalHeader.SizeOfImage - 1;
    return ProviderSlotCanHold(last);
}
}  // namespace

class CAccessProvider::CGuard {
public:
    explicit CGuard(CRITICAL_SECTION& section) : section_(section) { EnterCriticalSection(&section_); }
    ~CGuard() { LeaveCriticalSection(&section_); }
    CGuard(const CGuard&) = delete;
    CGuard& operator=(const CGuard&) = delete;

private:
    CRITICAL_SECTION& section_;
};

CAccessProvider::CAccessProvider()
{
    InitializeCriticalSection(&guard_);
}

CAccessProvider::~CAccessProvider()
{
    StopAndUnload();
    DeleteCriticalSection(&guard_);
}

CAccessProvider& CAccessProvider::Service()
{
    return g_serviceProvider;
}

void CAccessProvider::Load()
{
    char dllName[kProviderDllNameBuffer] = {};
    COmbrixIni::ReadString(kIniAuthProviderDllName, dllName, sizeof dllName);
    Load(dllName);
}

void CAccessProvider::Load(const char* dllName)
{
    if (IsRetained() || dllName == nullptr || dllName[0] == '\0')
        return;
    HMODULE module = LoadLibraryA(dllName);
    if (module == nullptr)
        return;
    if (!ImageFitsSlots(module)) {
        CServiceLog::WriteF(kProviderAbove4GbLine, dllName);
        FreeLibrary(module);
        return;
    }
    auto registerFn = reinterpret_cast<ProviderRegisterFn>(GetProcAddress(module, kProviderRegisterExport));
    if (registerFn == nullptr) {
        FreeLibrary(module);
        return;
    }

    table_.Prepare();
    const int result = registerFn(table_.Bytes());
    // Its writes stayed in the guard space, but a plug-in that cannot keep to the table is not trusted with
    // the rest of it, whatever it returned.
    if (!table_.GuardIntact()) {
        CServiceLog::WriteF(kProviderOverrunLine, dllName);
        FreeLibrary(module);
        return;
    }
    // Initialise is called only for a registration that qualifies: a plug-in turned away is never told to
    // set itself up, so it never needs to be stopped.
    const bool retain = ProviderRegistrationQualifies(result, table_) &&
                        ProviderSlotFunction<ProviderInitialiseFn>(table_.Slot(kProviderInitialiseOffset))() != 0;
    if (!retain) {
        FreeLibrary(module);
        return;
    }
    CGuard guard(guard_);
    module_ = module;
}

void CAccessProvider::Start()
{
    uint32_t start = 0;
    {
        CGuard guard(guard_);
        start = RetainedSlot(kProviderStartOffset);
    }
    if (start != 0)
        ProviderSlotFunction<ProviderStartFn>(start)();
}

void CAccessProvider::StopAndUnload()
{
    HMODULE module = nullptr;
    {
        // Waits for a callback in progress; later ones find no plug-in.
        CGuard guard(guard_);
        module = module_;
        module_ = nullptr;
    }
    if (module == nullptr)
        return;
    const uint32_t stop = table_.Slot(kProviderStopOffset);
    if (stop != 0)
        ProviderSlotFunction<ProviderStopFn>(stop)();
    FreeLibrary(module);
}

bool CAccessProvider::IsRetained() const
{
    return Module() != nullptr;
}

HMODULE CAccessProvider::Module() const
{
    CGuard guard(guard_);
    return module_;
}

bool CAccessProvider::Authorise(const uint8_t* hardwareAddress, int length)
{
    CGuard guard(guard_);
    const uint32_t authorise = RetainedSlot(kProviderAuthoriseOffset);
    if (authorise == 0)
        return true;
    return ProviderSlotFunction<ProviderAuthoriseFn>(authorise)(hardwareAddress, length) != 0;
}

void CAccessProvider::Lease(const uint8_t* hardwareAddress, int length, uint32_t address)
{
    CGuard guard(guard_);
    const uint32_t lease = RetainedSlot(kProviderLeaseOffset);
    if (lease != 0)
        ProviderSlotFunction<ProviderLeaseFn>(lease)(hardwareAddress, length, address);
}

void CAccessProvider::Release(const uint8_t* hardwareAddress, int length)
{
    CGuard guard(guard_);
    const uint32_t release = RetainedSlot(kProviderReleaseOffset);
    if (release != 0)
        ProviderSlotFunction<ProviderReleaseFn>(release)(hardwareAddress, length);
}

uint32_t CAccessProvider::RetainedSlot(size_t offset) const
{
    return module_ != nullptr ? table_.Slot(offset) : 0;
}
