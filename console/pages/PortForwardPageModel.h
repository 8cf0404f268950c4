#pragma once
// The Port Forward page's rules without its windows or the driver: the rows (newest on top) made from the
// driver's records, the port forward dialog's checks, what each driver answer does to the rows and which
// message it shows, and the PortForward section written after every accepted change. The driver records are
// DriverRecords.h's; a dialog's values become a record through PortForwardFromFields, the service's own
// reading of a stored value. No windows.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "DriverRecords.h"

/// The section is built in a buffer of this many bytes, its two closing zeros included.
constexpr size_t kPortForwardSectionBuffer = 8192;
/// Each line of the section: row index, protocol, port and the destination's four octets.
constexpr char kPortForwardLineFormat[] = "PortForward%i = %i, %i, %i, %i, %i, %i";
/// Request 51 takes the entry index as a 16-bit field: a load asks at most this many entries.
constexpr size_t kPortForwardMaxDriverEntries = 65536;

constexpr char kPortForwardErrorCaption[] = "Ombrix Error";
constexpr char kPortForwardRemoveCaption[] = "Remove Port Forward";
constexpr char kPortForwardLoadFailureText[] = "Unable to aquire current Port Forward settings from the Driver";
constexpr char kPortForwardChangeOpenFailureText[] = "Unable to load Driver to set current Port Forward settings";
constexpr char kPortForwardAddFailureText[] = "Unable to add Port Forward to Driver Configuration";
constexpr char kPortForwardRemoveFailureText[] = "Unable to Delete Port Forward from Driver Configuration";
constexpr char kPortForwardSaveFailureText[] = "Unable to save configuration";
constexpr char kPortForwardRemoveQuestion[] =
    "Are you sure that you want to remove the selected Port Forwarding definition?";
constexpr char kPortForwardPortRangeText[] = "Port Values must be between 1 and 65535.";
constexpr char kPortForwardDuplicateText[] =
    "The currently defined Protocol and Port combination has already been defined.\n";
/// Shown instead of asking the driver when the section could not hold one more line: the driver would take
/// the forward, but the file would keep the old list and the service would lose it at its next start.
constexpr char kPortForwardNoRoomText[] =
    "Unable to add Port Forward: there is no room to save any more Port Forward definitions.";

/// The drop-down of the dialog, in its order.
constexpr int kPortForwardDropDownPorts[] = {80, 21, 110, 25};
constexpr const char* kPortForwardDropDownTexts[] = {"80 - HTTP", "21 - FTP", "110 - POP", "25 - SMTP"};

/// The three column texts of a row: "Tcp"/"Udp", "%i", "%i.%i.%i.%i".
struct PortForwardRowTexts {
    std::string protocol;
    std::string port;
    std::string destination;
};

/// What the dialog holds when "OK" is pressed.
struct PortForwardDialogInputs {
    std::string portText;  ///< the drop-down's edit text
    bool tcp = true;
    uint8_t octets[4] = {192, 168, 0, 1};  ///< the address control's fields, first octet first
};

/// The dialog's verdict on "OK".
struct PortForwardDialogCheck {
    bool ok = false;
    const char* message = nullptr;  ///< to show when not ok
    const char* caption = nullptr;  ///< its caption ("" for the port message)
    bool focusPort = false;         ///< the port field takes the focus
    PortForwardRecord record;       ///< the dialog's record when ok
};

class CPortForwardPageModel {
public:
    /// A new record: TCP, port 80, 192.168.0.1.
    static PortForwardRecord NewRecord();
    static PortForwardRowTexts TextsFor(const PortForwardRecord& record);
    /// Index of the drop-down entry for a port, -1 when it is none of them.
    static int DropDownIndexFor(int port);

    /// The 12 bytes request 51 is issued with for entry index (the index at offset 10, the rest zero).
    static PortForwardBytes GetRequestFor(uint16_t index);
    /// One answer of request 51 during a load: the row goes on top. False (nothing added) for fewer than
    /// 12 bytes.
    bool LoadRecord(const uint8_t* output, size_t length);

    /// The dialog's "OK". editing: the dialog changes an existing row, whose protocol and port it keeps.
    PortForwardDialogCheck CheckDialog(const PortForwardDialogInputs& in, bool editing) const;

    /// Before an add goes to the driver: null when the section can still hold the row, else the message to
    /// show (caption kPortForwardErrorCaption), and the add stops.
    const char* AddRefusal(const PortForwardRecord& record) const;
    /// Before a change goes to the driver: the same for a row whose destination changes.
    const char* ChangeRefusal(size_t row, const PortForwardRecord& record) const;

    /// The driver's answer to request 56 for a new record: accepted puts the row on top (then save);
    /// otherwise the failure message is returned.
    const char* Added(bool accepted, const PortForwardRecord& record);
    /// The driver's answer to request 56 for the changed row: accepted stores the record in the row (then
    /// save and rewrite the row's texts); otherwise the failure message.
    const char* Changed(bool accepted, size_t row, const PortForwardRecord& record);
    /// The driver's answer to request 60 for a row: accepted removes it (then save); otherwise the message.
    const char* Removed(bool accepted, size_t row);

    /// The whole PortForward section in list order: one NUL-terminated line per row and a closing NUL.
    /// False when it would not fit the section buffer (nothing is written then).
    bool BuildSection(std::string* lines) const;
    /// After writing the section: the message of a failed write, null otherwise.
    static const char* SaveMessage(bool written) { return written ? nullptr : kPortForwardSaveFailureText; }

    /// Rows from the top.
    const std::vector<PortForwardRecord>& Rows() const { return rows_; }

private:
    static size_t SectionSize(const std::vector<PortForwardRecord>& rows);

    std::vector<PortForwardRecord> rows_;
};
