#pragma once
// RasRecords: the records of the dial-up library's ABI as byte layouts, for the stand-in RASAPI32.DLL.
// Callers pass a buffer whose first word (dwSize) names the version of the record they were compiled
// with; the library accepts each version's size and writes only the fields that version has. The
// system's headers are packed to 4 bytes, so a handle or ULONG_PTR field sits on a 4-byte boundary even in
// a 64-bit build; the layouts below take the pointer width as a parameter so that both builds (and the
// native unit test) compute them from the same place.
//
// The sizes the programs of this system use are the first versions: entry name 264, dial parameters 1052,
// device 152 in every build; the connection record is 412 bytes in a 32-bit build and 416 in a 64-bit one
// (its handle is a pointer). The current headers declare the newest versions instead (532, 1060/1064,
// 704/708, 152, 288): RasStandIn.cpp checks the layouts here against them.
#include <cstddef>
#include <cstdint>

namespace rasrecords {

/// Rounds up to the 4-byte packing of the headers.
constexpr size_t Align4(size_t offset)
{
    return (offset + 3) & ~static_cast<size_t>(3);
}

// Text fields, each with room for its terminating zero.
constexpr size_t kEntryNameField = 257;       // RAS_MaxEntryName + 1
constexpr size_t kPhoneNumberField = 129;     // RAS_MaxPhoneNumber + 1
constexpr size_t kCallbackNumberField = 129;  // RAS_MaxCallbackNumber + 1
constexpr size_t kUserNameField = 257;        // UNLEN + 1
constexpr size_t kPasswordField = 257;        // PWLEN + 1
constexpr size_t kDomainField = 16;           // DNLEN + 1
constexpr size_t kDeviceTypeField = 17;       // RAS_MaxDeviceType + 1
constexpr size_t kDeviceNameField = 129;      // RAS_MaxDeviceName + 1
constexpr size_t kEntryPhonebookField = 261;  // MAX_PATH + 1, in the entry name record
constexpr size_t kConnPhonebookField = 260;   // MAX_PATH, in the connection record

/// Every record starts with its size field.
constexpr size_t kSizeOffset = 0;

// RASENTRYNAMEA. Version 4.00: size and name; 5.00 adds flags and the phonebook's path.
namespace entryname {
constexpr size_t kName = 4;
constexpr size_t kSize400 = Align4(kName + kEntryNameField);
constexpr size_t kFlags = kSize400;
constexpr size_t kPhonebookPath = kFlags + 4;
constexpr size_t kSize500 = Align4(kPhonebookPath + kEntryPhonebookField);
}  // namespace entryname

// RASDIALPARAMSA. Version 4.00 ends after the domain; 4.01 adds the sub-entry and the callback id
// (ULONG_PTR); 6.01 adds the interface index.
namespace dialparams {
constexpr size_t kEntryName = 4;
constexpr size_t kPhoneNumber = kEntryName + kEntryNameField;
constexpr size_t kCallbackNumber = kPhoneNumber + kPhoneNumberField;
constexpr size_t kUserName = kCallbackNumber + kCallbackNumberField;
constexpr size_t kPassword = kUserName + kUserNameField;
constexpr size_t kDomain = kPassword + kPasswordField;
constexpr size_t kSize400 = Align4(kDomain + kDomainField);
constexpr size_t kSubEntry = kSize400;
constexpr size_t kCallbackId = kSubEntry + 4;
constexpr size_t Size401(size_t pointer)
{
    return kCallbackId + pointer;
}
constexpr size_t Size601(size_t pointer)
{
    return Size401(pointer) + 4;
}
}  // namespace dialparams

// RASCONNA. Version 4.00: size, handle, entry name, device type and name; 4.01 adds the phonebook and the
// sub-entry; 5.00 the entry's GUID; 5.01 flags and the logon session's LUID.
namespace connection {
constexpr size_t kHandle = 4;
constexpr size_t EntryName(size_t pointer)
{
    return kHandle + pointer;
}
constexpr size_t DeviceType(size_t pointer)
{
    return EntryName(pointer) + kEntryNameField;
}
constexpr size_t DeviceName(size_t pointer)
{
    return DeviceType(pointer) + kDeviceTypeField;
}
constexpr size_t Size400(size_t pointer)
{
    return Align4(DeviceName(pointer) + kDeviceNameField);
}
constexpr size_t Phonebook(size_t pointer)
{
    return DeviceName(pointer) + kDeviceNameField;
}
constexpr size_t SubEntry(size_t pointer)
{
    return Align4(Phonebook(pointer) + kConnPhonebookField);
}
constexpr size_t Size401(size_t pointer)
{
    return SubEntry(pointer) + 4;
}
constexpr size_t Guid(size_t pointer)
{
    return Size401(pointer);
}
constexpr size_t Size500(size_t pointer)
{
    return Guid(pointer) + 16;
}
constexpr size_t Flags(size_t pointer)
{
    return Size500(pointer);
}
constexpr size_t Luid(size_t pointer)
{
    return Flags(pointer) + 4;
}
constexpr size_t Size501(size_t pointer)
{
    return Luid(pointer) + 8;
}
}  // namespace connection

// RASDEVINFOA, one version.
namespace deviceinfo {
constexpr size_t kType = 4;
constexpr size_t kName = kType + kDeviceTypeField;
constexpr size_t kSize = Align4(kName + kDeviceNameField);
}  // namespace deviceinfo

// RASCONNSTATUSA. Version 4.00 ends after the device name; 4.01 adds the phone number.
namespace connectstatus {
constexpr size_t kState = 4;
constexpr size_t kError = 8;
constexpr size_t kDeviceType = 12;
constexpr size_t kDeviceName = kDeviceType + kDeviceTypeField;
constexpr size_t kSize400 = Align4(kDeviceName + kDeviceNameField);
constexpr size_t kPhoneNumber = kDeviceName + kDeviceNameField;
constexpr size_t kSize401 = Align4(kPhoneNumber + kPhoneNumberField);
}  // namespace connectstatus

// RASDIALEXTENSIONS. Version 4.00: size, options, parent window, reserved; 5.00 adds a second reserved
// word and the EAP information (a size and a pointer).
namespace dialextensions {
constexpr size_t Size400(size_t pointer)
{
    return 8 + 2 * pointer;
}
constexpr size_t Size500(size_t pointer)
{
    return Size400(pointer) + pointer + 4 + pointer;
}
}  // namespace dialextensions

// The sizes the programs of this system pass.
static_assert(entryname::kSize400 == 264, "entry name record");
static_assert(dialparams::kSize400 == 1052, "dial parameters");
static_assert(deviceinfo::kSize == 152, "device record");
static_assert(connection::Size400(4) == 412, "connection record, 32-bit");
static_assert(connection::Size400(8) == 416, "connection record, 64-bit");
static_assert(connectstatus::kSize400 == 160, "connection status, first version");

enum class Record { EntryName, DialParams, Connection, DeviceInfo, ConnectStatus, DialExtensions };

/// True when SIZE is the size of a version of RECORD in a build whose pointers are POINTER bytes wide.
bool IsKnownSize(Record record, uint32_t size, size_t pointer);

/// The answer to a call that fills an array of records: ERROR_SUCCESS (0) with every record written when
/// they fit, else ERROR_BUFFER_TOO_SMALL (603); either way the bytes they need and their count.
struct ListAnswer {
    uint32_t result;
    uint32_t neededBytes;
    uint32_t count;
};

constexpr uint32_t kErrorBufferTooSmall = 603;

/// What a list of ITEMS records of RECORDSIZE bytes each answers for a buffer of BUFFERBYTES.
ListAnswer PlanList(size_t items, uint32_t recordSize, uint32_t bufferBytes);

}  // namespace rasrecords
