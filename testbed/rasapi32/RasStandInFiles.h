#pragma once
// The stand-in RASAPI32.DLL's files: the fixture it reads its phonebook from, the journal it appends every
// call to, and the state file that says which connections are up. Each path comes from an environment
// variable of the calling process, read at every call so that a test can move them between cases; when
// the variable is not set, the file lies beside the DLL under its default name.
//
// The state file is the one place a connection is known to exist, so that another process (the console
// asking whether the service's dial is up) sees the same connections: one line "connected <entry>" per
// connection, or the single line "disconnected". It is read and replaced under a named mutex, and replaced
// by a rename so that a reader outside Wine never sees half of it.
#include <windows.h>

#include <string>
#include <vector>

#include "RasFixture.h"

constexpr char kRasFixtureVariable[] = "OMBRIX_RAS_FIXTURE";
constexpr char kRasJournalVariable[] = "OMBRIX_RAS_JOURNAL";
constexpr char kRasStateVariable[] = "OMBRIX_RAS_STATE";
constexpr char kRasFixtureDefault[] = "rasfixture.ini";
constexpr char kRasJournalDefault[] = "rasjournal.txt";
constexpr char kRasStateDefault[] = "rasstate.txt";

/// Remembers the DLL's own module, whose folder holds the default files. Called from DllMain.
void RasFilesAttach(HMODULE self);
void RasFilesDetach();

/// Appends one line (with its line end) to the journal: open, append, close.
void RasJournal(const std::string& line);

/// The fixture as the file holds it now; empty when it cannot be read. Its problems, and a fixture that
/// cannot be read, go to the journal once for each new text.
RasFixture RasLoadFixture();

/// The entries that the state file lists as connected, in its order.
std::vector<std::string> RasReadConnected();
/// Replaces the state file by the list (the single line "disconnected" when it is empty) and journals
/// the change. False when it could not be written.
bool RasWriteConnected(const std::vector<std::string>& entries);

/// Holds the state file's named mutex, so that a read and the write that follows it are one step for
/// every process of the Wine session.
class CRasStateLock {
public:
    CRasStateLock();
    ~CRasStateLock();
    CRasStateLock(const CRasStateLock&) = delete;
    CRasStateLock& operator=(const CRasStateLock&) = delete;

private:
    bool held_ = false;
};
