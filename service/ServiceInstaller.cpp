#include "ServiceInstaller.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "ServiceLog.h"
#include "ServiceNames.h"

namespace {
void PrintLine(const char* format, DWORD error = 0)
{
    std::printf(format, kServiceDisplayName, static_cast<int>(error));
    std::fflush(stdout);
}

bool RunServicesValueExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunServicesKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    bool exists = RegQueryValueExA(key, kRunServicesValue, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return exists;
}
}  // namespace

void CServiceInstaller::Install(OsType os, const char* programPath)
{
    if (os == WinNT4 || os == Win2000)
        InstallService(programPath);
    else if (os == Win95 || os == Win98)
        InstallRunServices(programPath);
}

void CServiceInstaller::Remove(OsType os)
{
    if (os == WinNT4 || os == Win2000)
        RemoveService();
    else if (os == Win95 || os == Win98)
        RemoveRunServices();
}

void CServiceInstaller::InstallService(const char* programPath)
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) {
        PrintLine("%s failed to install. Error %d\n", GetLastError());
        return;
    }
    SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_CONFIG);
    if (service == nullptr) {
        service = CreateServiceA(manager, kServiceName, kServiceDisplayName, SERVICE_ALL_ACCESS,
                                 SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, programPath,
                                 nullptr, nullptr, nullptr, nullptr, nullptr);
        if (service != nullptr)
            PrintLine("%s installed\n");
        else
            PrintLine("%s failed to install. Error %d\n", GetLastError());
    }
    if (service != nullptr)
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

void CServiceInstaller::RemoveService()
{
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr)
        return;
    // Only a service that opens is removed; it is deleted as it is, running or not.
    SC_HANDLE service = OpenServiceA(manager, kServiceName, DELETE);
    if (service != nullptr) {
        if (DeleteService(service)) {
            CServiceLog::Write("The Ombrix Service has been Removed");
        } else {
            DWORD error = GetLastError();
            CServiceLog::Write("There was an error removing the Ombrix Service");
            PrintLine("Could not remove %s. Error %d\n", error);
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

void CServiceInstaller::InstallRunServices(const char* programPath)
{
    if (RunServicesValueExists())
        return;
    HKEY key;
    DWORD disposition;
    LONG rc = RegCreateKeyExA(HKEY_LOCAL_MACHINE, kRunServicesKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                              nullptr, &key, &disposition);
    if (rc == ERROR_SUCCESS) {
        rc = RegSetValueExA(key, kRunServicesValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(programPath),
                            static_cast<DWORD>(std::strlen(programPath) + 1));
        RegCloseKey(key);
    }
    if (rc == ERROR_SUCCESS)
        PrintLine("%s installed\n");
    else
        PrintLine("%s failed to install. Error %d\n", static_cast<DWORD>(rc));
}

void CServiceInstaller::RemoveRunServices()
{
    if (!RunServicesValueExists())
        return;
    HKEY key;
    LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunServicesKey, 0, KEY_SET_VALUE, &key);
    if (rc == ERROR_SUCCESS) {
        rc = RegDeleteValueA(key, kRunServicesValue);
        RegCloseKey(key);
    }
    if (rc != ERROR_SUCCESS)
        PrintLine("Could not remove %s. Error %d\n", static_cast<DWORD>(rc));
}
