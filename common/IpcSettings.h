#pragma once
// IpcSettings: how the service's control endpoint and the console's client take section IPC of Ombrix.Ini
// (its entries: kIniIpcServerPort, kIniIpcLocalAddress of IniSettings.h), so that they meet at the same port.
#include "IniSettings.h"

/// Only the low 16 bits of ServerPort are a port.
constexpr unsigned kIpcPortMask = 0xFFFF;
