#pragma once
// DhcpServerContext: what a message in hand reads from the server that received it: the settings the server
// runs with, the computer's name for sname, and the component log.
#include <string>

#include "CDhcpTrace.h"
#include "DhcpSettings.h"

struct DhcpServerContext {
    explicit DhcpServerContext(IDhcpTraceSink* sink) : trace(sink) {}

    DhcpSettings settings;
    std::string computerName;  ///< as the platform reports it
    CDhcpTrace trace;
};
