#pragma once
// Components of the service that this build does not have yet. Each call holds its place in the start-up,
// tick and shut-down order; none of them pretends to work: the servers cannot start, and the steps that
// would talk to the driver, the adapters, RAS or a plug-in do nothing.
#include <windows.h>

#include <memory>

#include "ServerComponent.h"

class CPacketDriver;

std::unique_ptr<IServerComponent> CreateDhcpServer();
std::unique_ptr<IDnsRelayComponent> CreateDnsRelay();

void RefreshAdapterTable();
void ClearAdapterTable();
bool EnableNetAlarm(CPacketDriver& driver, bool enable);
void ReadNetAlarmEvents(CPacketDriver& driver);
void SendPortForwards(CPacketDriver& driver);
void DialOut();
void AddLanRoute();
void LoadAndStartAccessProvider();
void StopAndUnloadAccessProvider();
void UnloadRasLibrary();

/// The console's endpoint: with none in this build there is nothing that can fail to start.
bool StartIpcEndpoint(HWND controlWindow);
void StopIpcEndpoint();
