#pragma once
// Components of the service that this build does not have yet. Each call holds its place in the start-up,
// tick and shut-down order; none of them pretends to work: the servers cannot start, and the steps that
// would talk to the driver, the adapters, RAS or a plug-in do nothing.
#include <memory>

#include "ServerComponent.h"

class CPacketDriver;

std::unique_ptr<IDhcpServerComponent> CreateDhcpServer();
std::unique_ptr<IDnsRelayComponent> CreateDnsRelay();

void RefreshAdapterTable();
void ClearAdapterTable();
bool EnableNetAlarm(CPacketDriver& driver, bool enable);
void ReadNetAlarmEvents(CPacketDriver& driver);
void SendPortForwards(CPacketDriver& driver);
void DialOut();
void HangUp();
void AddLanRoute();
void LoadAndStartAccessProvider();
void StopAndUnloadAccessProvider();
void UnloadRasLibrary();
