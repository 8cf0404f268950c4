#include "DialupDescription.h"

#include "AuxText.h"

namespace {

// Windows 95/98 call the dial-up adapter by these names; the last is the Danish edition's.
const char* const k9xDialupPrefixes[] = {"PPP Adapter", "Dial-up ", "Opkaldskort"};
const char kNt4DialupPrefix[] = "Windows NT Remote Access Wan";
const char k2000DialupPrefix[] = "Dial-up ";

}  // namespace

bool IsDialupDescription(OsType os, const std::string& description)
{
    switch (os) {
    case Win95:
    case Win98:
        for (const char* prefix : k9xDialupPrefixes) {
            if (auxtext::StartsWithIgnoreCase(description, prefix))
                return true;
        }
        return false;
    case WinNT4:
        return auxtext::StartsWithIgnoreCase(description, kNt4DialupPrefix);
    case Win2000:
        return auxtext::StartsWithIgnoreCase(description, k2000DialupPrefix);
    default:
        return false;
    }
}
