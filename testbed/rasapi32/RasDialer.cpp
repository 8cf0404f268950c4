#include "RasDialer.h"

#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "RasJournalLine.h"
#include "RasStandInFiles.h"

namespace {

CRITICAL_SECTION g_lock;
HMODULE g_self = nullptr;

/// Where a dial stands. Only a dial that is under way or connected keeps its entry from being dialled
/// again; a failed or dropped one gives way to the next dial of its entry.
enum class Phase { Dialling, Connected, Failed, Dropped, Refused };

struct CDial {
    /// The table's reference, the thread's, and that of a RasDialA waiting for the outcome.
    volatile LONG refs = 1;
    HRASCONN handle = nullptr;
    RasDialPlan plan;
    UINT windowMessage = WM_RASDIALEVENT;
    // Guarded by g_lock.
    Phase phase = Phase::Dialling;
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 0;
    bool ended = false;     // hung up or given way: reports nothing more
    bool silenced = false;  // a RasDialFunc2 notifier answered 0, which asks for no more reports
    // Manual-reset events: go (RasDialA has done its part), stop (hung up), reported (the outcome is out).
    HANDLE go = nullptr;
    HANDLE stop = nullptr;
    HANDLE reported = nullptr;
    HANDLE thread = nullptr;
    DWORD threadId = 0;
};

std::vector<CDial*> g_dials;

/// A delay-0 dial returns once its outcome is reported; a notifier that blocks longer than this has
/// deadlocked against its own dialler, and RasDialA returns anyway.
constexpr DWORD kOutcomeWaitMs = 30000;
/// RasHangUpA waits this long for the dial's thread to finish its last report.
constexpr DWORD kThreadEndWaitMs = 10000;

void Release(CDial* dial)
{
    if (InterlockedDecrement(&dial->refs) != 0)
        return;
    for (HANDLE handle : {dial->go, dial->stop, dial->reported, dial->thread}) {
        if (handle)
            CloseHandle(handle);
    }
    delete dial;
}

CDial* Find(HRASCONN handle)
{
    for (CDial* dial : g_dials) {
        if (dial->handle == handle)
            return dial;
    }
    return nullptr;
}

void Unlist(CDial* dial)
{
    g_dials.erase(std::remove(g_dials.begin(), g_dials.end(), dial), g_dials.end());
}

bool Contains(const std::vector<std::string>& entries, const std::string& name)
{
    for (const std::string& entry : entries) {
        if (RasSameName(entry, name))
            return true;
    }
    return false;
}

/// Reports STATE and ERROR to the dial's notifier, moving it to PHASE first. False once the dial ended,
/// when nothing is reported.
bool Report(CDial* dial, RASCONNSTATE state, DWORD error, Phase phase)
{
    {
        CRasLock lock;
        if (dial->ended)
            return false;
        dial->phase = phase;
        dial->state = state;
        dial->error = error;
        if (dial->silenced || !dial->plan.notifier)
            return true;
        RasJournal(CRasJournalLine("notify")
                       .Hex("handle", reinterpret_cast<ULONG_PTR>(dial->handle))
                       .Hex("type", dial->plan.notifierType)
                       .Hex("state", state)
                       .Number("error", error)
                       .Line());
    }
    void* notifier = dial->plan.notifier;
    switch (dial->plan.notifierType) {
    case 0:
        reinterpret_cast<RASDIALFUNC>(notifier)(WM_RASDIALEVENT, state, error);
        break;
    case 1:
        reinterpret_cast<RASDIALFUNC1>(notifier)(dial->handle, WM_RASDIALEVENT, state, error, 0);
        break;
    case 2:
        if (reinterpret_cast<RASDIALFUNC2>(notifier)(dial->plan.callbackId, 0, dial->handle, WM_RASDIALEVENT, state,
                                                     error, 0) == 0) {
            CRasLock lock;
            dial->silenced = true;
        }
        break;
    default:
        PostMessageA(static_cast<HWND>(notifier), dial->windowMessage, static_cast<WPARAM>(state),
                     static_cast<LPARAM>(error));
        break;
    }
    return true;
}

bool Report(CDial* dial, RASCONNSTATE state)
{
    return Report(dial, state, 0, Phase::Dialling);
}

/// Waits MS for a hang-up; true when the time passed without one.
bool Elapsed(CDial* dial, DWORD ms)
{
    return WaitForSingleObject(dial->stop, ms) == WAIT_TIMEOUT;
}

/// Lists the dial's entry in the state file. False once the dial ended.
bool ListConnected(CDial* dial)
{
    CRasLock lock;
    if (dial->ended)
        return false;
    CRasStateLock stateLock;
    std::vector<std::string> entries = RasReadConnected();
    if (!Contains(entries, dial->plan.entry.name)) {
        entries.push_back(dial->plan.entry.name);
        RasWriteConnected(entries);
    }
    return true;
}

/// Takes the dial's entry out of the state file. True when it was listed.
bool UnlistConnected(HRASCONN handle)
{
    CRasStateLock stateLock;
    std::vector<std::string> entries = RasReadConnected();
    const size_t before = entries.size();
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [handle](const std::string& entry) { return RasHandleFor(entry) == handle; }),
                  entries.end());
    if (entries.size() == before)
        return false;
    RasWriteConnected(entries);
    return true;
}

