// dhcp_database_fuzz: arbitrary file contents through LoadClientList, as the database, as the new file of
// a swap cut short between its renames, or as the old copy beside it (chosen by the input's length). What
// loads must save and load back to the very same bytes.
//
// The files live in reused slots and the component log formats every line for one input in eight only (the
// others skip the formatting as a server without log file does), so that a run reaches millions of inputs.
// Nothing is decoded or encoded twice: the load decodes the input's bytes whichever file holds them, the
// save is taken as its two steps (the table's encoding, then the write) so that the encoding it writes is
// the one the reload is compared with, and a table that loaded empty is saved but has nothing to compare.
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

    // What `Save` does, in its two steps.
    const DhcpSaveSnapshot save = db.TakeSnapshot(table);
    db.WriteSnapshot(save);
    if (table.Count() == 0) {
        return 0;
    }
    CDhcpClientTable again;
    db.Load(&again);
    const std::vector<uint8_t> reloaded = CDhcpClientDatabase::Encode(again);
    if (save.write ? reloaded != save.bytes : reloaded != CDhcpClientDatabase::Encode(table)) {
        std::abort();
    }
    return 0;
}
