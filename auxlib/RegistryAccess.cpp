#include "RegistryAccess.h"

#include "AuxBytes.h"
#include "AuxText.h"

namespace {

// A key has far fewer entries than this; it only bounds an enumeration that never reports its end.
constexpr uint32_t kMaxEnumerated = 0x10000;

}  // namespace

CRegKey& CRegKey::operator=(CRegKey&& other) noexcept
{
    if (this != &other) {
        Reset();
        registry_ = other.registry_;
        handle_ = other.handle_;
        other.handle_ = 0;
    }
    return *this;
}

void CRegKey::Reset()
{
    if (handle_ != 0 && registry_)
        registry_->Close(handle_);
    handle_ = 0;
}

CRegKey CRegKey::Open(IRegistry& registry, RegRoot root, const std::string& path, RegAccess access)
{
    return CRegKey(registry, registry.Open(registry.Root(root), path, access));
}

CRegKey CRegKey::OpenSub(const std::string& path, RegAccess access) const
{
    if (!IsOpen())
        return CRegKey();
    return CRegKey(*registry_, registry_->Open(handle_, path, access));
}

bool CRegKey::Read(const std::string& name, size_t bufferSize, RegValue& value) const
{
    return IsOpen() && registry_->Read(handle_, name, bufferSize, value);
}

bool CRegKey::ReadText(const std::string& name, size_t bufferSize, std::string& text) const
{
    RegValue value;
    if (!Read(name, bufferSize, value))
        return false;
    text = auxtext::FirstString(value.data.data(), value.data.size());
    return true;
}

bool CRegKey::ReadDword(const std::string& name, uint32_t& value) const
{
    RegValue raw;
    if (!Read(name, kDwordSize, raw) || raw.data.size() != kDwordSize)
        return false;
    return auxbytes::GetU32(raw.data.data(), raw.data.size(), 0, value);
}

bool CRegKey::Write(const std::string& name, uint32_t type, const std::vector<uint8_t>& data) const
{
    return IsOpen() && registry_->Write(handle_, name, type, data.data(), data.size());
}

bool CRegKey::WriteDword(const std::string& name, uint32_t value) const
{
    std::vector<uint8_t> data(kDwordSize);
    StoreLe32(data.data(), value);
    return Write(name, kRegDword, data);
}

std::vector<std::string> CRegKey::SubkeyNames(size_t maxChars) const
{
    std::vector<std::string> names;
    if (!IsOpen())
        return names;
    std::string name;
    for (uint32_t i = 0; i < kMaxEnumerated; ++i) {
        const RegEnum result = registry_->EnumSubkey(handle_, i, maxChars, name);
        if (result == RegEnum::End)
            break;
        if (result == RegEnum::Ok)
            names.push_back(name);
    }
    return names;
}

std::vector<std::string> CRegKey::ValueNames(size_t maxChars) const
{
    std::vector<std::string> names;
    if (!IsOpen())
        return names;
    std::string name;
    for (uint32_t i = 0; i < kMaxEnumerated; ++i) {
        const RegEnum result = registry_->EnumValue(handle_, i, maxChars, name);
        if (result == RegEnum::End)
            break;
        if (result == RegEnum::Ok)
            names.push_back(name);
    }
    return names;
}
