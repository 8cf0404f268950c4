// CDialupIdle: the idle time after which Windows hangs up a dial-up connection. NT keeps one setting for
// all entries, in seconds; Windows 95/98 one per entry, inside the entry's scrambled settings record.
#pragma once

#include <string>

#include "OsType.h"
#include "RegistryAccess.h"

class CDialupIdle {
public:
    CDialupIdle(IRegistry& registry, OsType os) : registry_(registry), os_(os) {}

    // Minutes: rounded to the nearest on NT, cut on 9x; 0 when unknown.
    int Get(const std::string& entry);
    // True when written. On 9x only an entry that already has a record is changed.
    bool Set(const std::string& entry, int minutes);

private:
    IRegistry& registry_;
    OsType os_;
};
