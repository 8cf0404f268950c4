// dhcp_database_fuzz: arbitrary file contents through LoadClientList, as the database, as the new file of
// a swap cut short between its renames, or as the old copy beside it (chosen by the input's length). What
// loads must save and load back to the very same bytes.
//
// The files live in reused slots and the component log formats every line for one input in eight only (the
// others skip the formatting as a server without log file does), so that a run reaches millions of inputs.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "CDhcpClientDatabase.h"
#include "dhcp_fuzz_fakes.h"

using namespace dhcpfuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "Ombrix.dhcp";
    static SlotFileSystem files;
    files.Reset();
    DiscardingTrace sink;
    sink.enabled = size % 8 == 0;
    CDhcpTrace trace(&sink);
    files.oneStepReplace = size % 5 != 0;
    CDhcpClientDatabase db(&files, path, trace);
    switch (size % 3) {
    case 0:
        files.Put(path, data, size);
        break;
    case 1:
        files.Put(db.NewPath(), data, size);
        files.Put(db.OldPath(), data, size);
        break;
    default:
        files.Put(db.OldPath(), data, size);
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
