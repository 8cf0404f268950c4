#pragma once
#include <string>

/// Name of the service log, kept beside the program.
constexpr const char kServiceLogName[] = "OmbrixDaemon.log";

/// Builds the service log path from the program's full path: everything after its last backslash is
/// replaced by the log's name. A path without a backslash (the backwards scan reaches the first character)
/// puts the log in the system directory instead.
std::string BuildServiceLogPath(const std::string& programPath, const std::string& systemDirectory);
