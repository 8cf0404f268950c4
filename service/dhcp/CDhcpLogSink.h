#pragma once
// CDhcpLogSink: the DHCP server's component log (`LogFile` of section `DHCP`) as the core's trace sink.
// It keeps its own copy of the path because the packet thread, which writes most of the lines, can
// outlive the server object.
//
// A handled message writes about twenty-five lines, and each open-append-close of the file costs about
// 0.1 ms under Wine. So while a batch of work is under way (BeginBatch … EndBatch, from any thread) the
// lines are gathered, stamped as they come, and written together in one open-append-close when the last
// batch ends (or the gathered text grows past kDhcpLogGatherLimit). Between writes no handle is held, so
// the user can still read or delete the file at any time.
#include <windows.h>

#include <string>

#include "DhcpHostInterfaces.h"

/// Gathered text written out at once however many batches are still open.
constexpr size_t kDhcpLogGatherLimit = 64 * 1024;

class CDhcpLogSink : public IDhcpTraceSink {
public:
    CDhcpLogSink();
    ~CDhcpLogSink() override;
    CDhcpLogSink(const CDhcpLogSink&) = delete;
    CDhcpLogSink& operator=(const CDhcpLogSink&) = delete;

    /// Set at each start, while no packet thread runs. Empty turns the log off.
    void SetPath(const char* path);
    std::string Path() const;

    bool TraceEnabled() const override { return enabled_ != 0; }
    void TraceLine(const char* message) override;

    void BeginBatch();
    void EndBatch();

private:
    void FlushLocked();

    mutable CRITICAL_SECTION lock_;
    std::string path_;
    volatile LONG enabled_ = 0;
    int openBatches_ = 0;
    std::string gathered_;
};

/// One batch of the sink's lines for the scope it lives in.
class CDhcpLogBatch {
public:
    explicit CDhcpLogBatch(CDhcpLogSink& sink) : sink_(sink) { sink_.BeginBatch(); }
    ~CDhcpLogBatch() { sink_.EndBatch(); }
    CDhcpLogBatch(const CDhcpLogBatch&) = delete;
    CDhcpLogBatch& operator=(const CDhcpLogBatch&) = delete;

private:
    CDhcpLogSink& sink_;
};
