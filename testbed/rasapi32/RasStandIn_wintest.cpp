// The stand-in RASAPI32.DLL as its callers meet it: loaded with LoadLibrary("RASAPI32.DLL") under the
// override rasapi32=n (set by ctest), every function found by name, records laid out by hand in the sizes
// the programs pass. Each test has a folder of its own for the fixture, the journal and the state file.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using RasEnumEntriesFn = DWORD(WINAPI*)(LPCSTR, LPCSTR, LPRASENTRYNAMEA, LPDWORD, LPDWORD);
using RasGetEntryDialParamsFn = DWORD(WINAPI*)(LPCSTR, LPRASDIALPARAMSA, LPBOOL);
using RasEnumDevicesFn = DWORD(WINAPI*)(LPRASDEVINFOA, LPDWORD, LPDWORD);
using RasDialFn = DWORD(WINAPI*)(LPRASDIALEXTENSIONS, LPCSTR, LPRASDIALPARAMSA, DWORD, LPVOID, LPHRASCONN);
using RasHangUpFn = DWORD(WINAPI*)(HRASCONN);
using RasEnumConnectionsFn = DWORD(WINAPI*)(LPRASCONNA, LPDWORD, LPDWORD);
using RasGetConnectStatusFn = DWORD(WINAPI*)(HRASCONN, LPRASCONNSTATUSA);

// The first versions of the records, as the programs lay them out (4-byte packing).
constexpr DWORD kEntryNameSize = 264;
constexpr size_t kEntryNameAt = 4;
constexpr DWORD kDialParamsSize = 1052;
constexpr size_t kDialEntryAt = 4;
constexpr size_t kDialPhoneAt = 261;
constexpr size_t kDialUserAt = 519;
constexpr size_t kDialPasswordAt = 776;
constexpr size_t kDialDomainAt = 1033;
constexpr DWORD kDeviceSize = 152;
constexpr size_t kDeviceTypeAt = 4;
constexpr size_t kDeviceNameAt = 21;
constexpr size_t kConnHandleAt = 4;
constexpr size_t kConnEntryAt = 4 + sizeof(void*);
constexpr size_t kConnDeviceTypeAt = kConnEntryAt + 257;
constexpr size_t kConnDeviceNameAt = kConnDeviceTypeAt + 17;
// 412 in a 32-bit program; a 64-bit one has an 8-byte handle in it.
constexpr DWORD kConnectionSize = sizeof(void*) == 8 ? 416 : 412;
constexpr DWORD kStatusSize = 160;
constexpr size_t kStatusStateAt = 4;
constexpr size_t kStatusErrorAt = 8;
constexpr size_t kStatusDeviceNameAt = 29;

constexpr DWORD kWaitMs = 5000;

const char kFixture[] = "; three entries, two devices\r\n"
                        "[device Lab Modem]\r\n"
                        "type = modem\r\n"
                        "[device Lab ISDN]\r\n"
                        "type = isdn\r\n"
                        "\r\n"
                        "[entry Provider One]\r\n"
                        "device = Lab Modem\r\n"
                        "phone = 555 0100\r\n"
                        "user = alice\r\n"
                        "password = Pw-one-7731\r\n"
                        "outcome = connected\r\n"
                        "delay = 50\r\n"
                        "\r\n"
                        "[entry Quick Line]\r\n"
                        "device = Lab Modem\r\n"
                        "user = bob\r\n"
                        "password = Pw-quick-2284\r\n"
                        "domain = LAB\r\n"
                        "delay = 0\r\n"
                        "\r\n"
                        "[entry Busy Line]\r\n"
                        "device = Lab ISDN\r\n"
                        "user = carol\r\n"
                        "password = ****************\r\n"
                        "outcome = error 678\r\n"
                        "delay = 20\r\n";

// Entries for the other outcomes.
const char kOutcomeFixture[] = "[entry Busy Now]\n"
                               "outcome = error 678\n"
                               "delay = 0\n"
                               "[entry Drops]\n"
                               "outcome = disconnected 500\n"
                               "delay = 0\n"
                               "[entry Refuses]\n"
                               "outcome = refused 633\n"
                               "[entry Checks]\n"
                               "user = dave\n"
                               "password = Pw-check-5150\n"
                               "authenticate = yes\n"
                               "delay = 0\n"
                               "[entry Late Handle]\n"
                               "handle = late\n"
                               "delay = 0\n"
                               "[entry Quick Line]\n"
                               "delay = 0\n"
                               "[entry Slow Line]\n"
                               "delay = 50\n"
                               "[entry No User]\n";

// Every password a fixture or a caller in these tests holds: none may reach a file the stand-in writes.
const char* const kPasswords[] = {"Pw-one-7731", "Pw-quick-2284", "Pw-check-5150", "Wrong-pass-991", "Dialled-pw-4410"};

std::string ReadText(const std::string& path)
{
    std::string text;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0)
        text.append(chunk, got);
    CloseHandle(file);
    return text;
}

bool WriteText(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        begin = end + 1;
    }
    return lines;
}

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string result(path, length);
    return result.substr(0, result.find_last_of('\\'));
}

void PutWord(std::vector<uint8_t>& record, size_t at, DWORD value)
{
    std::memcpy(&record[at], &value, sizeof value);
}

DWORD GetWord(const std::vector<uint8_t>& record, size_t at)
{
    DWORD value = 0;
    std::memcpy(&value, &record[at], sizeof value);
    return value;
}

void PutText(std::vector<uint8_t>& record, size_t at, const std::string& text)
{
    std::memcpy(&record[at], text.c_str(), text.size() + 1);
}

