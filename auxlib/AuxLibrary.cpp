#include "AuxLibrary.h"

namespace {

// One pair of tables per process, as each program that loads the library has its own.
CAdapterTable g_table;

}  // namespace

CAdapterTable& LibraryTable()
{
    return g_table;
}
