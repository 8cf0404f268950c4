// dhcp_database_fuzz: arbitrary file contents through LoadClientList, as the database, as the new file of
// a swap cut short between its renames, or as the old copy beside it (chosen by the input's length). What
// loads must save and load back to the very same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "CDhcpClientDatabase.h"
#include "DhcpTestSupport.h"

using namespace dhcptest;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string path = "Ombrix.dhcp";
    FakeTrace sink;
    sink.enabled = size % 2 == 0;
    CDhcpTrace trace(&sink);
    MemoryFileSystem files;
    files.oneStepReplace = size % 5 != 0;
    CDhcpClientDatabase db(&files, path, trace);
    const std::vector<uint8_t> bytes(data, data + size);
    switch (size % 3) {
    case 0:
        files.files[path] = bytes;
        break;
    case 1:
        files.files[db.NewPath()] = bytes;
        files.files[db.OldPath()] = bytes;
        break;
    default:
        files.files[db.OldPath()] = bytes;
        break;
    }
    CDhcpClientTable table;
    db.Load(&table);

    CDhcpClientTable direct;
    CDhcpClientDatabase::Decode(data, size, &direct);

    const std::vector<uint8_t> encoded = CDhcpClientDatabase::Encode(table);
    db.Save(table);
    CDhcpClientTable again;
    db.Load(&again);
    if (table.Count() != 0 && CDhcpClientDatabase::Encode(again) != encoded) {
        std::abort();
    }
    return 0;
}
