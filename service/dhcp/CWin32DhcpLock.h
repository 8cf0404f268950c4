#pragma once
// CWin32DhcpLock: a critical section, the lock of the DHCP server's tables and of its packet queue
// (Windows 95 has no slimmer one).
#include <windows.h>

#include "DhcpHostInterfaces.h"

class CWin32DhcpLock : public IDhcpLock {
public:
    CWin32DhcpLock() { InitializeCriticalSection(&m_section); }
    ~CWin32DhcpLock() override { DeleteCriticalSection(&m_section); }
    CWin32DhcpLock(const CWin32DhcpLock&) = delete;
    CWin32DhcpLock& operator=(const CWin32DhcpLock&) = delete;

    void Lock() override { EnterCriticalSection(&m_section); }
    void Unlock() override { LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};
