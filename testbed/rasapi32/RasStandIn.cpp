// The stand-in RASAPI32.DLL: the dial-up library's calls that this system's programs look up, answered
// from a fixture file instead of a modem (docs/standin-rasapi32.md). Each export checks its arguments as
// the system's library does, in the same order, reads and writes the callers' records field by field at
// the offsets of RasRecords.h, and appends one line to the journal.
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "RasDialer.h"
#include "RasFixture.h"
#include "RasJournalLine.h"
#include "RasRecords.h"
#include "RasStandInFiles.h"

namespace rr = rasrecords;

namespace {

constexpr size_t kPointer = sizeof(void*);

// The headers declare the newest version of each record; the layouts of RasRecords.h must agree with them
// field for field, in this build's pointer width.
static_assert(sizeof(RASENTRYNAMEA) == rr::entryname::kSize500, "entry name record");
static_assert(offsetof(RASENTRYNAMEA, szEntryName) == rr::entryname::kName, "entry name");
static_assert(offsetof(RASENTRYNAMEA, dwFlags) == rr::entryname::kFlags, "entry flags");
static_assert(offsetof(RASENTRYNAMEA, szPhonebookPath) == rr::entryname::kPhonebookPath, "entry phonebook");
static_assert(sizeof(RASDIALPARAMSA) == rr::dialparams::Size401(kPointer), "dial parameters");
static_assert(offsetof(RASDIALPARAMSA, szEntryName) == rr::dialparams::kEntryName, "dial entry");
static_assert(offsetof(RASDIALPARAMSA, szPhoneNumber) == rr::dialparams::kPhoneNumber, "dial phone");
static_assert(offsetof(RASDIALPARAMSA, szCallbackNumber) == rr::dialparams::kCallbackNumber, "dial callback");
static_assert(offsetof(RASDIALPARAMSA, szUserName) == rr::dialparams::kUserName, "dial user");
static_assert(offsetof(RASDIALPARAMSA, szPassword) == rr::dialparams::kPassword, "dial password");
static_assert(offsetof(RASDIALPARAMSA, szDomain) == rr::dialparams::kDomain, "dial domain");
static_assert(offsetof(RASDIALPARAMSA, dwSubEntry) == rr::dialparams::kSubEntry, "dial sub-entry");
static_assert(offsetof(RASDIALPARAMSA, dwCallbackId) == rr::dialparams::kCallbackId, "dial callback id");
static_assert(sizeof(RASCONNA) == rr::connection::Size501(kPointer), "connection record");
static_assert(offsetof(RASCONNA, hrasconn) == rr::connection::kHandle, "connection handle");
static_assert(offsetof(RASCONNA, szEntryName) == rr::connection::EntryName(kPointer), "connection entry");
static_assert(offsetof(RASCONNA, szDeviceType) == rr::connection::DeviceType(kPointer), "connection device type");
static_assert(offsetof(RASCONNA, szDeviceName) == rr::connection::DeviceName(kPointer), "connection device");
static_assert(offsetof(RASCONNA, szPhonebook) == rr::connection::Phonebook(kPointer), "connection phonebook");
static_assert(offsetof(RASCONNA, dwSubEntry) == rr::connection::SubEntry(kPointer), "connection sub-entry");
static_assert(offsetof(RASCONNA, guidEntry) == rr::connection::Guid(kPointer), "connection GUID");
static_assert(offsetof(RASCONNA, dwFlags) == rr::connection::Flags(kPointer), "connection flags");
static_assert(offsetof(RASCONNA, luid) == rr::connection::Luid(kPointer), "connection LUID");
static_assert(sizeof(RASDEVINFOA) == rr::deviceinfo::kSize, "device record");
static_assert(offsetof(RASDEVINFOA, szDeviceType) == rr::deviceinfo::kType, "device type");
static_assert(offsetof(RASDEVINFOA, szDeviceName) == rr::deviceinfo::kName, "device name");
static_assert(sizeof(RASCONNSTATUSA) == rr::connectstatus::kSize401, "connection status");
static_assert(offsetof(RASCONNSTATUSA, rasconnstate) == rr::connectstatus::kState, "status state");
static_assert(offsetof(RASCONNSTATUSA, dwError) == rr::connectstatus::kError, "status error");
static_assert(offsetof(RASCONNSTATUSA, szDeviceType) == rr::connectstatus::kDeviceType, "status device type");
static_assert(offsetof(RASCONNSTATUSA, szDeviceName) == rr::connectstatus::kDeviceName, "status device");
static_assert(offsetof(RASCONNSTATUSA, szPhoneNumber) == rr::connectstatus::kPhoneNumber, "status phone");
static_assert(sizeof(RASDIALEXTENSIONS) == rr::dialextensions::Size500(kPointer), "dial extensions");
static_assert(sizeof(HRASCONN) == kPointer && sizeof(RASCONNSTATE) == 4, "handle and state words");

constexpr DWORD kNotifierWindow = 0xFFFFFFFF;

uint32_t GetWord(const void* record, size_t offset)
{
    uint32_t value = 0;
    std::memcpy(&value, static_cast<const uint8_t*>(record) + offset, sizeof value);
    return value;
}

void PutWord(void* record, size_t offset, uint32_t value)
{
    std::memcpy(static_cast<uint8_t*>(record) + offset, &value, sizeof value);
}

void PutHandle(void* record, size_t offset, HRASCONN handle)
{
    std::memcpy(static_cast<uint8_t*>(record) + offset, &handle, sizeof handle);
}

/// A text field as the caller filled it; one that lacks its terminator ends at the field's end.
std::string GetText(const void* record, size_t offset, size_t field)
{
    const char* text = static_cast<const char*>(record) + offset;
    size_t length = 0;
    while (length < field && text[length] != '\0')
        ++length;
    return std::string(text, length == field ? field - 1 : length);
}

/// Writes TEXT, cut to the field, and its terminator.
void PutText(void* record, size_t offset, size_t field, const std::string& text)
{
    char* target = static_cast<char*>(record) + offset;
    const size_t length = text.size() < field ? text.size() : field - 1;
    std::memcpy(target, text.data(), length);
    target[length] = '\0';
}

/// Only the default phonebook exists: a phonebook's path was never part of what the programs pass.
bool OtherPhonebook(const char* phonebook)
{
    return phonebook && phonebook[0] != '\0';
}

void Phonebook(CRasJournalLine& line, const char* phonebook)
{
    if (OtherPhonebook(phonebook))
        line.Text("phonebook", phonebook);
    else
        line.Word("phonebook", "<default>");
}

DWORD Finish(CRasJournalLine& line, DWORD result)
{
    RasJournal(line.Result(result).Line());
    return result;
}

std::string DeviceTypeOf(const RasFixture& fixture, const std::string& device)
{
    const RasFixtureDevice* found = fixture.FindDevice(device);
    return found ? found->type : RasFixtureDevice().type;
}

/// The entry's device, or the default one for a connection whose entry the fixture no longer has.
std::string DeviceOf(const RasFixture& fixture, const std::string& entry)
{
    const RasFixtureEntry* found = fixture.FindEntry(entry);
    return found ? found->device : kRasDefaultDevice;
}

DWORD EnumEntries(LPCSTR reserved, LPCSTR phonebook, LPRASENTRYNAMEA buffer, LPDWORD bytes, LPDWORD count)
{
    CRasLock lock;
    CRasJournalLine line("RasEnumEntriesA");
    Phonebook(line, phonebook);
    if (reserved)
        line.Word("reserved", "<set>");
    if (!bytes || !count)
        return Finish(line.Word("sizes", "<null>"), ERROR_INVALID_PARAMETER);
    const DWORD given = *bytes;
    line.Number("bufferSize", given);
    if (reserved)
        return Finish(line, ERROR_INVALID_PARAMETER);
    // Without a buffer the call asks for the size, in records of the first version.
    const uint32_t recordSize = buffer ? GetWord(buffer, rr::kSizeOffset) : rr::entryname::kSize400;
    if (buffer)
        line.Number("entrySize", recordSize);
    else
        line.Null("buffer");
    if (buffer && !rr::IsKnownSize(rr::Record::EntryName, recordSize, kPointer))
        return Finish(line, ERROR_INVALID_SIZE);
    if (OtherPhonebook(phonebook))
        return Finish(line, ERROR_CANNOT_OPEN_PHONEBOOK);
    const RasFixture fixture = RasLoadFixture();
    const rr::ListAnswer answer = rr::PlanList(fixture.entries.size(), recordSize, buffer ? given : 0);
    *bytes = answer.neededBytes;
    *count = answer.count;
    if (answer.result == 0) {
        uint8_t* record = reinterpret_cast<uint8_t*>(buffer);
        for (const RasFixtureEntry& entry : fixture.entries) {
            std::memset(record, 0, recordSize);
            PutWord(record, rr::kSizeOffset, recordSize);
            PutText(record, rr::entryname::kName, rr::kEntryNameField, entry.name);
            if (recordSize >= rr::entryname::kSize500)
                PutWord(record, rr::entryname::kFlags, REN_AllUsers);
            record += recordSize;
        }
    }
    line.Result(answer.result).Number("needed", answer.neededBytes).Number("entries", answer.count);
    RasJournal(line.Line());
    return answer.result;
}

DWORD GetEntryDialParams(LPCSTR phonebook, LPRASDIALPARAMSA params, LPBOOL hasPassword)
{
    CRasLock lock;
    CRasJournalLine line("RasGetEntryDialParamsA");
    Phonebook(line, phonebook);
    if (!params || !hasPassword)
        return Finish(line.Word("arguments", "<null>"), ERROR_INVALID_PARAMETER);
    const uint32_t size = GetWord(params, rr::kSizeOffset);
    line.Number("paramsSize", size);
    if (!rr::IsKnownSize(rr::Record::DialParams, size, kPointer))
        return Finish(line, ERROR_INVALID_SIZE);
    const std::string name = GetText(params, rr::dialparams::kEntryName, rr::kEntryNameField);
    line.Text("entry", name);
    if (OtherPhonebook(phonebook))
        return Finish(line, ERROR_CANNOT_OPEN_PHONEBOOK);
    const RasFixture fixture = RasLoadFixture();
    const RasFixtureEntry* entry = fixture.FindEntry(name);
    if (!entry)
        return Finish(line, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
    // The stored parameters; the phone number and the callback number are left for the caller to set.
    PutText(params, rr::dialparams::kPhoneNumber, rr::kPhoneNumberField, "");
    PutText(params, rr::dialparams::kCallbackNumber, rr::kCallbackNumberField, "");
    PutText(params, rr::dialparams::kUserName, rr::kUserNameField, entry->user);
    PutText(params, rr::dialparams::kPassword, rr::kPasswordField, entry->password);
    PutText(params, rr::dialparams::kDomain, rr::kDomainField, entry->domain);
    *hasPassword = entry->password.empty() ? FALSE : TRUE;
    line.Result(0).Text("user", entry->user).Secret("password", entry->password).Text("domain", entry->domain);
    line.Number("savedPassword", *hasPassword);
    RasJournal(line.Line());
    return 0;
}

DWORD EnumDevices(LPRASDEVINFOA buffer, LPDWORD bytes, LPDWORD count)
{
    CRasLock lock;
    CRasJournalLine line("RasEnumDevicesA");
    if (!bytes || !count)
        return Finish(line.Word("sizes", "<null>"), ERROR_INVALID_PARAMETER);
    const DWORD given = *bytes;
    line.Number("bufferSize", given);
    if (buffer) {
        const uint32_t recordSize = GetWord(buffer, rr::kSizeOffset);
        line.Number("deviceSize", recordSize);
        if (!rr::IsKnownSize(rr::Record::DeviceInfo, recordSize, kPointer))
            return Finish(line, ERROR_INVALID_SIZE);
    } else {
        line.Null("buffer");
    }
    const RasFixture fixture = RasLoadFixture();
    const rr::ListAnswer answer = rr::PlanList(fixture.devices.size(), rr::deviceinfo::kSize, buffer ? given : 0);
    *bytes = answer.neededBytes;
    *count = answer.count;
    if (answer.result == 0) {
        uint8_t* record = reinterpret_cast<uint8_t*>(buffer);
        for (const RasFixtureDevice& device : fixture.devices) {
            std::memset(record, 0, rr::deviceinfo::kSize);
            PutWord(record, rr::kSizeOffset, rr::deviceinfo::kSize);
            PutText(record, rr::deviceinfo::kType, rr::kDeviceTypeField, device.type);
            PutText(record, rr::deviceinfo::kName, rr::kDeviceNameField, device.name);
            record += rr::deviceinfo::kSize;
        }
    }
    line.Result(answer.result).Number("needed", answer.neededBytes).Number("devices", answer.count);
    RasJournal(line.Line());
    return answer.result;
}

DWORD Dial(LPRASDIALEXTENSIONS extensions, LPCSTR phonebook, LPRASDIALPARAMSA params, DWORD notifierType,
           LPVOID notifier, LPHRASCONN handle)
{
    RasDialPlan plan;
    CRasJournalLine line("RasDialA");
    {
        CRasLock lock;
        if (extensions)
            line.Number("extensionsSize", GetWord(extensions, rr::kSizeOffset));
        else
            line.Null("extensions");
        Phonebook(line, phonebook);
        if (!params || !handle)
            return Finish(line.Word("arguments", "<null>"), ERROR_INVALID_PARAMETER);
        const uint32_t size = GetWord(params, rr::kSizeOffset);
        line.Number("paramsSize", size);
        if (!rr::IsKnownSize(rr::Record::DialParams, size, kPointer))
            return Finish(line, ERROR_INVALID_SIZE);
        if (extensions && !rr::IsKnownSize(rr::Record::DialExtensions, GetWord(extensions, rr::kSizeOffset), kPointer))
            return Finish(line, ERROR_INVALID_SIZE);
        const std::string name = GetText(params, rr::dialparams::kEntryName, rr::kEntryNameField);
        const std::string user = GetText(params, rr::dialparams::kUserName, rr::kUserNameField);
        const std::string password = GetText(params, rr::dialparams::kPassword, rr::kPasswordField);
        line.Text("entry", name)
            .Text("phone", GetText(params, rr::dialparams::kPhoneNumber, rr::kPhoneNumberField))
            .Text("callback", GetText(params, rr::dialparams::kCallbackNumber, rr::kCallbackNumberField))
            .Text("user", user)
            .Secret("password", password)
            .Text("domain", GetText(params, rr::dialparams::kDomain, rr::kDomainField))
            .Hex("notifierType", notifierType);
        if (notifier)
            line.Word("notifier", "<set>");
        else
            line.Null("notifier");
        if (OtherPhonebook(phonebook))
            return Finish(line, ERROR_CANNOT_OPEN_PHONEBOOK);
        if (notifier && notifierType > 2 && notifierType != kNotifierWindow)
            return Finish(line, ERROR_INVALID_PARAMETER);
        const RasFixture fixture = RasLoadFixture();
        const RasFixtureEntry* entry = fixture.FindEntry(name);
        if (!entry) {
            *handle = nullptr;
            return Finish(line, ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
        }
        plan.entry = *entry;
        plan.deviceType = DeviceTypeOf(fixture, entry->device);
        plan.notifierType = notifierType;
        plan.notifier = notifier;
        if (size >= rr::dialparams::Size401(kPointer))
            std::memcpy(&plan.callbackId, reinterpret_cast<const uint8_t*>(params) + rr::dialparams::kCallbackId,
                        sizeof plan.callbackId);
        // User names compare without regard to case, passwords exactly.
        plan.credentialsMatch = RasSameName(user, entry->user) && password == entry->password;
        line.Word("credentials", plan.credentialsMatch ? "stored" : "other");
    }
    return RasDialerStart(plan, handle, line);
}

DWORD HangUp(HRASCONN handle)
{
    CRasJournalLine line("RasHangUpA");
    line.Hex("handle", reinterpret_cast<ULONG_PTR>(handle));
    const DWORD result = RasDialerHangUp(handle);
    CRasLock lock;
    return Finish(line, result);
}

DWORD EnumConnections(LPRASCONNA buffer, LPDWORD bytes, LPDWORD count)
{
    CRasLock lock;
    CRasJournalLine line("RasEnumConnectionsA");
    if (!bytes || !count)
        return Finish(line.Word("sizes", "<null>"), ERROR_INVALID_PARAMETER);
    const DWORD given = *bytes;
    line.Number("bufferSize", given);
    const uint32_t recordSize = buffer ? GetWord(buffer, rr::kSizeOffset) : rr::connection::Size400(kPointer);
    if (buffer)
        line.Number("connectionSize", recordSize);
    else
        line.Null("buffer");
    if (buffer && !rr::IsKnownSize(rr::Record::Connection, recordSize, kPointer))
        return Finish(line, ERROR_INVALID_SIZE);
    const std::vector<std::string> connected = RasDialerConnected();
    const RasFixture fixture = RasLoadFixture();
    const rr::ListAnswer answer = rr::PlanList(connected.size(), recordSize, buffer ? given : 0);
    *bytes = answer.neededBytes;
    *count = answer.count;
    if (answer.result == 0) {
        uint8_t* record = reinterpret_cast<uint8_t*>(buffer);
        for (const std::string& entry : connected) {
            const std::string device = DeviceOf(fixture, entry);
            std::memset(record, 0, recordSize);
            PutWord(record, rr::kSizeOffset, recordSize);
            PutHandle(record, rr::connection::kHandle, RasHandleFor(entry));
            PutText(record, rr::connection::EntryName(kPointer), rr::kEntryNameField, entry);
            PutText(record, rr::connection::DeviceType(kPointer), rr::kDeviceTypeField, DeviceTypeOf(fixture, device));
            PutText(record, rr::connection::DeviceName(kPointer), rr::kDeviceNameField, device);
            record += recordSize;
        }
    }
    line.Result(answer.result).Number("needed", answer.neededBytes).Number("connections", answer.count);
    for (const std::string& entry : connected)
        line.Text("entry", entry);
    RasJournal(line.Line());
    return answer.result;
}

DWORD GetConnectStatus(HRASCONN handle, LPRASCONNSTATUSA status)
{
    CRasLock lock;
    CRasJournalLine line("RasGetConnectStatusA");
    line.Hex("handle", reinterpret_cast<ULONG_PTR>(handle));
    if (!status)
        return Finish(line.Null("status"), ERROR_INVALID_PARAMETER);
    const uint32_t size = GetWord(status, rr::kSizeOffset);
    line.Number("statusSize", size);
    if (!rr::IsKnownSize(rr::Record::ConnectStatus, size, kPointer))
        return Finish(line, ERROR_INVALID_SIZE);
    RasDialStatus dial;
    const DWORD result = RasDialerStatus(handle, dial);
    if (result != 0)
        return Finish(line, result);
    const RasFixture fixture = RasLoadFixture();
    const std::string device = DeviceOf(fixture, dial.entry);
    std::memset(status, 0, size);
    PutWord(status, rr::kSizeOffset, size);
    PutWord(status, rr::connectstatus::kState, static_cast<uint32_t>(dial.state));
    PutWord(status, rr::connectstatus::kError, dial.error);
    PutText(status, rr::connectstatus::kDeviceType, rr::kDeviceTypeField, DeviceTypeOf(fixture, device));
    PutText(status, rr::connectstatus::kDeviceName, rr::kDeviceNameField, device);
    if (size >= rr::connectstatus::kSize401) {
        const RasFixtureEntry* entry = fixture.FindEntry(dial.entry);
        PutText(status, rr::connectstatus::kPhoneNumber, rr::kPhoneNumberField, entry ? entry->phone : "");
    }
    line.Result(0).Text("entry", dial.entry).Hex("state", dial.state).Number("error", dial.error);
    RasJournal(line.Line());
    return 0;
}

}  // namespace

// The exports. No exception may cross into a caller that knows only the C ABI: running out of memory
// answers as the system's library does.

extern "C" {

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, LPRASENTRYNAMEA buffer, LPDWORD bytes, LPDWORD count)
{
    try {
        return EnumEntries(reserved, phonebook, buffer, bytes, count);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

DWORD WINAPI RasGetEntryDialParamsA(LPCSTR phonebook, LPRASDIALPARAMSA params, LPBOOL hasPassword)
{
    try {
        return GetEntryDialParams(phonebook, params, hasPassword);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

DWORD WINAPI RasEnumDevicesA(LPRASDEVINFOA buffer, LPDWORD bytes, LPDWORD count)
{
    try {
        return EnumDevices(buffer, bytes, count);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

DWORD WINAPI RasDialA(LPRASDIALEXTENSIONS extensions, LPCSTR phonebook, LPRASDIALPARAMSA params, DWORD notifierType,
                      LPVOID notifier, LPHRASCONN handle)
{
    try {
        return Dial(extensions, phonebook, params, notifierType, notifier, handle);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

DWORD WINAPI RasHangUpA(HRASCONN handle)
{
    try {
        return HangUp(handle);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

DWORD WINAPI RasEnumConnectionsA(LPRASCONNA buffer, LPDWORD bytes, LPDWORD count)
{
    try {
        return EnumConnections(buffer, bytes, count);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

DWORD WINAPI RasGetConnectStatusA(HRASCONN handle, LPRASCONNSTATUSA status)
{
    try {
        return GetConnectStatus(handle, status);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(self);
        RasDialerAttach(self);
        RasFilesAttach(self);
    } else if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
        // FreeLibrary, not the process's end: every dial thread has ended (each holds the DLL).
        RasFilesDetach();
        RasDialerDetach();
    }
    return TRUE;
}

}  // extern "C"
