#include "CDhcpLogSink.h"

#include "LogWriter.h"

CDhcpLogSink::CDhcpLogSink()
{
    InitializeCriticalSection(&lock_);
}

CDhcpLogSink::~CDhcpLogSink()
{
    EnterCriticalSection(&lock_);
    FlushLocked();
    LeaveCriticalSection(&lock_);
    DeleteCriticalSection(&lock_);
}

void CDhcpLogSink::SetPath(const char* path)
{
    EnterCriticalSection(&lock_);
    FlushLocked();
    path_.assign(path != nullptr ? path : "");
    InterlockedExchange(&enabled_, path_.empty() ? 0 : 1);
    LeaveCriticalSection(&lock_);
}

std::string CDhcpLogSink::Path() const
{
    EnterCriticalSection(&lock_);
    const std::string path = path_;
    LeaveCriticalSection(&lock_);
    return path;
}

void CDhcpLogSink::TraceLine(const char* message)
{
    EnterCriticalSection(&lock_);
    if (openBatches_ == 0) {
        CLogWriter::WriteLine(path_.c_str(), message);
    } else {
        CLogWriter::AppendStampedLine(&gathered_, message);
        if (gathered_.size() >= kDhcpLogGatherLimit) {
            FlushLocked();
        }
    }
    LeaveCriticalSection(&lock_);
}

void CDhcpLogSink::BeginBatch()
{
    EnterCriticalSection(&lock_);
    ++openBatches_;
    LeaveCriticalSection(&lock_);
}

void CDhcpLogSink::EndBatch()
{
    EnterCriticalSection(&lock_);
    if (--openBatches_ == 0) {
        FlushLocked();
    }
    LeaveCriticalSection(&lock_);
}

void CDhcpLogSink::FlushLocked()
{
    CLogWriter::WriteLines(path_.c_str(), gathered_.data(), gathered_.size());
    gathered_.clear();
}
