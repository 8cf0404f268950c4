#pragma once
// CProcessMemory: the resident size of a process as /proc/PID/status reports it: VmRSS now and VmHWM, the
// peak resident size since the process started (kB, as the kernel prints them).
#include <cstdint>
#include <string>

class CProcessMemory {
public:
    /// Reads the text of a status file; false when VmRSS is missing (a kernel thread, a zombie).
    bool Parse(const std::string& status);
    /// Reads /proc/PID/status; false when the process is gone.
    bool Read(long pid);

    uint64_t rssKb = 0;
    uint64_t hwmKb = 0;
};
