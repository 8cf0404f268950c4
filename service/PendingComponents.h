#pragma once
// Where the service gets its servers and its adapter table, and the components this build does not have
// yet (the DNS relay, port forwards, NetAlarm, dial-out). Those hold their place in the start-up, tick and
// shut-down order; none of them pretends to work: the relay cannot start, and the steps that would talk
// to the driver or RAS for them do nothing.
#include <memory>

#include "ServerComponent.h"

class CPacketDriver;
class IDhcpAccessProvider;

/// The DHCP server (service/dhcp/CDhcpServer), which binds by `sharingMode` and asks `accessProvider` (may
/// be null: no plug-in) about each client.
std::unique_ptr<IDhcpServerComponent> CreateDhcpServer(int sharingMode, IDhcpAccessProvider* accessProvider = nullptr);
std::unique_ptr<IDnsRelayComponent> CreateDnsRelay();

void RefreshAdapterTable();
void ClearAdapterTable();
bool EnableNetAlarm(CPacketDriver& driver, bool enable);
void ReadNetAlarmEvents(CPacketDriver& driver);
void SendPortForwards(CPacketDriver& driver);
void DialOut();
void HangUp();
void UnloadRasLibrary();
