// COmbrixIni: the shared settings file Ombrix.Ini, read and written through the system's private-profile
// functions. Nothing is cached: every call goes to the file, so a value another program wrote in between
// is seen at the next read.
#pragma once

// A bare name: the profile functions keep the file in the Windows directory, where every program of the
// system finds the same one.
constexpr char kIniFileName[] = "Ombrix.Ini";

// The entries' descriptors (IniSettings.h).
struct CIntSetting;
struct CTextSetting;

class COmbrixIni {
public:
    // The integer of key in section (an optional sign and leading decimal digits, see ParseIniInt), or def
    // when the key is missing or empty.
    static int ReadInt(const char* section, const char* key, int def);

    // Copies the value of key (def when missing) into buf of len bytes, cut to len - 1 characters and
    // terminated. Returns the number of characters copied.
    static unsigned ReadString(const char* section, const char* key, const char* def, char* buf, unsigned len);

    // Stores text as the value of key. Returns true on success.
    static bool WriteString(const char* section, const char* key, const char* text);

    // Stores value as decimal text. Returns true on success.
    static bool WriteInt(const char* section, const char* key, int value);

    // The same four on an entry of IniSettings.h, with the default it names.
    static int ReadInt(const CIntSetting& setting);
    static unsigned ReadString(const CTextSetting& setting, char* buf, unsigned len);
    static bool WriteString(const CTextSetting& setting, const char* text);
    static bool WriteInt(const CIntSetting& setting, int value);

    // Replaces the whole of section by lines: "key=value" strings, each terminated, the list ended by an
    // empty string (two zeros in a row). Returns true on success.
    static bool WriteSection(const char* section, const char* lines);
};
