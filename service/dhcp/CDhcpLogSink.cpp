#include "CDhcpLogSink.h"

#include "LogWriter.h"

void CDhcpLogSink::TraceLine(const char* message)
{
    CLogWriter::WriteLine(m_path.c_str(), message);
}
