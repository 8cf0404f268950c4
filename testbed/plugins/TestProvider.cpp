// A test bed access provider plug-in. One source, built once per behaviour the service has to handle; the
// compile definitions below pick the behaviour:
//   PROVIDER_SLOTS            which slots registration fills (a sum of the kFill... bits)
//   PROVIDER_SIZE_FIELD       what registration leaves in the size field (136 keeps it)
//   PROVIDER_REGISTER_RESULT  what registration returns
//   PROVIDER_INITIALISE_RESULT  what initialise returns
//   PROVIDER_WITHOUT_EXPORT   defined: no registration export at all
//   PROVIDER_OVERRUN          bytes registration writes past the table's 136, as one built for a longer
//                             table would (0: none)
// Every call the service makes is appended as one line to "NAME.calls" beside the library (NAME.dll): a
// test reads there what ran. Authorise refuses the hardware addresses listed in "NAME.refuse", one
// "02:0c:00:00:00:01" per line (read at each call, so a test can change it while the plug-in runs).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#include "AccessProviderAbi.h"
#include "AccessProviderTable.h"

namespace {

constexpr unsigned kFillInitialise = 1;
constexpr unsigned kFillStart = 2;
constexpr unsigned kFillStop = 4;
constexpr unsigned kFillRetain = 8;
constexpr unsigned kFillAuthorise = 16;
constexpr unsigned kFillLease = 32;
constexpr unsigned kFillRelease = 64;

#ifndef PROVIDER_SLOTS
#define PROVIDER_SLOTS (kFillInitialise | kFillStart | kFillStop | kFillAuthorise | kFillLease | kFillRelease)
#endif
#ifndef PROVIDER_SIZE_FIELD
#define PROVIDER_SIZE_FIELD 136
#endif
#ifndef PROVIDER_REGISTER_RESULT
#define PROVIDER_REGISTER_RESULT 1
#endif
#ifndef PROVIDER_INITIALISE_RESULT
#define PROVIDER_INITIALISE_RESULT 1
#endif
#ifndef PROVIDER_OVERRUN
#define PROVIDER_OVERRUN 0
#endif
static_assert(PROVIDER_OVERRUN <= kProviderTableGuardSize, "the test bed's overrun stays in the guard space");

constexpr unsigned kSlots = (PROVIDER_SLOTS);

// What the slot the service never calls holds: any non-zero value counts.
constexpr uint32_t kRetainMark = 1;
constexpr size_t kMacTextLength = 17;  // "02:0c:00:00:00:01"

HINSTANCE g_instance = nullptr;

#ifndef PROVIDER_WITHOUT_EXPORT

// This library's path with its extension replaced.
std::string SidePath(const char* extension)
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(g_instance, path, MAX_PATH);
    std::string result(path, length);
    const size_t dot = result.find_last_of('.');
    if (dot != std::string::npos && dot > result.find_last_of('\\'))
        result.erase(dot);
    return result + extension;
}

