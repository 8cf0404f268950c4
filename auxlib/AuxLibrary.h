// The process-wide state of ombrixaux: its adapter and DNS server tables, and the system as the exports
// hand it to the inventory. The tables start empty and are freed when the library is unloaded.
#pragma once

#include "AdapterTable.h"

CAdapterTable& LibraryTable();

// Runs an export's body; anything thrown (out of memory) ends the export with fallback instead of crossing
// the library's boundary.
template <typename Result, typename Body> Result Guarded(Result fallback, Body body)
{
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}
