// CWin32Registry: the IRegistry layer over the system's registry functions (the ANSI ones every family
// has). Handles are the system's key handles.
#pragma once

#include "RegistryAccess.h"

class CWin32Registry : public IRegistry {
public:
    Handle Root(RegRoot root) override;
    Handle Open(Handle parent, const std::string& path, RegAccess access) override;
    void Close(Handle key) override;
    RegEnum EnumSubkey(Handle key, uint32_t index, size_t maxChars, std::string& name) override;
    RegEnum EnumValue(Handle key, uint32_t index, size_t maxChars, std::string& name) override;
    bool Read(Handle key, const std::string& name, size_t bufferSize, RegValue& value) override;
    bool Write(Handle key, const std::string& name, uint32_t type, const uint8_t* data, size_t size) override;
};
