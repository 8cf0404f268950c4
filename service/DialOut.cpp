#include "DialOut.h"

#include <cstring>

#include "IniSettings.h"
#include "OmbrixIni.h"
#include "ServiceLog.h"
#include "ombrixaux.h"

namespace {
constexpr char kRasLibraryName[] = "RASAPI32.DLL";

// The settings are read at every dial, so that the console's changes count at once. The dial's own AutoDial
// default is 1 (kIniDialupAutoDial), unlike the tick's (read once at start, default 0).
constexpr unsigned kPhoneBookEntryBuffer = 128;  // up to 127 characters
constexpr unsigned kUsernameBuffer = 64;         // up to 63
constexpr unsigned kPasswordBuffer = 64;         // up to 63, stored scrambled
/// The scrambled text decodes to 3 bytes per 4 characters and a terminator.
constexpr unsigned kPlainPasswordBuffer = kPasswordBuffer;
constexpr char kDialDomain[] = "*";

/// Clears a buffer that held the password, so that it does not linger on the stack.
void Wipe(void* buffer, size_t size)
{
    volatile unsigned char* p = static_cast<volatile unsigned char*>(buffer);
    while (size-- > 0)
        *p++ = 0;
}

void CopyText(char* out, size_t room, const char* text)
{
    std::strncpy(out, text, room - 1);
    out[room - 1] = '\0';
}
}  // namespace

CDialOut* CDialOut::instance_ = nullptr;

CDialOut::CDialOut()
{
    InitializeCriticalSection(&lock_);
    instance_ = this;
}

CDialOut::~CDialOut()
{
    if (instance_ == this)
        instance_ = nullptr;
    DeleteCriticalSection(&lock_);
}

DWORD CDialOut::LoadRas()
{
    if (rasTried_)
        return loadError_;
    rasTried_ = true;
    CServiceLog::Write("Attempting to load Ras library RASAPI32.DLL");
    rasLibrary_ = LoadLibraryA(kRasLibraryName);
    if (rasLibrary_ == nullptr) {
        loadError_ = GetLastError();
        CServiceLog::Write("Unable to load RASAPI32.DLL, Auto-Dial option disabled");
        return loadError_;
    }
    struct Lookup {
        const char* name;
        FARPROC* slot;
        const char* failure;
    };
    const Lookup lookups[] = {
        {"RasDialA", reinterpret_cast<FARPROC*>(&rasDial_), "Unable to GetProcAddress for RasDial"},
        {"RasHangUpA", reinterpret_cast<FARPROC*>(&rasHangUp_), "Unable to GetProcAddress for RasHangup"},
        {"RasEnumConnectionsA", reinterpret_cast<FARPROC*>(&rasEnumConnections_),
         "Unable to GetProcAddress for RasEnumConnections"},
    };
    for (const Lookup& l : lookups) {
        *l.slot = GetProcAddress(rasLibrary_, l.name);
        if (*l.slot == nullptr) {
            loadError_ = GetLastError();
            // A look-up that fails without an error code must still mark the library unusable.
            if (loadError_ == 0)
                loadError_ = ERROR_PROC_NOT_FOUND;
            CServiceLog::Write(l.failure);
            return loadError_;
        }
    }
    CServiceLog::Write("Ras library loaded");
    return 0;
}

bool CDialOut::FirstConnection(RasConnectionRecord& record, DWORD& result)
{
    std::memset(&record, 0, sizeof record);
    record.dwSize = sizeof record;
    DWORD bytes = sizeof record;
    DWORD count = 0;
    result = rasEnumConnections_(&record, &bytes, &count);
    return result == 0 && count > 0;
}

bool CDialOut::ConnectionUp()
{
    if (LoadRas() != 0)
        return false;
    RasConnectionRecord record;
    DWORD result = 0;
    // A failed listing (more connections than the one record holds) counts as a connection.
    return FirstConnection(record, result) || result != 0;
}

