#pragma once
// CNetAlarm: the packet driver's report of blocked connection attempts. It keeps the NetAlarm flag (whether
// the report is meant to be on, which is what the console is told) and the path of NetAlarm.log, to which
// the records the driver queues are appended. The console shows the file while the service appends to it.
#include <string>

class CPacketDriver;

class CNetAlarm {
public:
    explicit CNetAlarm(CPacketDriver& driver) : driver_(driver) {}
    CNetAlarm(const CNetAlarm&) = delete;
    CNetAlarm& operator=(const CNetAlarm&) = delete;

    /// Takes the flag from Enable of section NetAlarm (default 0) and returns it.
    bool LoadFlag();
    /// Stores the flag and asks the driver to report (or stop reporting) blocked attempts (request 65). The
    /// flag keeps what the caller asked for even when the driver refuses. An enable fixes the log's path.
    bool Set(bool enable);
    bool Flag() const { return flag_; }
    /// Fetches the records the driver has waiting (request 67) and appends their entries to NetAlarm.log.
    /// Until an enable has fixed the log's path they are fetched and dropped.
    void ReadEvents();
    /// Empty until an enable succeeds.
    const std::string& LogPath() const { return logPath_; }

private:
    CPacketDriver& driver_;
    bool flag_ = false;
    std::string logPath_;
};
