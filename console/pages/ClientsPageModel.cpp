#include "ClientsPageModel.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "PageFields.h"

namespace {
// The list view sorts its items by their text without regard to case; equal names keep the reply's order.
bool NameBefore(const ClientRow& a, const ClientRow& b)
{
    const size_t n = std::min(a.name.size(), b.name.size());
    for (size_t i = 0; i < n; ++i) {
        const int ca = std::tolower(static_cast<unsigned char>(a.name[i]));
        const int cb = std::tolower(static_cast<unsigned char>(b.name[i]));
        if (ca != cb) {
            return ca < cb;
        }
    }
    return a.name.size() < b.name.size();
}
}  // namespace

void CClientsPageModel::PrepareBuffer(uint8_t (&buffer)[kClientsReplyBufferSize])
{
    std::memset(buffer, 0, sizeof buffer);
}

const char* CClientsPageModel::Load(bool answered, const uint8_t (&buffer)[kClientsReplyBufferSize])
{
    if (!answered) {
        return kClientsLoadFailureText;
    }
    IpcClientList list;
    rows_.clear();
    // The buffer always holds a whole header, so the decoder only leaves out records cut off by its end.
    IpcDecodeClientList(buffer, sizeof buffer, &list);
    for (const IpcClientEntry& client : list.clients) {
        rows_.push_back(RowFor(client));
    }
    std::stable_sort(rows_.begin(), rows_.end(), NameBefore);
    return nullptr;
}

ClientRow CClientsPageModel::RowFor(const IpcClientEntry& client)
{
    ClientRow row;
    row.name = client.idHostname;
    row.address = FormatPageAddress(client.inAddr);
    row.hardware = FormatHardware(client.hdwrAddr);
    row.image = client.internetAccess != 0 ? kClientsImageAccess : kClientsImageNoAccess;
    return row;
}

std::string CClientsPageModel::FormatHardware(const uint8_t (&hdwrAddr)[kIpcClientHardwareSize])
{
    char text[3 * kIpcClientHardwareSize];
    std::snprintf(text, sizeof text, "%02X %02X %02X %02X %02X %02X", hdwrAddr[0], hdwrAddr[1], hdwrAddr[2],
                  hdwrAddr[3], hdwrAddr[4], hdwrAddr[5]);
    return text;
}
