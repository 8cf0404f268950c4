#include "LogPath.h"

std::string BuildServiceLogPath(const std::string& programPath, const std::string& systemDirectory)
{
    // The scan stops on reaching the first character without looking at it.
    for (size_t i = programPath.size(); i-- > 1;) {
        if (programPath[i] == '\\')
            return programPath.substr(0, i + 1) + kServiceLogName;
    }
    return systemDirectory + "\\" + kServiceLogName;
}
