#include "CDhcpIniSettings.h"

#include <vector>

#include "IniSettings.h"
#include "OmbrixIni.h"

int CDhcpIniSettings::ReadInt(const char* key, int defaultValue)
{
    return COmbrixIni::ReadInt(kIniSectionDhcp, key, defaultValue);
}

std::string CDhcpIniSettings::ReadString(const char* key, const char* defaultValue, size_t bufferLength)
{
    std::vector<char> buffer(bufferLength + 1, '\0');
    COmbrixIni::ReadString(kIniSectionDhcp, key, defaultValue, buffer.data(), static_cast<unsigned>(bufferLength));
    return std::string(buffer.data());
}
