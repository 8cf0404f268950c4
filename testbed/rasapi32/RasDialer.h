#pragma once
// The stand-in's dials and connections. A dial is a record in this process with a thread of its own that
// reports the dial's states to the caller's notifier, after the fixture's delay, and keeps the dial's
// state for RasGetConnectStatusA. Once connected, the connection is listed in the state file
// (RasStandInFiles.h), which is where every process finds it: the console sees the service's dial, and a
// connection outlives the DLL being unloaded and loaded again, as a real one outlives its dialler.
//
// A connection's handle is made from its entry's name, so that every process gives the same connection
// the same handle; one entry has at most one dial or connection at a time.
//
// Threads: one critical section (CRasLock) guards the records, the journal's order and the fixture's
// problem memory. It is never held while a notifier runs or while a call waits for a dial thread, so a
// notifier may call back into the library (the service hangs up from its dial event routine).
#include <windows.h>
#include <ras.h>

#include <string>
#include <vector>

#include "RasFixture.h"
#include "RasJournalLine.h"

/// Holds the library's lock (recursive) for the lifetime of the object.
class CRasLock {
public:
    CRasLock();
    ~CRasLock();
    CRasLock(const CRasLock&) = delete;
    CRasLock& operator=(const CRasLock&) = delete;
};

void RasDialerAttach(HMODULE self);
/// At FreeLibrary (not at process end): frees the records, whose threads have all ended, since each holds
/// a reference to the DLL.
void RasDialerDetach();

/// The handle of ENTRY's connection, the same in every process.
HRASCONN RasHandleFor(const std::string& entry);

/// What RasDialA asks for, checked by the export.
struct RasDialPlan {
    RasFixtureEntry entry;
    std::string deviceType;
    DWORD notifierType = 0;
    void* notifier = nullptr;  // nullptr: a synchronous dial
    ULONG_PTR callbackId = 0;
    bool credentialsMatch = false;
};

/// Starts a dial and returns RasDialA's answer, having written the caller's handle where the ABI wants it
/// (nullptr for an answer that leaves no connection to hang up). LINE, the call as the export saw it, gets
/// the answer and goes to the journal before the first report, so a dial's line precedes its reports.
/// Must be called without the lock held: a dial with delay 0, and a synchronous dial, wait for their
/// outcome to be reported.
DWORD RasDialerStart(const RasDialPlan& plan, HRASCONN* callerHandle, CRasJournalLine& line);

/// Ends the dial or connection of HANDLE: no report reaches its notifier once this returns (unless it is
/// called from that notifier, which then returns first). 0, or ERROR_INVALID_HANDLE. Without the lock held.
DWORD RasDialerHangUp(HRASCONN handle);

struct RasDialStatus {
    RASCONNSTATE state = RASCS_OpenPort;
    DWORD error = 0;
    std::string entry;
};

/// The state of HANDLE's dial or connection: 0, or ERROR_INVALID_HANDLE when it has none.
DWORD RasDialerStatus(HRASCONN handle, RasDialStatus& status);

/// The entries connected now, in the state file's order.
std::vector<std::string> RasDialerConnected();
