#pragma once
// FakeServiceControl: a service for the control protocol's tests. It keeps its settings in a map (unless a
// test routes them elsewhere), records every effect in order as text, and lets a test set what the
// servers report.
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "IServiceControl.h"

class FakeServiceControl : public IServiceControl {
public:
    // What the fake service has and reports.
    bool dhcpExists = false;
    bool dhcpRunning = false;
    uint32_t poolLow = 0;
    uint32_t poolHigh = 0;
    uint32_t network = 0;
    std::vector<IpcClientEntry> clients;
    bool dnsExists = false;
    bool dnsRunning = false;
    uint32_t dnsLanAddress = 0;
    bool netAlarm = false;
    bool switchesSucceed = true;

    /// Every effect, in the order it happened ("SetDriverEnabled(1)", "Write(DHCP,LowAddress,10)", ...).
    std::vector<std::string> calls;
    std::vector<std::string> logLines;
    /// "Section/Key" -> text.
    std::map<std::string, std::string> settings;

    bool SetDriverEnabled(bool enable) override { return Record("SetDriverEnabled", enable); }
    void Dial() override { calls.push_back("Dial"); }
    void HangUp() override { calls.push_back("HangUp"); }

    bool DhcpExists() override { return dhcpExists; }
    bool DhcpRunning() override { return dhcpRunning; }
    bool StartDhcp() override
    {
        calls.push_back("StartDhcp");
        dhcpExists = true;
        dhcpRunning = dhcpRunning || switchesSucceed;
        return switchesSucceed;
    }
    bool StopDhcp() override
    {
        calls.push_back("StopDhcp");
        if (dhcpRunning && switchesSucceed) {
            dhcpRunning = false;
        }
        return switchesSucceed;
    }
    void SetDhcpPool(uint32_t low, uint32_t high) override
    {
        calls.push_back("SetDhcpPool(" + std::to_string(low) + "," + std::to_string(high) + ")");
        poolLow = low;
        poolHigh = high;
    }
    uint32_t DhcpPoolLow() override { return poolLow; }
    uint32_t DhcpPoolHigh() override { return poolHigh; }
    uint32_t DhcpNetwork() override { return network; }
    std::vector<IpcClientEntry> DhcpClients() override { return clients; }

    bool DnsRelayExists() override { return dnsExists; }
    bool DnsRelayRunning() override { return dnsRunning; }
    bool StartDnsRelay() override
    {
        calls.push_back("StartDnsRelay");
        dnsExists = true;
        dnsRunning = dnsRunning || switchesSucceed;
        return switchesSucceed;
    }
    bool StopDnsRelay() override
    {
        calls.push_back("StopDnsRelay");
        if (dnsRunning && switchesSucceed) {
            dnsRunning = false;
        }
        return switchesSucceed;
    }
    uint32_t DnsRelayLanAddress() override { return dnsLanAddress; }

    bool SetNetAlarm(bool enable) override
    {
        netAlarm = enable;
        return Record("SetNetAlarm", enable);
    }
    bool NetAlarmFlag() override { return netAlarm; }

    int ReadSettingInt(const char* section, const char* key, int def) override
    {
        auto it = settings.find(Key(section, key));
        return it == settings.end() ? def : atoi(it->second.c_str());
    }
    void WriteSetting(const char* section, const char* key, const char* text) override
    {
        calls.push_back(std::string("Write(") + section + "," + key + "," + text + ")");
        settings[Key(section, key)] = text;
    }
    void Log(const char* message) override { logLines.push_back(message); }

    static std::string Key(const char* section, const char* key) { return std::string(section) + "/" + key; }

private:
    bool Record(const char* name, bool flag)
    {
        calls.push_back(std::string(name) + "(" + (flag ? "1" : "0") + ")");
        return switchesSucceed;
    }
};