std::string GetText(const std::vector<uint8_t>& record, size_t at)
{
    return reinterpret_cast<const char*>(&record[at]);
}

HRASCONN GetHandle(const std::vector<uint8_t>& record, size_t at)
{
    HRASCONN handle = nullptr;
    std::memcpy(&handle, &record[at], sizeof handle);
    return handle;
}

std::string Hex(HRASCONN handle)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(handle)));
    return text;
}

/// Dial parameters as the service fills them: entry, user, password, domain "*".
std::vector<uint8_t> DialParams(const std::string& entry, const std::string& user, const std::string& password)
{
    std::vector<uint8_t> params(kDialParamsSize, 0);
    PutWord(params, 0, kDialParamsSize);
    PutText(params, kDialEntryAt, entry);
    PutText(params, kDialUserAt, user);
    PutText(params, kDialPasswordAt, password);
    PutText(params, kDialDomainAt, "*");
    return params;
}

// What the notifiers saw. The simple notifier has no context of its own, so the reports of the dial
// under test go to this one recorder.
struct SeenReport {
    UINT message;
    RASCONNSTATE state;
    DWORD error;
    DWORD thread;
    bool dialReturned;      // RasDialA had returned when the report came
    HRASCONN callerHandle;  // the caller's handle variable at that moment
    HRASCONN givenHandle;   // the handle the notifier was given (RasDialFunc1 only)
};

class CReports {
public:
    CReports()
    {
        InitializeCriticalSection(&lock_);
        arrived_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    }

    void Reset(HRASCONN* callerHandle, RasHangUpFn hangUpOnError)
    {
        EnterCriticalSection(&lock_);
        reports_.clear();
        callerHandle_ = callerHandle;
        hangUpOnError_ = hangUpOnError;
        hangUpResults_.clear();
        InterlockedExchange(&dialReturned_, 0);
        LeaveCriticalSection(&lock_);
    }

    void DialReturned() { InterlockedExchange(&dialReturned_, 1); }

    void Add(UINT message, RASCONNSTATE state, DWORD error, HRASCONN given)
    {
        EnterCriticalSection(&lock_);
        SeenReport report{message,
                          state,
                          error,
                          GetCurrentThreadId(),
                          InterlockedCompareExchange(&dialReturned_, 0, 0) != 0,
                          callerHandle_ ? *callerHandle_ : nullptr,
                          given};
        reports_.push_back(report);
        HRASCONN toHangUp = error != 0 && hangUpOnError_ && callerHandle_ ? *callerHandle_ : nullptr;
        RasHangUpFn hangUp = hangUpOnError_;
        LeaveCriticalSection(&lock_);
        // As the service's dial event routine does: a failed dial is hung up from the notifier itself.
        if (toHangUp) {
            const DWORD result = hangUp(toHangUp);
            EnterCriticalSection(&lock_);
            hangUpResults_.push_back(result);
            LeaveCriticalSection(&lock_);
        }
        SetEvent(arrived_);
    }

    /// Waits until a report in STATE (or any failure when FAILURE is set) has come.
    bool WaitFor(RASCONNSTATE state, bool failure = false, DWORD ms = kWaitMs)
    {
        const DWORD start = GetTickCount();
        for (;;) {
            EnterCriticalSection(&lock_);
            bool seen = false;
            for (const SeenReport& report : reports_)
                seen = seen || (failure ? report.error != 0 : report.state == state);
            LeaveCriticalSection(&lock_);
            if (seen)
                return true;
            const DWORD spent = GetTickCount() - start;
            if (spent >= ms)
                return false;
            WaitForSingleObject(arrived_, ms - spent);
        }
    }

    std::vector<SeenReport> Seen()
    {
        EnterCriticalSection(&lock_);
        std::vector<SeenReport> copy = reports_;
        LeaveCriticalSection(&lock_);
        return copy;
    }

    std::vector<DWORD> HangUpResults()
    {
        EnterCriticalSection(&lock_);
        std::vector<DWORD> copy = hangUpResults_;
        LeaveCriticalSection(&lock_);
        return copy;
    }

private:
    CRITICAL_SECTION lock_;
    HANDLE arrived_;
    std::vector<SeenReport> reports_;
    HRASCONN* callerHandle_ = nullptr;
    RasHangUpFn hangUpOnError_ = nullptr;
    std::vector<DWORD> hangUpResults_;
    volatile LONG dialReturned_ = 0;
};

CReports g_reports;

VOID WINAPI OnDialEvent(UINT message, RASCONNSTATE state, DWORD error)
{
    g_reports.Add(message, state, error, nullptr);
}

VOID WINAPI OnDialEvent1(HRASCONN handle, UINT message, RASCONNSTATE state, DWORD error, DWORD)
{
    g_reports.Add(message, state, error, handle);
}

std::vector<RASCONNSTATE> States(const std::vector<SeenReport>& reports)
{
    std::vector<RASCONNSTATE> states;
    for (const SeenReport& report : reports)
        states.push_back(report.state);
    return states;
}

const std::vector<RASCONNSTATE> kConnectedStates = {
    RASCS_OpenPort,     RASCS_PortOpened,    RASCS_ConnectDevice, RASCS_DeviceConnected, RASCS_AllDevicesConnected,
    RASCS_Authenticate, RASCS_Authenticated, RASCS_Connected};

class RasStandInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        static int serial = 0;
        folder_ =
            std::string(temp) + "ras-standin-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
        CreateDirectoryA(folder_.c_str(), nullptr);
        fixture_ = folder_ + "\\phonebook.ini";
        journal_ = folder_ + "\\journal.txt";
        state_ = folder_ + "\\state.txt";
        ASSERT_TRUE(WriteText(fixture_, kFixture));
        SetEnvironmentVariableA("OMBRIX_RAS_FIXTURE", fixture_.c_str());
        SetEnvironmentVariableA("OMBRIX_RAS_JOURNAL", journal_.c_str());
        SetEnvironmentVariableA("OMBRIX_RAS_STATE", state_.c_str());
        library_ = LoadLibraryA("RASAPI32.DLL");
        ASSERT_NE(library_, nullptr) << GetLastError();
        // Never Wine's own library, whose answers are not what these tests check. Without the override
        // Wine runs its own code even from the file beside the program, and names that file as the
        // module's, so the path tells nothing; the exports do: the stand-in has no wide-character ones.
        char path[MAX_PATH] = {};
        GetModuleFileNameA(library_, path, MAX_PATH);
        const std::string loaded(path);
        ASSERT_EQ(loaded.substr(0, loaded.find_last_of('\\')), ProgramFolder());
        ASSERT_EQ(GetProcAddress(library_, "RasEnumEntriesW"), nullptr)
            << "Wine's own rasapi32 was loaded: run with WINEDLLOVERRIDES=rasapi32=n";
        enumEntries_ = Find<RasEnumEntriesFn>("RasEnumEntriesA");
        dialParams_ = Find<RasGetEntryDialParamsFn>("RasGetEntryDialParamsA");
        enumDevices_ = Find<RasEnumDevicesFn>("RasEnumDevicesA");
        dial_ = Find<RasDialFn>("RasDialA");
        hangUp_ = Find<RasHangUpFn>("RasHangUpA");
        enumConnections_ = Find<RasEnumConnectionsFn>("RasEnumConnectionsA");
        connectStatus_ = Find<RasGetConnectStatusFn>("RasGetConnectStatusA");
        ASSERT_TRUE(enumEntries_ && dialParams_ && enumDevices_ && dial_ && hangUp_ && enumConnections_ &&
                    connectStatus_);
        g_reports.Reset(&handle_, nullptr);
    }

    void TearDown() override
    {
        for (HRASCONN handle : dialled_)
            hangUp_(handle);
        if (library_)
            FreeLibrary(library_);
        for (const std::string& file : {fixture_, journal_, state_})
            DeleteFileA(file.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    template <typename F> F Find(const char* name)
    {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(library_, name)));
    }

    /// Starts a dial of ENTRY with the simple notifier, as the service does, into handle_.
    DWORD Dial(const std::string& entry, const std::string& user = "", const std::string& password = "")
    {
        std::vector<uint8_t> params = DialParams(entry, user, password);
        handle_ = nullptr;
        const DWORD result = dial_(nullptr, nullptr, reinterpret_cast<LPRASDIALPARAMSA>(params.data()), 0,
                                   reinterpret_cast<void*>(&OnDialEvent), &handle_);
        g_reports.DialReturned();
        if (handle_)
            dialled_.push_back(handle_);
        return result;
    }

    struct Connections {
        DWORD result;
        DWORD bytes;
        DWORD count;
        std::vector<uint8_t> records;
    };

    Connections EnumConnections(DWORD records = 1, DWORD size = kConnectionSize)
    {
        Connections answer{};
        answer.records.assign(static_cast<size_t>(records) * size + 16, 0);
        PutWord(answer.records, 0, size);
        answer.bytes = records * size;
        answer.result =
            enumConnections_(reinterpret_cast<LPRASCONNA>(answer.records.data()), &answer.bytes, &answer.count);
        return answer;
    }

    DWORD Status(HRASCONN handle, RASCONNSTATE& state, DWORD& error, std::string* device = nullptr)
    {
        std::vector<uint8_t> status(kStatusSize, 0);
        PutWord(status, 0, kStatusSize);
        const DWORD result = connectStatus_(handle, reinterpret_cast<LPRASCONNSTATUSA>(status.data()));
        state = static_cast<RASCONNSTATE>(GetWord(status, kStatusStateAt));
        error = GetWord(status, kStatusErrorAt);
        if (device)
            *device = GetText(status, kStatusDeviceNameAt);
        return result;
    }

    std::vector<std::string> JournalLines() { return Lines(ReadText(journal_)); }

    /// Runs the peer program (another process of the same session) and returns its line.
    std::string Peer(const std::string& arguments)
    {
        const std::string output = folder_ + "\\peer.txt";
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE file = CreateFileA(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "no output file";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = file;
        startup.hStdError = file;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION process{};
        std::string command = "\"" + ProgramFolder() + "\\RasStandIn_peer.exe\" " + arguments;
        const BOOL started =
            CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
        CloseHandle(file);
        if (!started)
            return "not started";
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        std::vector<std::string> lines = Lines(ReadText(output));
        DeleteFileA(output.c_str());
        return lines.empty() ? "" : lines[0];
    }

    std::string folder_, fixture_, journal_, state_;
    HMODULE library_ = nullptr;
    RasEnumEntriesFn enumEntries_ = nullptr;
    RasGetEntryDialParamsFn dialParams_ = nullptr;
    RasEnumDevicesFn enumDevices_ = nullptr;
    RasDialFn dial_ = nullptr;
    RasHangUpFn hangUp_ = nullptr;
    RasEnumConnectionsFn enumConnections_ = nullptr;
    RasGetConnectStatusFn connectStatus_ = nullptr;
    HRASCONN handle_ = nullptr;
    std::vector<HRASCONN> dialled_;
};

