#include "PendingComponents.h"

namespace {
/// A server whose implementation is not part of this build: it exists, so the switches and the control
/// protocol see an object, but it never runs.
class CAbsentServer : public IDnsRelayComponent {
public:
    bool Start() override { return false; }
    bool Stop() override { return false; }
    bool IsRunning() const override { return false; }
    void CloseInternetSocket() override {}
    void ExpireQueries() override {}
    uint32_t LanAddress() const override { return 0; }
};
}  // namespace

std::unique_ptr<IServerComponent> CreateDhcpServer() { return std::make_unique<CAbsentServer>(); }
std::unique_ptr<IDnsRelayComponent> CreateDnsRelay() { return std::make_unique<CAbsentServer>(); }

void RefreshAdapterTable() {}
void ClearAdapterTable() {}
bool EnableNetAlarm(CPacketDriver&, bool) { return false; }
void ReadNetAlarmEvents(CPacketDriver&) {}
void SendPortForwards(CPacketDriver&) {}
void DialOut() {}
void AddLanRoute() {}
void LoadAndStartAccessProvider() {}
void StopAndUnloadAccessProvider() {}
void UnloadRasLibrary() {}

bool StartIpcEndpoint(HWND) { return true; }
void StopIpcEndpoint() {}
