#include "CAuxAdapterSource.h"

#include "ombrixaux.h"

namespace {

constexpr int kFirstAddress = 0;

}  // namespace

void CAuxAdapterSource::Refresh()
{
    ::Refresh();
}

std::vector<DhcpAdapterView> CAuxAdapterSource::Adapters()
{
    std::vector<DhcpAdapterView> adapters;
    const int count = GetAdapterCount();
    for (int i = 0; i < count; ++i) {
        DhcpAdapterView view;
        view.dialup = IsDialup(i) != 0;
        view.gateway = static_cast<uint32_t>(GetGateway(i));
        view.address = static_cast<uint32_t>(GetIpAddress(i, kFirstAddress));
        adapters.push_back(view);
    }
    return adapters;
}
