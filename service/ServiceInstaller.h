#pragma once
#include "ombrixaux.h"

/// Registers and unregisters the daemon with the system: a service of its own process on the NT family,
/// the RunServices value on Windows 95/98. Results go to standard output and the service log as the
/// installer's users expect them; nothing is reported back.
class CServiceInstaller {
public:
    static void Install(OsType os, const char* programPath);
    static void Remove(OsType os);

private:
    static void InstallService(const char* programPath);
    static void RemoveService();
    static void InstallRunServices(const char* programPath);
    static void RemoveRunServices();
};
