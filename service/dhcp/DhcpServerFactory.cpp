#include "DhcpServerFactory.h"

#include "CDhcpServer.h"

std::unique_ptr<IDhcpServerComponent> CreateDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider)
{
    return std::make_unique<CDhcpServer>(sharingMode, accessProvider);
}
