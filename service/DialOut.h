#pragma once
// CDialOut: the Internet connection dialled on demand and hung up on request, through the dial-up library
// (RASAPI32.DLL, loaded at the first need so that the service runs where dial-up networking is not
// installed). The tick, the console's requests and the DNS relay ask it for a dial; the relay through
// IDialOnDemand.
//
// The library reports a dial's progress to a notifier on a thread of its own, possibly before the call that
// started the dial has returned. The notifier touches only the connection handle and the dialling flag,
// under the dial's own lock, and writes the service log.
#include <windows.h>

#include "IDialOnDemand.h"
#include "RasRecords.h"

class CDialOut : public IDialOnDemand {
public:
    CDialOut();
    ~CDialOut() override;
    CDialOut(const CDialOut&) = delete;
    CDialOut& operator=(const CDialOut&) = delete;

    /// Starts a dial when dial-up is switched on and configured and no connection exists or is being made.
    /// Returns kDialUnderWay (started, or not needed), kDialNotConfigured, or the error of loading the
    /// library or of starting the dial.
    int Dial() override;
    /// Hangs up the first connection the library lists (not necessarily the one dialled here). Returns 1
    /// when a connection was hung up, else 0.
    int HangUp();
    /// True when a dial-up connection exists (or more than one: the one-record listing then fails).
    bool ConnectionUp();
    /// Loads the library and its three functions at the first call; later calls return at once. Returns 0,
    /// or the error of the load, which stays recorded until the service restarts.
    DWORD LoadRas();
    /// Frees the library at process end, when it was loaded.
    void Unload();
    /// Whether a dial is under way (for the tests and the console's status).
    bool Dialling() const { return dialling_ != 0; }

private:
    static VOID WINAPI DialEvent(UINT message, DWORD state, DWORD error);
    void OnDialEvent(DWORD state, DWORD error);
    /// The first connection the library lists into record; false when there is none or the listing fails.
    bool FirstConnection(RasConnectionRecord& record, DWORD& result);

    HMODULE rasLibrary_ = nullptr;
    bool rasTried_ = false;
    RasDialFunction rasDial_ = nullptr;
    RasHangUpFunction rasHangUp_ = nullptr;
    RasEnumConnectionsFunction rasEnumConnections_ = nullptr;
    /// Sticky: once loading the library failed, every later dial returns this error.
    DWORD loadError_ = 0;

    CRITICAL_SECTION lock_;
    // Shared with the notifier's thread; changed under lock_.
    RasConnectionHandle connection_ = nullptr;
    volatile LONG dialling_ = 0;
    /// Set while RasDialA runs: the notifier may report before the handle is stored.
    bool starting_ = false;
    /// A failure reported while starting_: the handle the start returns is hung up by Dial itself.
    bool failedWhileStarting_ = false;

    /// The notifier has no context argument: the one dial-out object of the process.
    static CDialOut* instance_;
};
