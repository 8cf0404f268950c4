#include "PendingComponents.h"

#include "CDhcpServer.h"
#include "ombrixaux.h"

namespace {
/// A server whose implementation is not part of this build: it exists, so the switches and the control
/// protocol see an object, but it never runs.
template <typename Component>
class CAbsentServer : public Component {
public:
    bool Start() override { return false; }
    bool Stop() override { return false; }
    bool IsRunning() const override { return false; }
};

class CAbsentDnsRelay : public CAbsentServer<IDnsRelayComponent> {
public:
    void CloseInternetSocket() override {}
    void ExpireQueries() override {}
    uint32_t LanAddress() const override { return 0; }
};
}  // namespace

std::unique_ptr<IDhcpServerComponent> CreateDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider)
{
    return std::make_unique<CDhcpServer>(sharingMode, accessProvider);
}
std::unique_ptr<IDnsRelayComponent> CreateDnsRelay() { return std::make_unique<CAbsentDnsRelay>(); }

void RefreshAdapterTable() { RefreshByReg(); }
void ClearAdapterTable() { ClearAdapterInfo(); }
bool EnableNetAlarm(CPacketDriver&, bool) { return false; }
void ReadNetAlarmEvents(CPacketDriver&) {}
void SendPortForwards(CPacketDriver&) {}
void DialOut() {}
void HangUp() {}
void UnloadRasLibrary() {}
