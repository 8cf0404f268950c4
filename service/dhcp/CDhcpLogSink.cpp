#include "CDhcpLogSink.h"

#include "LogWriter.h"

CDhcpLogSink::CDhcpLogSink()
{
    InitializeCriticalSection(&m_lock);
}

CDhcpLogSink::~CDhcpLogSink()
{
    EnterCriticalSection(&m_lock);
    FlushLocked();
    LeaveCriticalSection(&m_lock);
    DeleteCriticalSection(&m_lock);
}

void CDhcpLogSink::SetPath(const char* path)
{
    EnterCriticalSection(&m_lock);
    FlushLocked();
    m_path.assign(path != nullptr ? path : "");
    InterlockedExchange(&m_enabled, m_path.empty() ? 0 : 1);
    LeaveCriticalSection(&m_lock);
}

std::string CDhcpLogSink::Path() const
{
    EnterCriticalSection(&m_lock);
    const std::string path = m_path;
    LeaveCriticalSection(&m_lock);
    return path;
}

void CDhcpLogSink::TraceLine(const char* message)
{
    EnterCriticalSection(&m_lock);
    if (m_openBatches == 0) {
        CLogWriter::WriteLine(m_path.c_str(), message);
    } else {
        CLogWriter::AppendStampedLine(&m_gathered, message);
        if (m_gathered.size() >= kDhcpLogGatherLimit) {
            FlushLocked();
        }
    }
    LeaveCriticalSection(&m_lock);
}

void CDhcpLogSink::BeginBatch()
{
    EnterCriticalSection(&m_lock);
    ++m_openBatches;
    LeaveCriticalSection(&m_lock);
}

void CDhcpLogSink::EndBatch()
{
    EnterCriticalSection(&m_lock);
    if (--m_openBatches == 0) {
        FlushLocked();
    }
    LeaveCriticalSection(&m_lock);
}

void CDhcpLogSink::FlushLocked()
{
    CLogWriter::WriteLines(m_path.c_str(), m_gathered.data(), m_gathered.size());
    m_gathered.clear();
}
