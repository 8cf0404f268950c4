#pragma once
// The dial-up library's records as the service, the console, ombrixaux and the wizard hand them to
// RASAPI32.DLL, in the first layouts the library ever had (the ones every version accepts: it tells the
// layout by the size field). The system's own header describes only the newest layouts, whose size fields
// older systems refuse. 4-byte packing, as the library's header has it.
#include <windows.h>

#include <cstddef>

constexpr size_t kRasMaxEntryName = 256;
constexpr size_t kRasMaxPhoneNumber = 128;
constexpr size_t kRasMaxCallbackNumber = 128;
constexpr size_t kRasMaxUserName = 256;
constexpr size_t kRasMaxPassword = 256;
constexpr size_t kRasMaxDomain = 15;
constexpr size_t kRasMaxDeviceType = 16;
constexpr size_t kRasMaxDeviceName = 128;

/// RASCS_Connected and RASCS_Disconnected: the two connection states the dial's notifier acts on.
constexpr DWORD kRasStateConnected = 0x2000;
constexpr DWORD kRasStateDisconnected = 0x2001;
/// ERROR_BUFFER_TOO_SMALL: the caller's buffer holds fewer records than there are.
constexpr DWORD kRasErrorBufferTooSmall = 603;
/// ERROR_INVALID_SIZE: a record's size field names no layout the library knows.
constexpr DWORD kRasErrorInvalidSize = 632;
/// The notifier kind of RasDialA for the simple routine (message, connection state, error code).
constexpr DWORD kRasNotifierSimple = 0;

/// A connection's handle as the library gives it out.
typedef HANDLE RasConnectionHandle;

#pragma pack(push, 4)
/// Dial parameters (RASDIALPARAMSA of the first layout): size field 1052.
struct RasDialParamsRecord {
    DWORD dwSize;
    char szEntryName[kRasMaxEntryName + 1];
    char szPhoneNumber[kRasMaxPhoneNumber + 1];
    char szCallbackNumber[kRasMaxCallbackNumber + 1];
    char szUserName[kRasMaxUserName + 1];
    char szPassword[kRasMaxPassword + 1];
    char szDomain[kRasMaxDomain + 1];
};

/// One connection (RASCONNA of the first layout): size field 412 on 32-bit Windows.
struct RasConnectionRecord {
    DWORD dwSize;
    RasConnectionHandle hrasconn;
    char szEntryName[kRasMaxEntryName + 1];
    char szDeviceType[kRasMaxDeviceType + 1];
    char szDeviceName[kRasMaxDeviceName + 1];
};

/// One phonebook entry's name (RASENTRYNAMEA of the first layout): size field 264.
struct RasEntryNameRecord {
    DWORD dwSize;
    char szEntryName[kRasMaxEntryName + 1];
};

/// One dial-up device (RASDEVINFOA): size field 152.
struct RasDeviceRecord {
    DWORD dwSize;
    char szDeviceType[kRasMaxDeviceType + 1];
    char szDeviceName[kRasMaxDeviceName + 1];
};
#pragma pack(pop)

static_assert(sizeof(RasDialParamsRecord) == 1052, "dial parameters, first layout");
static_assert(sizeof(RasEntryNameRecord) == 264, "phonebook entry name, first layout");
static_assert(sizeof(RasDeviceRecord) == 152, "device record");
// The handle is pointer-sized: the connection record is 412 bytes on the 32-bit systems and 416 on 64-bit.
static_assert(sizeof(RasConnectionRecord) == (sizeof(void*) == 4 ? 412 : 416), "connection record, first layout");

// The library's functions as they are looked up by name.
typedef VOID(WINAPI* RasDialNotifier)(UINT message, DWORD state, DWORD error);
typedef DWORD(WINAPI* RasDialFunction)(LPVOID extensions, LPCSTR phonebook, RasDialParamsRecord* params,
                                       DWORD notifierKind, LPVOID notifier, RasConnectionHandle* connection);
typedef DWORD(WINAPI* RasHangUpFunction)(RasConnectionHandle connection);
typedef DWORD(WINAPI* RasEnumConnectionsFunction)(RasConnectionRecord* connections, LPDWORD bytes, LPDWORD count);
typedef DWORD(WINAPI* RasEnumEntriesFunction)(LPCSTR reserved, LPCSTR phonebook, RasEntryNameRecord* entries,
                                              LPDWORD bytes, LPDWORD count);
typedef DWORD(WINAPI* RasGetEntryDialParamsFunction)(LPCSTR phonebook, RasDialParamsRecord* params, LPBOOL hasPassword);
typedef DWORD(WINAPI* RasEnumDevicesFunction)(RasDeviceRecord* devices, LPDWORD bytes, LPDWORD count);
