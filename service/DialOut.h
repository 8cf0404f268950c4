#pragma once
// CDialOut: the Internet connection dialled on demand and hung up on request, through the dial-up library
// (RASAPI32.DLL, loaded at run time so the service runs where dial-up networking is not installed). The
// tick, the console's requests and the DNS relay ask it for a dial; the relay through IDialOnDemand.
//
// This build does not dial yet: no call reaches the dial-up library and nothing is logged. The state the
// dial keeps is held here already, so the dial's callers and the process end are wired as they will stay.
#include <windows.h>

#include "IDialOnDemand.h"

class CDialOut : public IDialOnDemand {
public:
    CDialOut() = default;
    ~CDialOut() override = default;
    CDialOut(const CDialOut&) = delete;
    CDialOut& operator=(const CDialOut&) = delete;

    /// Returns kDialNotConfigured: nothing is dialled in this build.
    int Dial() override;
    /// Returns 1 when a connection was hung up, else 0; in this build always 0.
    int HangUp();
    /// Frees the dial-up library at process end, when it was loaded.
    void Unload();

private:
    HMODULE rasLibrary_ = nullptr;
    /// Sticky: once loading the library failed, every later dial returns this error.
    DWORD loadError_ = 0;
    // The dial-up library reports progress on a thread of its own, which changes only these two, each a
    // single word.
    HANDLE connection_ = nullptr;
    volatile LONG dialling_ = 0;
};
