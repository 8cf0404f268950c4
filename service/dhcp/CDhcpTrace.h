#pragma once
// CDhcpTrace: the DHCP server's way into its component log. Formats like the endpoint's formatted log
// line (a 512-character message buffer) and hands each message to the sink.
#include "DhcpHostInterfaces.h"
#include "LogLine.h"

class CDhcpTrace {
public:
    /// `sink` may be null: the log is then off.
    explicit CDhcpTrace(IDhcpTraceSink* sink) : sink_(sink) {}

    /// True while the component log is on.
    bool Enabled() const { return sink_ != nullptr && sink_->TraceEnabled(); }
    /// One line holding `message`.
    void Line(const char* message) const;
    /// One line formatted by printf rules, cut at 511 characters.
    void Format(const char* fmt, ...) const OMBRIX_PRINTF_LIKE(2, 3);

private:
    IDhcpTraceSink* sink_;
};
