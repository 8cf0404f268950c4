// IsDriverRegistered: whether the packet driver is installed, by the entry each family keeps for it: the
// static VxD of Windows 95/98, the kernel service of NT.
#pragma once

#include "OsType.h"
#include "RegistryAccess.h"

constexpr size_t kDriverPathBuffer = 260;

bool IsDriverRegistered(IRegistry& registry, OsType os);
