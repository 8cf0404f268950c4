// What console requests do to the running service, on the control window's thread.
#include "OmbrixIni.h"
#include "OmbrixService.h"
#include "PendingComponents.h"
#include "ServiceLog.h"

void COmbrixService::Dial() { DialOut(); }
void COmbrixService::HangUp() { ::HangUp(); }

bool COmbrixService::DhcpExists() { return dhcpServer_ != nullptr; }
bool COmbrixService::DhcpRunning() { return dhcpServer_ != nullptr && dhcpServer_->IsRunning(); }

void COmbrixService::SetDhcpPool(uint32_t low, uint32_t high)
{
    if (dhcpServer_ != nullptr)
        dhcpServer_->SetPool(low, high);
}

uint32_t COmbrixService::DhcpPoolLow() { return dhcpServer_ ? dhcpServer_->PoolLow() : 0; }
uint32_t COmbrixService::DhcpPoolHigh() { return dhcpServer_ ? dhcpServer_->PoolHigh() : 0; }
uint32_t COmbrixService::DhcpNetwork() { return dhcpServer_ ? dhcpServer_->Network() : 0; }

std::vector<IpcClientEntry> COmbrixService::DhcpClients()
{
    return dhcpServer_ ? dhcpServer_->Clients() : std::vector<IpcClientEntry>();
}

bool COmbrixService::DnsRelayExists() { return dnsRelay_ != nullptr; }
bool COmbrixService::DnsRelayRunning() { return dnsRelay_ != nullptr && dnsRelay_->IsRunning(); }
uint32_t COmbrixService::DnsRelayLanAddress() { return dnsRelay_ ? dnsRelay_->LanAddress() : 0; }

bool COmbrixService::SetNetAlarm(bool enable)
{
    netAlarm_ = enable;
    return EnableNetAlarm(driver_, enable);
}

int COmbrixService::ReadSettingInt(const char* section, const char* key, int def)
{
    return COmbrixIni::ReadInt(section, key, def);
}

void COmbrixService::WriteSetting(const char* section, const char* key, const char* text)
{
    COmbrixIni::WriteString(section, key, text);
}

void COmbrixService::Log(const char* message) { CServiceLog::Write(message); }
