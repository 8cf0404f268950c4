#include "SharingService.h"

#include "AccessProvider.h"
#include "AccessProviderAdapter.h"
#include "DhcpServerFactory.h"
#include "DnsRelayFactory.h"
#include "IniSettings.h"
#include "LanRoute.h"
#include "OmbrixIni.h"
#include "ServiceLog.h"
#include "TickPlan.h"
#include "ombrixaux.h"

CSharingService::CSharingService() : portForwards_(driver_), netAlarm_(driver_), controlWindow_(*this, *this) {}

bool CSharingService::Start(HINSTANCE instance, int sharingMode)
{
    sharingMode_ = sharingMode;
    if (!driver_.Open()) {
        CServiceLog::Write("Unable to Locate Ombrix Driver.\r\n\tRe-install Ombrix to ensure the driver gets "
                           "loaded at startup");
        return false;
    }

    // The endpoint logs its own failure.
    ipcServer_ = std::make_unique<CIpcServer>();
    if (!ipcServer_->Start()) {
        ipcServer_.reset();
        return false;
    }

    RefreshByReg();
    dhcpServer_ = NewDhcpServer();
    dnsRelay_ = NewDnsRelay();

    const int enabled = COmbrixIni::ReadInt(kIniApplicationEnabled);
    const int useDhcp = COmbrixIni::ReadInt(kIniApplicationUseDhcp);
    const int dnsRelay = COmbrixIni::ReadInt(kIniApplicationDnsRelay);
    // The tick dials only when AutoDial was set at start.
    const int autoDial = COmbrixIni::ReadInt(kIniDialupAutoDialAtStart);
    const bool netAlarm = netAlarm_.LoadFlag();

    if (useDhcp != 0)
        StartDhcpServer();
    if (dnsRelay != 0)
        StartDnsRelay();
    if (enabled != 0)
        SetDriverEnabled(true);
    if (netAlarm)
        netAlarm_.Set(true);

    portForwards_.SendStored();
    CLanRoute::Add(sharingMode_);
    // The adapter asks the plug-in at every call, so a server started above takes it up at once.
    CAccessProvider::Service().Load();
    CAccessProvider::Service().Start();

    if (!controlWindow_.Create(instance, ipcServer_.get())) {
        CServiceLog::Write("Error Unable to create Service Control Window");
        return false;
    }
    autoDial_ = autoDial != 0;
    // Requests wait in the socket window's queue until the loop runs, so none is lost before this.
    ipcServer_->SetControlWindow(controlWindow_.Handle());
    return true;
}