/// The states a dial goes through, as a modem connection reports them.
void RunDial(CDial* dial)
{
    const RasFixtureEntry& entry = dial->plan.entry;
    if (!Report(dial, RASCS_OpenPort) || !Report(dial, RASCS_PortOpened) || !Report(dial, RASCS_ConnectDevice))
        return;
    if (!Elapsed(dial, entry.delayMs))
        return;
    if (entry.outcome == RasOutcome::Error) {
        Report(dial, RASCS_ConnectDevice, entry.errorCode, Phase::Failed);
        return;
    }
    if (!Report(dial, RASCS_DeviceConnected) || !Report(dial, RASCS_AllDevicesConnected) ||
        !Report(dial, RASCS_Authenticate))
        return;
    if (entry.authenticate && !dial->plan.credentialsMatch) {
        Report(dial, RASCS_Authenticate, ERROR_AUTHENTICATION_FAILURE, Phase::Failed);
        return;
    }
    // Listed before connected is reported: a notifier that enumerates the connections finds it.
    if (!Report(dial, RASCS_Authenticated) || !ListConnected(dial) ||
        !Report(dial, RASCS_Connected, 0, Phase::Connected))
        return;
    SetEvent(dial->reported);
    if (entry.outcome != RasOutcome::Disconnected || !Elapsed(dial, entry.dropAfterMs))
        return;
    {
        CRasLock lock;
        if (dial->ended || !UnlistConnected(dial->handle))
            return;
    }
    Report(dial, RASCS_Disconnected, entry.dropError, Phase::Dropped);
}

DWORD WINAPI DialThread(void* parameter)
{
    CDial* dial = static_cast<CDial*>(parameter);
    WaitForSingleObject(dial->go, INFINITE);
    RunDial(dial);
    SetEvent(dial->reported);
    Release(dial);
    // The thread holds a reference to the DLL (taken by RasDialA), so that a caller's FreeLibrary never
    // unmaps the code it runs.
    FreeLibraryAndExitThread(g_self, 0);
    return 0;
}

/// The entry's dial in this process, or its connection anywhere, blocks a new dial of it.
bool EntryBusy(const std::string& name, HRASCONN handle)
{
    const CDial* dial = Find(handle);
    if (dial && (dial->phase == Phase::Dialling || dial->phase == Phase::Connected))
        return true;
    CRasStateLock stateLock;
    return Contains(RasReadConnected(), name);
}

}  // namespace

CRasLock::CRasLock()
{
    EnterCriticalSection(&g_lock);
}

CRasLock::~CRasLock()
{
    LeaveCriticalSection(&g_lock);
}

void RasDialerAttach(HMODULE self)
{
    g_self = self;
    InitializeCriticalSection(&g_lock);
}

void RasDialerDetach()
{
    for (CDial* dial : g_dials)
        Release(dial);
    g_dials.clear();
    DeleteCriticalSection(&g_lock);
}

HRASCONN RasHandleFor(const std::string& entry)
{
    // FNV-1a of the name in lower case, as entry names compare; bit 30 keeps it from ever being 0.
    uint32_t hash = 2166136261u;
    for (char c : entry) {
        const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        hash = (hash ^ static_cast<unsigned char>(lower)) * 16777619u;
    }
    const uint32_t value = (hash & 0x3FFFFFFCu) | 0x40000000u;
    return reinterpret_cast<HRASCONN>(static_cast<ULONG_PTR>(value));
}

