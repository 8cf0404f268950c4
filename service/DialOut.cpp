#include "DialOut.h"

int CDialOut::Dial()
{
    // Reported as switched off rather than as a failure: no caller may take it for a dial under way.
    return kDialNotConfigured;
}

int CDialOut::HangUp() { return 0; }

void CDialOut::Unload()
{
    if (rasLibrary_ == nullptr)
        return;
    FreeLibrary(rasLibrary_);
    rasLibrary_ = nullptr;
}
