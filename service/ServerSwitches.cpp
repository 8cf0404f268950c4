// The switches that start and stop the servers and the driver's sharing, shared by the start-up and the
// control protocol. Each logs its own outcome.
#include "AccessProviderAdapter.h"
#include "OmbrixService.h"
#include "PendingComponents.h"
#include "ServiceLog.h"

bool COmbrixService::StartDhcpServer()
{
    if (dhcpServer_ == nullptr)
        dhcpServer_ = CreateDhcpServer(sharingMode_, &CAccessProviderAdapter::Service());
    if (dhcpServer_->IsRunning())
        return true;
    const bool started = dhcpServer_->Start();
    CServiceLog::Write(started ? "DHCP Server Started" : "Error Starting DHCP Server");
    return started;
}

bool COmbrixService::StopDhcpServer()
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

bool COmbrixService::StartDnsRelay()
{
    if (dnsRelay_ == nullptr)
        dnsRelay_ = CreateDnsRelay();
    if (dnsRelay_->IsRunning())
        return true;
    const bool started = dnsRelay_->Start();
    CServiceLog::Write(started ? "DNS Server Started" : "Error Starting DNS Server");
    return started;
}

bool COmbrixService::StopDnsRelay()
{
    if (dnsRelay_ == nullptr)
        return false;
    if (!dnsRelay_->IsRunning())
        return true;
    const bool stopped = dnsRelay_->Stop();
    CServiceLog::Write(stopped ? "DNS Server Stopped" : "Error Stopping DNS Server");
    return stopped;
}

bool COmbrixService::SetDriverEnabled(bool enabled)
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
