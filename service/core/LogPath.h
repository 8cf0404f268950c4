#pragma once
#include <string>

/// Name of the service log, kept beside the program.
constexpr const char kServiceLogName[] = "OmbrixDaemon.log";

/// NetAlarm's record of blocked attempts, beside the program as well.
constexpr const char kNetAlarmLogName[] = "NetAlarm.log";

/// Builds the path of fileName beside the program from the program's full path: everything after its last
/// backslash is replaced by fileName. A path without a backslash (the backwards scan reaches the first
/// character) puts the file in the system directory instead.
std::string BuildPathBesideProgram(const std::string& programPath, const std::string& systemDirectory,
                                   const char* fileName);

/// The service log's path (kServiceLogName beside the program).
std::string BuildServiceLogPath(const std::string& programPath, const std::string& systemDirectory);
