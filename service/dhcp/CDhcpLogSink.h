#pragma once
// CDhcpLogSink: the DHCP server's component log (`LogFile` of section `DHCP`) as the core's trace sink.
// It keeps its own copy of the path because the packet thread, which writes most of the lines, can
// outlive the server object.
#include <string>

#include "DhcpHostInterfaces.h"

class CDhcpLogSink : public IDhcpTraceSink {
public:
    /// Set at each start, while no packet thread runs. Empty turns the log off.
    void SetPath(const char* path) { m_path.assign(path != nullptr ? path : ""); }
    const std::string& Path() const { return m_path; }

    bool TraceEnabled() const override { return !m_path.empty(); }
    void TraceLine(const char* message) override;

private:
    std::string m_path;
};
