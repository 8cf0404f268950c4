#include "AccessProviderAdapter.h"

CAccessProviderAdapter& CAccessProviderAdapter::Service()
{
    // Made at first use, after the provider it refers to exists; it outlives every DHCP server.
    static CAccessProviderAdapter adapter(CAccessProvider::Service());
    return adapter;
}

bool CAccessProviderAdapter::Authorise(const uint8_t* hardwareAddress, int length)
{
    return provider_.Authorise(hardwareAddress, length);
}

void CAccessProviderAdapter::Lease(const uint8_t* hardwareAddress, int length, uint32_t address)
{
    provider_.Lease(hardwareAddress, length, address);
}

void CAccessProviderAdapter::Release(const uint8_t* hardwareAddress, int length)
{
    provider_.Release(hardwareAddress, length);
}
