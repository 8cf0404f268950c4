#include "PendingComponents.h"

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

class CAbsentDhcpServer : public CAbsentServer<IDhcpServerComponent> {
public:
    void SetPool(uint32_t, uint32_t) override {}
    uint32_t PoolLow() const override { return 0; }
    uint32_t PoolHigh() const override { return 0; }
    uint32_t Network() const override { return 0; }
    std::vector<IpcClientEntry> Clients() const override { return {}; }
};

class CAbsentDnsRelay : public CAbsentServer<IDnsRelayComponent> {
public:
    void CloseInternetSocket() override {}
    void ExpireQueries() override {}
    uint32_t LanAddress() const override { return 0; }
};
}  // namespace

std::unique_ptr<IDhcpServerComponent> CreateDhcpServer() { return std::make_unique<CAbsentDhcpServer>(); }
std::unique_ptr<IDnsRelayComponent> CreateDnsRelay() { return std::make_unique<CAbsentDnsRelay>(); }

void RefreshAdapterTable() {}
void ClearAdapterTable() {}
bool EnableNetAlarm(CPacketDriver&, bool) { return false; }
void ReadNetAlarmEvents(CPacketDriver&) {}
void SendPortForwards(CPacketDriver&) {}
void DialOut() {}
void HangUp() {}
void AddLanRoute() {}
void LoadAndStartAccessProvider() {}
void StopAndUnloadAccessProvider() {}
void UnloadRasLibrary() {}