// One line, appended in one write so that lines of several threads never mix.
void Record(const std::string& line)
{
    const std::string text = line + "\r\n";
    HANDLE file = CreateFileA(SidePath(".calls").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string MacText(const unsigned char* mac, int length)
{
    std::string text;
    char part[4];
    for (int i = 0; i < length; ++i) {
        std::snprintf(part, sizeof part, i == 0 ? "%02x" : ":%02x", mac[i]);
        text += part;
    }
    return text;
}

std::string AddressText(uint32_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address & 0xFFu, (address >> 8) & 0xFFu, (address >> 16) & 0xFFu,
                  (address >> 24) & 0xFFu);
    return text;
}

bool Refused(const std::string& mac)
{
    FILE* list = std::fopen(SidePath(".refuse").c_str(), "r");
    if (list == nullptr)
        return false;
    char line[64];
    bool refused = false;
    while (!refused && std::fgets(line, sizeof line, list) != nullptr)
        refused = _strnicmp(line, mac.c_str(), kMacTextLength) == 0;
    std::fclose(list);
    return refused;
}

int OMBRIX_PROVIDER_EXPORT_CALL Initialise()
{
    Record("initialise");
    return PROVIDER_INITIALISE_RESULT;
}

int OMBRIX_PROVIDER_EXPORT_CALL Start()
{
    Record("start");
    return 1;
}

int OMBRIX_PROVIDER_EXPORT_CALL Stop()
{
    Record("stop");
    return 1;
}

int OMBRIX_PROVIDER_CALLBACK Authorise(const unsigned char* mac, int length)
{
    const std::string text = MacText(mac, length);
    const bool serve = !Refused(text);
    Record("authorise " + text + " length=" + std::to_string(length) + " serve=" + (serve ? "1" : "0"));
    return serve ? 1 : 0;
}

void OMBRIX_PROVIDER_CALLBACK Lease(const unsigned char* mac, int length, uint32_t address)
{
    Record("lease " + MacText(mac, length) + " length=" + std::to_string(length) + " address=" + AddressText(address));
}

void OMBRIX_PROVIDER_CALLBACK Release(const unsigned char* mac, int length)
{
    Record("release " + MacText(mac, length) + " length=" + std::to_string(length));
}

// The callbacks have exactly the types the service calls them through (calling convention included).
static_assert(std::is_same<decltype(&Initialise), ProviderInitialiseFn>::value, "initialise as called");
static_assert(std::is_same<decltype(&Start), ProviderStartFn>::value, "start as called");
static_assert(std::is_same<decltype(&Stop), ProviderStopFn>::value, "stop as called");
static_assert(std::is_same<decltype(&Authorise), ProviderAuthoriseFn>::value, "authorise as called");
static_assert(std::is_same<decltype(&Lease), ProviderLeaseFn>::value, "lease as called");
static_assert(std::is_same<decltype(&Release), ProviderReleaseFn>::value, "release as called");

// Stores a function's address in its slot. A plug-in loaded where a slot cannot hold its addresses turns
// the registration down itself (the service refuses such a library before asking it to register).
template <typename Fn> bool Fill(uint8_t* table, size_t offset, unsigned bit, Fn function)
{
    if ((kSlots & bit) == 0)
        return true;
    if (!ProviderSlotCanHold(reinterpret_cast<uintptr_t>(function)))
        return false;
    WriteProviderU32(table, offset, ProviderFunctionSlot(function));
    return true;
}
#endif

}  // namespace

#ifndef PROVIDER_WITHOUT_EXPORT
extern "C" __declspec(dllexport) int OMBRIX_PROVIDER_EXPORT_CALL RegisterOmbrixAccessProvider(void* table)
{
    Record("register size=" + std::to_string(ReadProviderU16(static_cast<uint8_t*>(table), kProviderSizeOffset)));
    auto* bytes = static_cast<uint8_t*>(table);
    const bool filled = Fill(bytes, kProviderInitialiseOffset, kFillInitialise, &Initialise) &&
                        Fill(bytes, kProviderStartOffset, kFillStart, &Start) &&
                        Fill(bytes, kProviderStopOffset, kFillStop, &Stop) &&
                        Fill(bytes, kProviderAuthoriseOffset, kFillAuthorise, &Authorise) &&
                        Fill(bytes, kProviderLeaseOffset, kFillLease, &Lease) &&
                        Fill(bytes, kProviderReleaseOffset, kFillRelease, &Release);
    if ((kSlots & kFillRetain) != 0)
        WriteProviderU32(bytes, kProviderRetainOffset, kRetainMark);
    WriteProviderU16(bytes, kProviderSizeOffset, PROVIDER_SIZE_FIELD);
    // Zeros, as a longer table's unused fields would be written.
    if (PROVIDER_OVERRUN > 0)
        std::memset(bytes + kProviderTableSize, 0, PROVIDER_OVERRUN);
    return filled ? PROVIDER_REGISTER_RESULT : 0;
}
static_assert(std::is_same<decltype(&RegisterOmbrixAccessProvider), ProviderRegisterFn>::value,
              "the export as the service calls it");
#endif

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_instance = instance;
    return TRUE;
}