TEST_F(RasStandInTest, EverySpellingOfTheNameReachesTheStandIn)
{
    // SetUp loaded "RASAPI32.DLL" from beside the program; the other spellings the programs use find it.
    for (const char* name : {"rasapi32", "RASAPI32", "rasapi32.dll"}) {
        HMODULE again = LoadLibraryA(name);
        EXPECT_EQ(again, library_) << name;
        if (again)
            FreeLibrary(again);
    }
}

TEST_F(RasStandInTest, EntriesGrowFromABufferOfOne)
{
    // As the console and the wizard ask: one 264-byte record, then as many as the needed size implies.
    std::vector<uint8_t> records(kEntryNameSize, 0);
    PutWord(records, 0, kEntryNameSize);
    DWORD bytes = kEntryNameSize;
    DWORD count = 0;
    ASSERT_EQ(enumEntries_(nullptr, nullptr, reinterpret_cast<LPRASENTRYNAMEA>(records.data()), &bytes, &count),
              static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(bytes, 3 * kEntryNameSize);
    EXPECT_EQ(count, 3u);

    const DWORD fit = bytes / kEntryNameSize;
    records.assign(static_cast<size_t>(fit) * kEntryNameSize, 0xCC);
    PutWord(records, 0, kEntryNameSize);
    count = 0;
    ASSERT_EQ(enumEntries_(nullptr, nullptr, reinterpret_cast<LPRASENTRYNAMEA>(records.data()), &bytes, &count), 0u);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(bytes, 3 * kEntryNameSize);
    const char* names[] = {"Provider One", "Quick Line", "Busy Line"};
    for (DWORD i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(GetWord(records, i * kEntryNameSize), kEntryNameSize);
        EXPECT_EQ(GetText(records, i * kEntryNameSize + kEntryNameAt), names[i]);
    }
}

struct EnumEntriesCase {
    const char* name;
    bool reserved;
    const char* phonebook;
    DWORD sizeField;
    DWORD bufferBytes;
    bool nullSizes;
    DWORD result;
};

TEST_F(RasStandInTest, EntriesRefuseWhatTheSystemRefuses)
{
    const EnumEntriesCase cases[] = {
        {"size field one short", false, nullptr, 263, 4096, false, ERROR_INVALID_SIZE},
        {"size field zero", false, nullptr, 0, 4096, false, ERROR_INVALID_SIZE},
        {"a connection record's size", false, nullptr, 412, 4096, false, ERROR_INVALID_SIZE},
        {"the 5.00 record", false, nullptr, 532, 4096, false, 0},
        {"an empty phonebook path is the default", false, "", 264, 4096, false, 0},
        {"another phonebook", false, "C:\\other.pbk", 264, 4096, false, ERROR_CANNOT_OPEN_PHONEBOOK},
        {"reserved set", true, nullptr, 264, 4096, false, ERROR_INVALID_PARAMETER},
        {"no size or count", false, nullptr, 264, 4096, true, ERROR_INVALID_PARAMETER},
    };
    for (const EnumEntriesCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> records(4096, 0);
        PutWord(records, 0, c.sizeField);
        DWORD bytes = c.bufferBytes;
        DWORD count = 0;
        const DWORD result =
            enumEntries_(c.reserved ? "x" : nullptr, c.phonebook, reinterpret_cast<LPRASENTRYNAMEA>(records.data()),
                         c.nullSizes ? nullptr : &bytes, c.nullSizes ? nullptr : &count);
        EXPECT_EQ(result, c.result);
        if (c.result == 0) {
            EXPECT_EQ(count, 3u);
            EXPECT_EQ(GetText(records, c.sizeField + kEntryNameAt), "Quick Line")
                << "records " << c.sizeField << " apart";
        }
    }
}

struct DialParamsCase {
    const char* entry;
    DWORD sizeField;
    DWORD result;
    const char* user;
    const char* password;
    BOOL saved;
    const char* domain;
};

TEST_F(RasStandInTest, DialParametersAreTheStoredOnes)
{
    const DialParamsCase cases[] = {
        {"Provider One", kDialParamsSize, 0, "alice", "Pw-one-7731", TRUE, ""},
        {"quick line", kDialParamsSize, 0, "bob", "Pw-quick-2284", TRUE, "LAB"},
        // A password the system keeps for all users comes back as asterisks.
        {"Busy Line", kDialParamsSize, 0, "carol", "****************", TRUE, ""},
        {"Provider One", static_cast<DWORD>(sizeof(RASDIALPARAMSA)), 0, "alice", "Pw-one-7731", TRUE, ""},
        {"Nobody", kDialParamsSize, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, "", "", FALSE, ""},
        {"Provider One", 1051, ERROR_INVALID_SIZE, "", "", FALSE, ""},
    };
    for (const DialParamsCase& c : cases) {
        SCOPED_TRACE(std::string(c.entry) + " " + std::to_string(c.sizeField));
        std::vector<uint8_t> params(2048, 0);
        PutWord(params, 0, c.sizeField);
        PutText(params, kDialEntryAt, c.entry);
        PutText(params, kDialPhoneAt, "left alone?");
        BOOL saved = 77;
        ASSERT_EQ(dialParams_(nullptr, reinterpret_cast<LPRASDIALPARAMSA>(params.data()), &saved), c.result);
        if (c.result != 0) {
            EXPECT_EQ(saved, 77) << "untouched on failure";
            continue;
        }
        EXPECT_EQ(GetText(params, kDialUserAt), c.user);
        EXPECT_EQ(GetText(params, kDialPasswordAt), c.password);
        EXPECT_EQ(GetText(params, kDialDomainAt), c.domain);
        EXPECT_EQ(GetText(params, kDialPhoneAt), "");
        EXPECT_EQ(saved, c.saved);
    }
    std::vector<uint8_t> params = DialParams("Provider One", "", "");
    EXPECT_EQ(dialParams_(nullptr, reinterpret_cast<LPRASDIALPARAMSA>(params.data()), nullptr),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(RasStandInTest, DevicesAnswerASizeQueryThenFill)
{
    // As the adapter inventory asks: no buffer first, then the size it was told.
    DWORD bytes = 0;
    DWORD count = 0;
    ASSERT_EQ(enumDevices_(nullptr, &bytes, &count), static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(bytes, 2 * kDeviceSize);
    EXPECT_EQ(count, 2u);

    std::vector<uint8_t> devices(bytes, 0);
    PutWord(devices, 0, kDeviceSize + 1);
    EXPECT_EQ(enumDevices_(reinterpret_cast<LPRASDEVINFOA>(devices.data()), &bytes, &count),
              static_cast<DWORD>(ERROR_INVALID_SIZE));
    PutWord(devices, 0, kDeviceSize);
    count = 0;
    ASSERT_EQ(enumDevices_(reinterpret_cast<LPRASDEVINFOA>(devices.data()), &bytes, &count), 0u);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(GetText(devices, kDeviceTypeAt), "modem");
    EXPECT_EQ(GetText(devices, kDeviceNameAt), "Lab Modem");
    EXPECT_EQ(GetWord(devices, kDeviceSize), kDeviceSize);
    EXPECT_EQ(GetText(devices, kDeviceSize + kDeviceTypeAt), "isdn");
    EXPECT_EQ(GetText(devices, kDeviceSize + kDeviceNameAt), "Lab ISDN");
}

TEST_F(RasStandInTest, ADialConnectsAfterItsDelayAndHangsUp)
{
    LARGE_INTEGER frequency, started, connected;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&started);
    ASSERT_EQ(Dial("Provider One", "alice", "Pw-one-7731"), 0u);
    ASSERT_NE(handle_, nullptr);
    ASSERT_TRUE(g_reports.WaitFor(RASCS_Connected));
    QueryPerformanceCounter(&connected);
    const double ms = 1000.0 * static_cast<double>(connected.QuadPart - started.QuadPart) / frequency.QuadPart;
    EXPECT_GE(ms, 45.0) << "the fixture's delay is 50 ms";

    const std::vector<SeenReport> seen = g_reports.Seen();
    EXPECT_EQ(States(seen), kConnectedStates);
    for (const SeenReport& report : seen) {
        EXPECT_EQ(report.message, static_cast<UINT>(WM_RASDIALEVENT));
        EXPECT_EQ(report.error, 0u);
        EXPECT_TRUE(report.dialReturned) << "a dial with a delay reports after RasDialA returned";
        EXPECT_NE(report.thread, GetCurrentThreadId()) << "on a thread of the library's own";
    }

    Connections connections = EnumConnections();
    ASSERT_EQ(connections.result, 0u);
    ASSERT_EQ(connections.count, 1u);
    EXPECT_EQ(GetWord(connections.records, 0), kConnectionSize);
    EXPECT_EQ(GetHandle(connections.records, kConnHandleAt), handle_);
    EXPECT_EQ(GetText(connections.records, kConnEntryAt), "Provider One");
    EXPECT_EQ(GetText(connections.records, kConnDeviceTypeAt), "modem");
    EXPECT_EQ(GetText(connections.records, kConnDeviceNameAt), "Lab Modem");

    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 99;
    std::string device;
    ASSERT_EQ(Status(handle_, state, error, &device), 0u);
    EXPECT_EQ(state, RASCS_Connected);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(device, "Lab Modem");
    EXPECT_EQ(ReadText(state_), "connected Provider One\n");

    EXPECT_EQ(hangUp_(handle_), 0u);
    connections = EnumConnections();
    EXPECT_EQ(connections.result, 0u);
    EXPECT_EQ(connections.count, 0u);
    EXPECT_EQ(Status(handle_, state, error), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(ReadText(state_), "disconnected\n");
    EXPECT_EQ(hangUp_(handle_), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << "already hung up";
    EXPECT_EQ(g_reports.Seen().size(), seen.size()) << "no report after the hang-up";
}

struct ZeroDelayCase {
    const char* entry;
    bool handleSeenByNotifier;
};

TEST_F(RasStandInTest, ADialWithNoDelayReportsBeforeRasDialReturns)
{
    ASSERT_TRUE(WriteText(fixture_, kOutcomeFixture));
    const ZeroDelayCase cases[] = {{"Quick Line", true}, {"Late Handle", false}};
    for (const ZeroDelayCase& c : cases) {
        SCOPED_TRACE(c.entry);
        g_reports.Reset(&handle_, nullptr);
        ASSERT_EQ(Dial(c.entry), 0u);
        const std::vector<SeenReport> seen = g_reports.Seen();
        ASSERT_EQ(States(seen), kConnectedStates) << "every report is in when RasDialA returns";
        for (const SeenReport& report : seen) {
            EXPECT_FALSE(report.dialReturned);
            EXPECT_NE(report.thread, GetCurrentThreadId());
            EXPECT_EQ(report.callerHandle != nullptr, c.handleSeenByNotifier);
        }
        ASSERT_NE(handle_, nullptr);
        EXPECT_EQ(hangUp_(handle_), 0u);
    }
}

TEST_F(RasStandInTest, AnErrorComesThroughTheNotifier)
{
    ASSERT_EQ(Dial("Busy Line", "carol", "Dialled-pw-4410"), 0u);
    ASSERT_TRUE(g_reports.WaitFor(RASCS_OpenPort, true));
    const std::vector<SeenReport> seen = g_reports.Seen();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen.back().state, RASCS_ConnectDevice);
    EXPECT_EQ(seen.back().error, static_cast<DWORD>(ERROR_NO_ANSWER));

    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 0;
    ASSERT_EQ(Status(handle_, state, error), 0u) << "a failed dial keeps its handle until hung up";
    EXPECT_EQ(state, RASCS_ConnectDevice);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_NO_ANSWER));
    EXPECT_EQ(EnumConnections().count, 0u);
    EXPECT_EQ(hangUp_(handle_), 0u);
    EXPECT_EQ(Status(handle_, state, error), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

struct HangUpFromNotifierCase {
    const char* entry;
    bool beforeReturn;
};

TEST_F(RasStandInTest, ANotifierHangsUpAFailedDialItself)
{
    ASSERT_TRUE(
        WriteText(fixture_, std::string(kOutcomeFixture) + "[entry Busy Later]\noutcome = error 678\ndelay = 20\n"));
    const HangUpFromNotifierCase cases[] = {{"Busy Now", true}, {"Busy Later", false}};
    for (const HangUpFromNotifierCase& c : cases) {
        SCOPED_TRACE(c.entry);
        g_reports.Reset(&handle_, hangUp_);
        ASSERT_EQ(Dial(c.entry), 0u);
        ASSERT_TRUE(g_reports.WaitFor(RASCS_OpenPort, true));
        const std::vector<SeenReport> seen = g_reports.Seen();
        EXPECT_EQ(seen.back().dialReturned, !c.beforeReturn);
        // The hang-up answered from inside the notifier, without waiting on the thread it runs on.
        for (int i = 0; i < 100 && g_reports.HangUpResults().empty(); ++i)
            Sleep(10);
        EXPECT_EQ(g_reports.HangUpResults(), std::vector<DWORD>{0});
        RASCONNSTATE state = RASCS_OpenPort;
        DWORD error = 0;
        EXPECT_EQ(Status(handle_, state, error), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST_F(RasStandInTest, AConnectionThatDropsReportsDisconnected)
{
    ASSERT_TRUE(WriteText(fixture_, kOutcomeFixture));
    ASSERT_EQ(Dial("Drops"), 0u);
    EXPECT_EQ(EnumConnections().count, 1u);
    EXPECT_EQ(ReadText(state_), "connected Drops\n");
    ASSERT_TRUE(g_reports.WaitFor(RASCS_Disconnected));
    const std::vector<SeenReport> seen = g_reports.Seen();
    EXPECT_EQ(seen.back().error, 0u);
    EXPECT_EQ(seen[seen.size() - 2].state, RASCS_Connected);
    EXPECT_EQ(EnumConnections().count, 0u);
    EXPECT_EQ(ReadText(state_), "disconnected\n");
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 0;
    ASSERT_EQ(Status(handle_, state, error), 0u);
    EXPECT_EQ(state, RASCS_Disconnected);
    // Dropped, not hung up: the entry can be dialled again at once.
    g_reports.Reset(&handle_, nullptr);
    EXPECT_EQ(Dial("Drops"), 0u);
    EXPECT_EQ(EnumConnections().count, 1u);
}

struct DialAnswerCase {
    const char* name;
    const char* entry;
    const char* user;
    const char* password;
    DWORD notifierType;
    DWORD result;
    bool handle;
    RASCONNSTATE lastState;
    DWORD lastError;
    size_t reports;
};

TEST_F(RasStandInTest, DialAnswersAndOutcomes)
{
    ASSERT_TRUE(WriteText(fixture_, kOutcomeFixture));
    const DialAnswerCase cases[] = {
        {"refused by RasDialA", "Refuses", "", "", 0, ERROR_PORT_NOT_AVAILABLE, true, RASCS_OpenPort, 0, 0},
        {"stored credentials", "Checks", "DAVE", "Pw-check-5150", 0, 0, true, RASCS_Connected, 0, 8},
        {"wrong password", "Checks", "dave", "Wrong-pass-991", 0, 0, true, RASCS_Authenticate,
         ERROR_AUTHENTICATION_FAILURE, 7},
        {"unknown entry", "Nobody", "", "", 0, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, false, RASCS_OpenPort, 0, 0},
        {"notifier of an unknown kind", "Quick Line", "", "", 3, ERROR_INVALID_PARAMETER, false, RASCS_OpenPort, 0, 0},
        {"RasDialFunc1", "Quick Line", "", "", 1, 0, true, RASCS_Connected, 0, 8},
    };
    for (const DialAnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        g_reports.Reset(&handle_, nullptr);
        std::vector<uint8_t> params = DialParams(c.entry, c.user, c.password);
        handle_ = nullptr;
        void* notifier =
            c.notifierType == 1 ? reinterpret_cast<void*>(&OnDialEvent1) : reinterpret_cast<void*>(&OnDialEvent);
        const DWORD result = dial_(nullptr, nullptr, reinterpret_cast<LPRASDIALPARAMSA>(params.data()), c.notifierType,
                                   notifier, &handle_);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(handle_ != nullptr, c.handle);
        const std::vector<SeenReport> seen = g_reports.Seen();
        ASSERT_EQ(seen.size(), c.reports);
        if (!seen.empty()) {
            EXPECT_EQ(seen.back().state, c.lastState);
            EXPECT_EQ(seen.back().error, c.lastError);
            if (c.notifierType == 1) {
                EXPECT_EQ(seen.back().givenHandle, handle_);
            }
        }
        if (c.result == ERROR_PORT_NOT_AVAILABLE) {
            RASCONNSTATE state = RASCS_Connected;
            DWORD error = 0;
            ASSERT_EQ(Status(handle_, state, error), 0u);
            EXPECT_EQ(state, c.lastState);
            EXPECT_EQ(error, c.result);
        }
        if (handle_) {
            EXPECT_EQ(hangUp_(handle_), 0u);
        }
    }
}

TEST_F(RasStandInTest, ASecondDialOfAConnectedEntryIsRefused)
{
    ASSERT_TRUE(WriteText(fixture_, kOutcomeFixture));
    ASSERT_EQ(Dial("Quick Line"), 0u);
    HRASCONN first = handle_;
    std::vector<uint8_t> params = DialParams("quick line", "", "");
    HRASCONN second = reinterpret_cast<HRASCONN>(1);
    EXPECT_EQ(dial_(nullptr, nullptr, reinterpret_cast<LPRASDIALPARAMSA>(params.data()), 0,
                    reinterpret_cast<void*>(&OnDialEvent), &second),
              static_cast<DWORD>(ERROR_PORT_ALREADY_OPEN));
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(hangUp_(first), 0u);
}

TEST_F(RasStandInTest, TwoConnectionsDoNotFitInOneRecord)
{
    ASSERT_TRUE(WriteText(fixture_, kOutcomeFixture));
    ASSERT_EQ(Dial("Quick Line"), 0u);
    ASSERT_EQ(Dial("Late Handle"), 0u);
    Connections one = EnumConnections(1);
    EXPECT_EQ(one.result, static_cast<DWORD>(ERROR_BUFFER_TOO_SMALL));
    EXPECT_EQ(one.bytes, 2 * kConnectionSize);
    Connections two = EnumConnections(2);
    ASSERT_EQ(two.result, 0u);
    ASSERT_EQ(two.count, 2u);
    EXPECT_EQ(GetText(two.records, kConnEntryAt), "Quick Line");
    EXPECT_EQ(GetText(two.records, kConnectionSize + kConnEntryAt), "Late Handle");
    EXPECT_EQ(GetWord(two.records, kConnectionSize), kConnectionSize);
    EXPECT_EQ(ReadText(state_), "connected Quick Line\nconnected Late Handle\n");
}

TEST_F(RasStandInTest, ConnectionRecordSizesOfThisBuild)
{
    // The first version is 412 bytes only where a handle is 4 bytes.
    const DWORD other = sizeof(void*) == 8 ? 412 : 416;
    const DWORD sizes[] = {other, 424, 0, static_cast<DWORD>(sizeof(RASCONNA)) + 4};
    for (DWORD size : sizes) {
        SCOPED_TRACE(size);
        EXPECT_EQ(EnumConnections(1, size).result, static_cast<DWORD>(ERROR_INVALID_SIZE));
    }
    EXPECT_EQ(EnumConnections(1, kConnectionSize).result, 0u);
    EXPECT_EQ(EnumConnections(1, static_cast<DWORD>(sizeof(RASCONNA))).result, 0u) << "the headers' version";
}

TEST_F(RasStandInTest, AWindowNotifierGetsTheRegisteredMessage)
{
    ASSERT_TRUE(WriteText(fixture_, kOutcomeFixture));
    HWND window = CreateWindowExA(0, "STATIC", "ras", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const UINT message = RegisterWindowMessageA(RASDIALEVENT);
    std::vector<uint8_t> params = DialParams("Slow Line", "", "");
    ASSERT_EQ(dial_(nullptr, nullptr, reinterpret_cast<LPRASDIALPARAMSA>(params.data()), 0xFFFFFFFF, window, &handle_),
              0u);
    dialled_.push_back(handle_);
    std::vector<RASCONNSTATE> states;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kWaitMs && (states.empty() || states.back() != RASCS_Connected)) {
        MSG msg;
        if (PeekMessageA(&msg, window, message, message, PM_REMOVE)) {
            states.push_back(static_cast<RASCONNSTATE>(msg.wParam));
            EXPECT_EQ(msg.lParam, 0);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_POSTMESSAGE);
        }
    }
    EXPECT_EQ(states, kConnectedStates);
    EXPECT_EQ(hangUp_(handle_), 0u);
    DestroyWindow(window);
}

TEST_F(RasStandInTest, ASynchronousDialReturnsItsOutcome)
{
    const struct {
        const char* entry;
        DWORD result;
    } cases[] = {{"Provider One", 0}, {"Busy Line", ERROR_NO_ANSWER}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.entry);
        std::vector<uint8_t> params = DialParams(c.entry, "", "");
        handle_ = nullptr;
        EXPECT_EQ(dial_(nullptr, nullptr, reinterpret_cast<LPRASDIALPARAMSA>(params.data()), 0, nullptr, &handle_),
                  c.result);
        ASSERT_NE(handle_, nullptr);
        EXPECT_EQ(EnumConnections().count, c.result == 0 ? 1u : 0u);
        EXPECT_EQ(hangUp_(handle_), 0u);
    }
}

TEST_F(RasStandInTest, AnotherProcessSeesTheConnectionAndCanHangItUp)
{
    ASSERT_EQ(Dial("Provider One", "alice", "Pw-one-7731"), 0u);
    ASSERT_TRUE(g_reports.WaitFor(RASCS_Connected));
    EXPECT_EQ(Peer("enum"), "result=0 connections=1 entry=Provider One handle=" + Hex(handle_));

    // The connection outlives the library in the process that dialled.
    FreeLibrary(library_);
    library_ = LoadLibraryA("RASAPI32.DLL");
    ASSERT_NE(library_, nullptr);
    hangUp_ = Find<RasHangUpFn>("RasHangUpA");
    enumConnections_ = Find<RasEnumConnectionsFn>("RasEnumConnectionsA");
    connectStatus_ = Find<RasGetConnectStatusFn>("RasGetConnectStatusA");
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 0;
    ASSERT_EQ(Status(handle_, state, error), 0u);
    EXPECT_EQ(state, RASCS_Connected);

    EXPECT_EQ(Peer("hangup " + Hex(handle_)), "result=0");
    EXPECT_EQ(EnumConnections().count, 0u);
    EXPECT_EQ(Status(handle_, state, error), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(Peer("enum"), "result=0 connections=0 entry= handle=0x0");
    EXPECT_EQ(ReadText(state_), "disconnected\n");
}

TEST_F(RasStandInTest, TheJournalHasEveryCallAndNoPassword)
{
    std::vector<uint8_t> one(kEntryNameSize, 0);
    PutWord(one, 0, kEntryNameSize);
    DWORD bytes = kEntryNameSize;
    DWORD count = 0;
    enumEntries_(nullptr, nullptr, reinterpret_cast<LPRASENTRYNAMEA>(one.data()), &bytes, &count);
    std::vector<uint8_t> params = DialParams("Provider One", "", "");
    BOOL saved = FALSE;
    ASSERT_EQ(dialParams_(nullptr, reinterpret_cast<LPRASDIALPARAMSA>(params.data()), &saved), 0u);
    DWORD deviceBytes = 0;
    enumDevices_(nullptr, &deviceBytes, &count);
    ASSERT_EQ(Dial("Provider One", "alice", "Pw-one-7731"), 0u);
    ASSERT_TRUE(g_reports.WaitFor(RASCS_Connected));
    EnumConnections();
    ASSERT_EQ(hangUp_(handle_), 0u);
    ASSERT_EQ(Dial("Busy Line", "carol", "Dialled-pw-4410"), 0u);
    ASSERT_TRUE(g_reports.WaitFor(RASCS_OpenPort, true));
    ASSERT_EQ(hangUp_(handle_), 0u);

    const std::string h = Hex(dialled_[0]);
    const std::vector<std::string> expected = {
        "RasEnumEntriesA phonebook=<default> bufferSize=264 entrySize=264 -> 603 needed=792 entries=3",
        "RasGetEntryDialParamsA phonebook=<default> paramsSize=1052 entry=\"Provider One\" -> 0 user=\"alice\" "
        "password=<set> domain=\"\" savedPassword=1",
        "RasEnumDevicesA bufferSize=0 buffer=<null> -> 603 needed=304 devices=2",
        "RasDialA extensions=<null> phonebook=<default> paramsSize=1052 entry=\"Provider One\" phone=\"\" "
        "callback=\"\" user=\"alice\" password=<set> domain=\"*\" notifierType=0x0 notifier=<set> "
        "credentials=stored -> 0 handle=" +
            h,
        "notify handle=" + h + " type=0x0 state=0x0 error=0",
        "state connected=\"Provider One\"",
        "notify handle=" + h + " type=0x0 state=0x2000 error=0",
        "RasEnumConnectionsA bufferSize=" + std::to_string(kConnectionSize) +
            " connectionSize=" + std::to_string(kConnectionSize) + " -> 0 needed=" + std::to_string(kConnectionSize) +
            " connections=1 entry=\"Provider One\"",
        "state now=disconnected",
        "RasHangUpA handle=" + h + " -> 0",
        "RasDialA extensions=<null> phonebook=<default> paramsSize=1052 entry=\"Busy Line\" phone=\"\" "
        "callback=\"\" user=\"carol\" password=<set> domain=\"*\" notifierType=0x0 notifier=<set> "
        "credentials=other -> 0 handle=" +
            Hex(dialled_[1]),
        "notify handle=" + Hex(dialled_[1]) + " type=0x0 state=0x2 error=678",
    };
    const std::vector<std::string> lines = JournalLines();
    // In this order, with other lines between them.
    size_t at = 0;
    for (const std::string& want : expected) {
        SCOPED_TRACE(want);
        while (at < lines.size() && lines[at] != want)
            ++at;
        ASSERT_LT(at, lines.size()) << "missing or out of order; the journal:\n" << ReadText(journal_);
    }

    for (const std::string& file : {journal_, state_}) {
        const std::string text = ReadText(file);
        ASSERT_FALSE(text.empty()) << file;
        for (const char* password : kPasswords) {
            SCOPED_TRACE(std::string(file) + " " + password);
            EXPECT_EQ(text.find(password), std::string::npos);
        }
    }
}

TEST_F(RasStandInTest, AFixtureProblemIsJournalledOnceWithoutItsValue)
{
    ASSERT_TRUE(WriteText(fixture_, "[entry E]\ndelay = Pw-one-7731\n"));
    DWORD bytes = 0;
    DWORD count = 0;
    for (int i = 0; i < 3; ++i)
        enumDevices_(nullptr, &bytes, &count);
    EXPECT_EQ(count, 1u) << "the entry's default device";
    size_t problems = 0;
    for (const std::string& line : JournalLines())
        problems += line.compare(0, 8, "fixture ") == 0 ? 1 : 0;
    EXPECT_EQ(problems, 1u);
    EXPECT_EQ(ReadText(journal_).find("Pw-one-7731"), std::string::npos);

    DeleteFileA(fixture_.c_str());
    EXPECT_EQ(enumDevices_(nullptr, &bytes, &count), 0u) << "no fixture: no devices";
    EXPECT_EQ(count, 0u);
    EXPECT_NE(ReadText(journal_).find("problem=unreadable"), std::string::npos);
}

}  // namespace
