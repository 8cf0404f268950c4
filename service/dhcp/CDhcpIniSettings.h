#pragma once
// CDhcpIniSettings: section `DHCP` of Ombrix.Ini for the settings reader.
#include "DhcpHostInterfaces.h"

class CDhcpIniSettings : public IDhcpSettingsSource {
public:
    int ReadInt(const char* key, int defaultValue) override;
    std::string ReadString(const char* key, const char* defaultValue, size_t bufferLength) override;
};
