#pragma once
// CNetAlarm: the packet driver's report of blocked connection attempts. It keeps the NetAlarm flag (whether
// the report is meant to be on, which is what the console is told) and the path of NetAlarm.log, where the
// driver's records are appended.
//
// This build does not talk to the driver for NetAlarm yet: switching it on or off fails without a log line,
// and waiting records are not read, so the log path stays empty.
#include <string>

class CPacketDriver;

class CNetAlarm {
public:
    explicit CNetAlarm(CPacketDriver& driver) : driver_(driver) {}
    CNetAlarm(const CNetAlarm&) = delete;
    CNetAlarm& operator=(const CNetAlarm&) = delete;

    /// Takes the flag from Enable of section NetAlarm (default 0) and returns it.
    bool LoadFlag();
    /// Stores the flag and asks the driver to report (or stop reporting) blocked attempts. The flag keeps
    /// what the caller asked for even when the driver refuses. False in this build.
    bool Set(bool enable);
    bool Flag() const { return flag_; }
    /// Appends the records the driver has waiting to NetAlarm.log; nothing in this build.
    void ReadEvents();
    /// Empty until an enable succeeds; events read before that are lost.
    const std::string& LogPath() const { return logPath_; }

private:
    CPacketDriver& driver_;
    bool flag_ = false;
    std::string logPath_;
};
