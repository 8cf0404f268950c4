#include "CommandLine.h"

#include <cctype>
#include <cstring>
#include <string>

namespace {
constexpr const char kInstallSwitch[] = "-i";
constexpr const char kRemoveSwitch[] = "-u";
constexpr size_t kShortestSwitch = 2;
}  // namespace

DaemonCommand ParseCommandLine(const char* commandLine)
{
    if (commandLine == nullptr || std::strlen(commandLine) < kShortestSwitch)
        return DaemonCommand::Run;
    std::string lowered(commandLine);
    for (char& c : lowered)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lowered.find(kInstallSwitch) != std::string::npos)
        return DaemonCommand::Install;
    if (lowered.find(kRemoveSwitch) != std::string::npos)
        return DaemonCommand::Remove;
    return DaemonCommand::Run;
}