int CDialOut::Dial()
{
    if (dialling_ != 0)
        return kDialUnderWay;
    if (loadError_ != 0)
        return static_cast<int>(loadError_);
    if (COmbrixIni::ReadInt(kIniApplicationDialup) == 0 || COmbrixIni::ReadInt(kIniDialupAutoDial) == 0)
        return kDialNotConfigured;

    char entry[kPhoneBookEntryBuffer] = "";
    char user[kUsernameBuffer] = "";
    char scrambled[kPasswordBuffer] = "";
    unsigned char password[kPlainPasswordBuffer] = "";
    COmbrixIni::ReadString(kIniDialupPhoneBookEntry, entry, sizeof entry);
    COmbrixIni::ReadString(kIniDialupUsername, user, sizeof user);
    COmbrixIni::ReadString(kIniDialupPassword, scrambled, sizeof scrambled);
    UndoPWString(reinterpret_cast<const unsigned char*>(scrambled), password);
    password[sizeof password - 1] = '\0';
    Wipe(scrambled, sizeof scrambled);
    if (entry[0] == '\0' || user[0] == '\0' || password[0] == '\0') {
        Wipe(password, sizeof password);
        return kDialNotConfigured;
    }

    const DWORD loaded = LoadRas();
    if (loaded != 0) {
        Wipe(password, sizeof password);
        return static_cast<int>(loaded);
    }
    if (ConnectionUp()) {
        Wipe(password, sizeof password);
        return kDialUnderWay;
    }

    CServiceLog::WriteF("Attempting to dial-out: Phonebook: %s, Username: %s", entry, user);
    RasDialParamsRecord params;
    std::memset(&params, 0, sizeof params);
    params.dwSize = sizeof params;
    CopyText(params.szEntryName, sizeof params.szEntryName, entry);
    CopyText(params.szUserName, sizeof params.szUserName, user);
    CopyText(params.szPassword, sizeof params.szPassword, reinterpret_cast<const char*>(password));
    CopyText(params.szDomain, sizeof params.szDomain, kDialDomain);
    Wipe(password, sizeof password);

    // The flag is set before the dial starts: the notifier may report connected or an error from its own
    // thread before RasDialA returns, and must find the flag set so that it can clear it.
    EnterCriticalSection(&lock_);
    connection_ = nullptr;
    dialling_ = 1;
    starting_ = true;
    failedWhileStarting_ = false;
    LeaveCriticalSection(&lock_);

    RasConnectionHandle handle = nullptr;
    const DWORD result = rasDial_(nullptr, nullptr, &params, kRasNotifierSimple,
                                  reinterpret_cast<LPVOID>(&CDialOut::DialEvent), &handle);
    Wipe(&params, sizeof params);

    EnterCriticalSection(&lock_);
    starting_ = false;
    const bool failedEarly = failedWhileStarting_;
    failedWhileStarting_ = false;
    if (result != 0 || failedEarly) {
        dialling_ = 0;
        connection_ = nullptr;
    } else {
        connection_ = handle;
    }
    LeaveCriticalSection(&lock_);

    if (result != 0) {
        if (handle != nullptr)
            rasHangUp_(handle);
        CServiceLog::WriteF("Dial-out failed, Error Code: %i", static_cast<int>(result));
        return static_cast<int>(result);
    }
    // A failure the notifier reported before the handle was stored: it logged it; the hang-up is ours.
    if (failedEarly && handle != nullptr)
        rasHangUp_(handle);
    return kDialUnderWay;
}

VOID WINAPI CDialOut::DialEvent(UINT, DWORD state, DWORD error)
{
    if (instance_ != nullptr)
        instance_->OnDialEvent(state, error);
}

void CDialOut::OnDialEvent(DWORD state, DWORD error)
{
    EnterCriticalSection(&lock_);
    // Only the dial this object made: one being started, or one whose handle is held.
    if (connection_ == nullptr && !starting_) {
        LeaveCriticalSection(&lock_);
        return;
    }
    RasConnectionHandle toHangUp = nullptr;
    if (error != 0) {
        toHangUp = connection_;
        connection_ = nullptr;
        dialling_ = 0;
        if (starting_)
            failedWhileStarting_ = true;
    } else if (state == kRasStateConnected || state == kRasStateDisconnected) {
        dialling_ = 0;
    }
    LeaveCriticalSection(&lock_);

    if (error != 0) {
        CServiceLog::WriteF("Dial-out failed, Error code: %i", static_cast<int>(error));
        if (toHangUp != nullptr)
            rasHangUp_(toHangUp);
    } else if (state == kRasStateConnected) {
        CServiceLog::Write("Dial-out successfull");
    } else if (state == kRasStateDisconnected) {
        CServiceLog::Write("Dial-out disconnected");
    }
}

int CDialOut::HangUp()
{
    if (LoadRas() != 0)
        return 0;
    RasConnectionRecord record;
    DWORD result = 0;
    if (!FirstConnection(record, result))
        return 0;
    CServiceLog::Write("Attempting to Hang-up connection");
    const DWORD hungUp = rasHangUp_(record.hrasconn);
    if (hungUp != 0) {
        // The library returns its error rather than setting the thread's last error.
        CServiceLog::WriteF("Hang-up failed, Error Code: %i", static_cast<int>(hungUp));
        return 0;
    }
    CServiceLog::Write("Connection disconnected");
    return 1;
}

void CDialOut::Unload()
{
    if (rasLibrary_ == nullptr)
        return;
    FreeLibrary(rasLibrary_);
    rasLibrary_ = nullptr;
    rasDial_ = nullptr;
    rasHangUp_ = nullptr;
    rasEnumConnections_ = nullptr;
}