DWORD RasDialerStart(const RasDialPlan& plan, HRASCONN* callerHandle, CRasJournalLine& line)
{
    const HRASCONN handle = RasHandleFor(plan.entry.name);
    const bool synchronous = plan.notifier == nullptr;
    const bool waits = synchronous || plan.entry.delayMs == 0;
    CDial* dial = new CDial;
    {
        CRasLock lock;
        if (EntryBusy(plan.entry.name, handle)) {
            delete dial;
            *callerHandle = nullptr;
            RasJournal(line.Result(ERROR_PORT_ALREADY_OPEN).Line());
            return ERROR_PORT_ALREADY_OPEN;
        }
        if (CDial* old = Find(handle)) {
            old->ended = true;
            SetEvent(old->stop);
            Unlist(old);
            Release(old);
        }
        dial->handle = handle;
        dial->plan = plan;
        if (plan.notifierType == 0xFFFFFFFF) {
            const UINT registered = RegisterWindowMessageA(RASDIALEVENT);
            dial->windowMessage = registered ? registered : WM_RASDIALEVENT;
        }
        if (plan.entry.outcome == RasOutcome::Refused) {
            // Refused by RasDialA itself, with a handle the caller must still hang up.
            dial->phase = Phase::Refused;
            dial->error = plan.entry.errorCode;
            g_dials.push_back(dial);
            *callerHandle = handle;
            RasJournal(line.Result(dial->error).Hex("handle", reinterpret_cast<ULONG_PTR>(handle)).Line());
            return dial->error;
        }
        char path[MAX_PATH] = {};
        GetModuleFileNameA(g_self, path, MAX_PATH);
        dial->go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        dial->stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        dial->reported = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HMODULE pin = dial->go && dial->stop && dial->reported ? LoadLibraryA(path) : nullptr;
        dial->refs = waits ? 3 : 2;
        dial->thread = pin ? CreateThread(nullptr, 0, DialThread, dial, 0, &dial->threadId) : nullptr;
        if (!dial->thread) {
            if (pin)
                FreeLibrary(pin);
            dial->refs = 1;
            Release(dial);
            *callerHandle = nullptr;
            RasJournal(line.Result(ERROR_NOT_ENOUGH_MEMORY).Line());
            return ERROR_NOT_ENOUGH_MEMORY;
        }
        g_dials.push_back(dial);
        if (!plan.entry.lateHandle)
            *callerHandle = handle;
        RasJournal(line.Result(0).Hex("handle", reinterpret_cast<ULONG_PTR>(handle)).Line());
    }
    SetEvent(dial->go);
    if (!waits)
        return 0;
    const DWORD limit = synchronous ? plan.entry.delayMs + kOutcomeWaitMs : kOutcomeWaitMs;
    const bool reported = WaitForSingleObject(dial->reported, limit) == WAIT_OBJECT_0;
    if (plan.entry.lateHandle)
        *callerHandle = handle;
    DWORD result = 0;
    if (synchronous) {
        CRasLock lock;
        if (!reported)
            result = PENDING;
        else if (dial->phase == Phase::Failed)
            result = dial->error;
        else if (dial->phase != Phase::Connected && dial->phase != Phase::Dropped)
            result = ERROR_USER_DISCONNECTION;  // hung up from another thread while it dialled
        RasJournal(CRasJournalLine("RasDialA").Word("returns", "synchronously").Result(result).Line());
    }
    Release(dial);
    return result;
}

DWORD RasDialerHangUp(HRASCONN handle)
{
    CDial* dial = nullptr;
    {
        CRasLock lock;
        dial = Find(handle);
        if (dial) {
            dial->ended = true;
            SetEvent(dial->stop);
            Unlist(dial);
        }
        const bool listed = UnlistConnected(handle);
        if (!dial && !listed)
            return ERROR_INVALID_HANDLE;
    }
    if (dial) {
        // From the dial's own notifier the thread is this one: it finishes once the notifier returns.
        if (dial->thread && dial->threadId != GetCurrentThreadId())
            WaitForSingleObject(dial->thread, kThreadEndWaitMs);
        Release(dial);
    }
    return 0;
}

DWORD RasDialerStatus(HRASCONN handle, RasDialStatus& status)
{
    CRasLock lock;
    std::vector<std::string> connected;
    {
        CRasStateLock stateLock;
        connected = RasReadConnected();
    }
    if (const CDial* dial = Find(handle)) {
        // Hung up by another process: the connection is gone, only the record was left here.
        if (dial->phase == Phase::Connected && !Contains(connected, dial->plan.entry.name))
            return ERROR_INVALID_HANDLE;
        status.state = dial->state;
        status.error = dial->error;
        status.entry = dial->plan.entry.name;
        return 0;
    }
    for (const std::string& entry : connected) {
        if (RasHandleFor(entry) == handle) {
            status.state = RASCS_Connected;
            status.error = 0;
            status.entry = entry;
            return 0;
        }
    }
    return ERROR_INVALID_HANDLE;
}

std::vector<std::string> RasDialerConnected()
{
    CRasLock lock;
    CRasStateLock stateLock;
    return RasReadConnected();
}
