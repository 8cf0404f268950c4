#pragma once
// The Clients page's rules without its windows: the buffer the client list is asked into, the rows that a
// reply gives, in the order the list shows them, and the message of a silent service. No windows.h.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "IpcWire.h"

/// The page asks for the client list into a buffer of this size; records beyond it are not shown.
constexpr size_t kClientsReplyBufferSize = 4000;
constexpr size_t kClientsMaxRows = (kClientsReplyBufferSize - kIpcClientListHeaderSize) / kIpcClientRecordSize;
static_assert(kClientsMaxRows == 34, "34 whole records fit the page's buffer");

/// Small images of the list: bitmap 225 for a client given Internet access, bitmap 227 for one that is not.
constexpr int kClientsImageAccess = 0;
constexpr int kClientsImageNoAccess = 1;
constexpr int kClientsAccessBitmap = 225;
constexpr int kClientsNoAccessBitmap = 227;

/// The page reloads every 10 minutes while it is open (timer 68).
constexpr unsigned kClientsReloadTimer = 68;
constexpr unsigned kClientsReloadPeriodMs = 600000;

constexpr char kClientsLoadFailureText[] = "Unable to aquire current client list from Ombrix Service";

/// One row: the three column texts and the image.
struct ClientRow {
    std::string name;      ///< "Machine Name"
    std::string address;   ///< "Ip Address", "%i.%i.%i.%i"
    std::string hardware;  ///< "MAC Address", six upper-case hex pairs separated by single blanks
    int image = kClientsImageNoAccess;
};

class CClientsPageModel {
public:
    /// Makes the buffer ready for a query: all of it zero, not only its first word, so that a reply shorter
    /// than the buffer leaves nothing behind it that could read as a count or as records.
    static void PrepareBuffer(uint8_t (&buffer)[kClientsReplyBufferSize]);

    /// One load. answered: the query succeeded, buffer then holds its data. A failed load keeps the rows
    /// and gives the message to show; a successful one replaces the rows and gives null.
    const char* Load(bool answered, const uint8_t (&buffer)[kClientsReplyBufferSize]);

    /// The rows in the order the list shows them: by name, as the sorted list view keeps them.
    const std::vector<ClientRow>& Rows() const { return rows_; }

    /// The texts of one record.
    static ClientRow RowFor(const IpcClientEntry& client);
    /// "%02X %02X %02X %02X %02X %02X".
    static std::string FormatHardware(const uint8_t (&hdwrAddr)[kIpcClientHardwareSize]);

private:
    std::vector<ClientRow> rows_;
};
