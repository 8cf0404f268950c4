#include "OmbrixIni.h"

#include <windows.h>

#include "IniNumber.h"
#include "IniSettings.h"

namespace {

// Enough for any decimal int with its sign and for blanks or text after it, which are ignored.
constexpr DWORD kIntValueBufferSize = 32;

}  // namespace

int COmbrixIni::ReadInt(const char* section, const char* key, int def)
{
    // Read as text and converted here: the profile function of the target systems documents a negative
    // value as read back 0, and a stored -1 ("not configured") must not turn into mode 0.
    char text[kIntValueBufferSize];
    DWORD n = GetPrivateProfileStringA(section, key, "", text, kIntValueBufferSize, kIniFileName);
    if (n == 0) {
        return def;
    }
    return ParseIniInt(text);
}

unsigned COmbrixIni::ReadString(const char* section, const char* key, const char* def, char* buf, unsigned len)
{
    if (!buf || len == 0) {
        return 0;
    }
    return GetPrivateProfileStringA(section, key, def ? def : "", buf, len, kIniFileName);
}

bool COmbrixIni::WriteString(const char* section, const char* key, const char* text)
{
    return WritePrivateProfileStringA(section, key, text, kIniFileName) != FALSE;
}

bool COmbrixIni::WriteInt(const char* section, const char* key, int value)
{
    char text[kIniIntTextSize];
    FormatIniInt(value, text);
    return WriteString(section, key, text);
}

int COmbrixIni::ReadInt(const CIntSetting& setting)
{
    return ReadInt(setting.section, setting.key, setting.fallback);
}

unsigned COmbrixIni::ReadString(const CTextSetting& setting, char* buf, unsigned len)
{
    return ReadString(setting.section, setting.key, setting.fallback, buf, len);
}

bool COmbrixIni::WriteString(const CTextSetting& setting, const char* text)
{
    return WriteString(setting.section, setting.key, text);
}

bool COmbrixIni::WriteInt(const CIntSetting& setting, int value)
{
    return WriteInt(setting.section, setting.key, value);
}

bool COmbrixIni::WriteSection(const char* section, const char* lines)
{
    return WritePrivateProfileSectionA(section, lines, kIniFileName) != FALSE;
}
