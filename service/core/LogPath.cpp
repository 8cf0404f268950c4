#include "LogPath.h"

std::string BuildPathBesideProgram(const std::string& programPath, const std::string& systemDirectory,
                                   const char* fileName)
{
    // The scan stops on reaching the first character without looking at it.
    for (size_t i = programPath.size(); i-- > 1;) {
        if (programPath[i] == '\\')
            return programPath.substr(0, i + 1) + fileName;
    }
    return systemDirectory + "\\" + fileName;
}

std::string BuildServiceLogPath(const std::string& programPath, const std::string& systemDirectory)
{
    return BuildPathBesideProgram(programPath, systemDirectory, kServiceLogName);
}
