#include "MstcpNameServers.h"

#include <string>

#include "DottedAddress.h"
#include "RegistryPaths.h"

std::vector<uint32_t> ReadMstcpNameServers(IRegistry& registry)
{
    const CRegKey key = CRegKey::Open(registry, RegRoot::LocalMachine, kMstcpKey, RegAccess::Read);
    std::string text;
    if (!key.ReadText("NameServer", kMstcpNameServerBuffer, text))
        return {};
    return ConvertAddressList(text.data(), text.size(), kMstcpNameServerSeparator, kMstcpNameServersMax);
}