void CSharingService::Serve()
{
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            break;
        if (got == -1)
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void CSharingService::ShutDown()
{
    // The driver keeps its state: sharing and NetAlarm stay as they are for the next start.
    driver_.Close();
    StopDnsRelay();
    StopDhcpServer();
    dnsRelay_.reset();
    dhcpServer_.reset();
    controlWindow_.DetachIpcServer();
    ipcServer_->Stop();
    ipcServer_.reset();
    CServiceLog::Write("Ombrix Service Stopping");
}

void CSharingService::ReleaseAtExit()
{
    driver_.Close();
    CAccessProvider::Service().StopAndUnload();
    dialOut_.Unload();
    ClearAdapterInfo();
}

std::unique_ptr<IDhcpServerComponent> CSharingService::NewDhcpServer()
{
    return CreateDhcpServer(sharingMode_, &CAccessProviderAdapter::Service());
}

std::unique_ptr<IDnsRelayComponent> CSharingService::NewDnsRelay()
{
    return CreateDnsRelay(sharingMode_, &relayDialUp_);
}

bool CSharingService::StartDhcpServer()
{
    if (dhcpServer_ == nullptr)
        dhcpServer_ = NewDhcpServer();
    if (dhcpServer_->IsRunning())
        return true;
    const bool started = dhcpServer_->Start();
    CServiceLog::Write(started ? "DHCP Server Started" : "Error Starting DHCP Server");
    return started;
}

bool CSharingService::StopDhcpServer()
{
    if (dhcpServer_ == nullptr) {
        CServiceLog::Write("DHCP Server stop requested, but not running");
        return false;
    }
    if (!dhcpServer_->IsRunning())
        return true;
    const bool stopped = dhcpServer_->Stop();
    CServiceLog::Write(stopped ? "DHCP Server Stopped" : "Error Stopping DHCP Server");
    return stopped;
}

bool CSharingService::StartDnsRelay()
{
    if (dnsRelay_ == nullptr)
        dnsRelay_ = NewDnsRelay();
    if (dnsRelay_->IsRunning())
        return true;
    const bool started = dnsRelay_->Start();
    CServiceLog::Write(started ? "DNS Server Started" : "Error Starting DNS Server");
    return started;
}

bool CSharingService::StopDnsRelay()
{
    if (dnsRelay_ == nullptr)
        return false;
    if (!dnsRelay_->IsRunning())
        return true;
    const bool stopped = dnsRelay_->Stop();
    CServiceLog::Write(stopped ? "DNS Server Stopped" : "Error Stopping DNS Server");
    return stopped;
}

bool CSharingService::SetDriverEnabled(bool enabled)
{
    if (!driver_.SetSharing(enabled)) {
        CServiceLog::Write(enabled ? "Error Unable to Enable Ombrix Driver" : "Error Unable to Disable Ombrix Driver");
        return false;
    }
    if (enabled) {
        CServiceLog::Write("Ombrix Driver Enabled");
        PollDriverStatus();
    } else {
        CServiceLog::Write("Ombrix Driver Disabled");
    }
    return true;
}

void CSharingService::Dial()
{
    dialOut_.Dial();
}
void CSharingService::HangUp()
{
    dialOut_.HangUp();
}

bool CSharingService::DhcpExists()
{
    return dhcpServer_ != nullptr;
}
bool CSharingService::DhcpRunning()
{
    return dhcpServer_ != nullptr && dhcpServer_->IsRunning();
}

void CSharingService::SetDhcpPool(uint32_t low, uint32_t high)
{
    if (dhcpServer_ != nullptr)
        dhcpServer_->SetPool(low, high);
}

uint32_t CSharingService::DhcpPoolLow()
{
    return dhcpServer_ ? dhcpServer_->PoolLow() : 0;
}
uint32_t CSharingService::DhcpPoolHigh()
{
    return dhcpServer_ ? dhcpServer_->PoolHigh() : 0;
}
uint32_t CSharingService::DhcpNetwork()
{
    return dhcpServer_ ? dhcpServer_->Network() : 0;
}

std::vector<IpcClientEntry> CSharingService::DhcpClients()
{
    return dhcpServer_ ? dhcpServer_->Clients() : std::vector<IpcClientEntry>();
}

bool CSharingService::DnsRelayExists()
{
    return dnsRelay_ != nullptr;
}
bool CSharingService::DnsRelayRunning()
{
    return dnsRelay_ != nullptr && dnsRelay_->IsRunning();
}
uint32_t CSharingService::DnsRelayLanAddress()
{
    return dnsRelay_ ? dnsRelay_->LanAddress() : 0;
}

bool CSharingService::SetNetAlarm(bool enable)
{
    return netAlarm_.Set(enable);
}
bool CSharingService::NetAlarmFlag()
{
    return netAlarm_.Flag();
}

int CSharingService::ReadSettingInt(const char* section, const char* key, int def)
{
    return COmbrixIni::ReadInt(section, key, def);
}

void CSharingService::WriteSetting(const char* section, const char* key, const char* text)
{
    COmbrixIni::WriteString(section, key, text);
}

void CSharingService::Log(const char* message)
{
    CServiceLog::Write(message);
}

void CSharingService::PollDriverStatus()
{
    uint32_t status = 0;
    if (driver_.GetStatus(status))
        driverStatus_ = status;
}

void CSharingService::Tick()
{
    PollDriverStatus();
    const TickPlan plan = PlanTick(driverStatus_, autoDial_, dnsRelay_ != nullptr);
    if (plan.dialOut)
        dialOut_.Dial();
    if (plan.closeDnsInternetSocket)
        dnsRelay_->CloseInternetSocket();
    if (plan.readNetAlarm)
        netAlarm_.ReadEvents();
    if (plan.expireDnsQueries)
        dnsRelay_->ExpireQueries();
}
