#include "RegistryInventory.h"

#include "AuxText.h"
#include "DottedAddress.h"

namespace {

const char kNetClass[] = "Net";

}  // namespace

bool IsNetClassKey(const CRegKey& key)
{
    RegValue value;
    if (!key.Read("Class", kClassBuffer, value) || value.data.size() <= 1)
        return false;
    return auxtext::EqualsIgnoreCase(auxtext::FirstString(value.data.data(), value.data.size()), kNetClass);
}

uint32_t ReadAddressValue(const CRegKey& key, const std::string& name, size_t bufferSize)
{
    std::string text;
    if (!key.ReadText(name, bufferSize, text))
        return 0;
    return ConvertDottedAddress(text.data(), text.size());
}
