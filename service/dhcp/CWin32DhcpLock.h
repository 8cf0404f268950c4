#pragma once
// CWin32DhcpLock: a critical section, the lock of the DHCP server's tables and of its packet queue
// (Windows 95 has no slimmer one).
#include <windows.h>

#include "DhcpHostInterfaces.h"

class CWin32DhcpLock : public IDhcpLock {
public:
    CWin32DhcpLock() { InitializeCriticalSection(&section_); }
    ~CWin32DhcpLock() override { DeleteCriticalSection(&section_); }
    CWin32DhcpLock(const CWin32DhcpLock&) = delete;
    CWin32DhcpLock& operator=(const CWin32DhcpLock&) = delete;

    void Lock() override { EnterCriticalSection(&section_); }
    void Unlock() override { LeaveCriticalSection(&section_); }

private:
    CRITICAL_SECTION section_;
};
