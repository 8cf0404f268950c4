// The dial-up idle time and password string exports.
#include <cstring>

#include "AuxLibrary.h"
#include "DialupIdle.h"
#include "PasswordString.h"
#include "Win32Registry.h"
#include "ombrixaux.h"

extern "C" int OMBRIXAUX_API GetDialupIdle(const char* entry)
{
    if (!entry)
        return 0;
    return Guarded(0, [&] {
        CWin32Registry registry;
        return CDialupIdle(registry, GetOs()).Get(entry);
    });
}

extern "C" int OMBRIXAUX_API SetDialupIdle(const char* entry, int minutes)
{
    if (!entry)
        return 0;
    return Guarded(0, [&] {
        CWin32Registry registry;
        return CDialupIdle(registry, GetOs()).Set(entry, minutes) ? 1 : 0;
    });
}

extern "C" int OMBRIXAUX_API MakePWString(const unsigned char* in, unsigned char* out)
{
    if (!in || !out)
        return 0;
    return static_cast<int>(EncodePasswordString(in, std::strlen(reinterpret_cast<const char*>(in)), out));
}

extern "C" int OMBRIXAUX_API UndoPWString(const unsigned char* in, unsigned char* out)
{
    if (!in || !out)
        return 0;
    return static_cast<int>(DecodePasswordString(in, std::strlen(reinterpret_cast<const char*>(in)), out));
}
