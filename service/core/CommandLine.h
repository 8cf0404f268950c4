#pragma once
// What the daemon's command line asks for. The line is lower-cased and searched for the two switches as
// substrings, install first, so "/I" runs the service while "X-Iy" installs.

enum class DaemonCommand { Run, Install, Remove };

/// Decides the command from the command line without the program name (may be null).
DaemonCommand ParseCommandLine(const char* commandLine);
