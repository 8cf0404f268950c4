#include "CProcessMemory.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

// The value of "KEY:  NNN kB", or false when the line is not there.
bool Field(const std::string& status, const char* key, uint64_t* out)
{
    const std::string wanted = std::string("\n") + key + ":";
    std::string text = "\n" + status;
    const size_t at = text.find(wanted);
    if (at == std::string::npos) {
        return false;
    }
    const char* value = text.c_str() + at + wanted.size();
    char* end = nullptr;
    const unsigned long long number = strtoull(value, &end, 10);
    if (end == value) {
        return false;
    }
    *out = number;
    return true;
}

}  // namespace

bool CProcessMemory::Parse(const std::string& status)
{
    rssKb = hwmKb = 0;
    if (!Field(status, "VmRSS", &rssKb)) {
        return false;
    }
    Field(status, "VmHWM", &hwmKb);
    return true;
}

bool CProcessMemory::Read(long pid)
{
    std::ifstream file("/proc/" + std::to_string(pid) + "/status");
    if (!file) {
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return Parse(text.str());
}
