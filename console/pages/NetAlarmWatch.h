#pragma once
// The NetAlarm warning's decision without the file system or its dialog. Once a second the console looks
// at NetAlarm.log (opened for reading while the service goes on writing it) and hands in what it saw; the
// watch says when to raise the warning. A log present when the console starts does not warn; its creation
// later, and every change after, warns once. What is compared is the log's size and last-write time: an
// appended line always grows the file, also when the write lands within the same tick of a coarse file
// time (two seconds on FAT) as the one before it. No windows.h.
#include <cstdint>
#include <string>

/// What one look at the log found.
struct NetAlarmLogState {
    bool exists = false;     ///< the log could be opened
    uint64_t size = 0;       ///< its size in bytes
    uint64_t lastWrite = 0;  ///< its last-write file time
};

class CNetAlarmWatch {
public:
    /// False while the warning is up: the tick then does not look at the log at all.
    bool WantsLook() const { return !showing_; }
    /// One tick's look. True when the warning is to be shown now; the watch then counts as showing until
    /// WarningClosed.
    bool Look(const NetAlarmLogState& state);
    /// The warning was closed: what raised it counts as seen. A line written meanwhile, or a log created
    /// again after "C&lear", differs from it and warns on a later tick.
    void WarningClosed();

private:
    enum class Known { Nothing, Absent, Present };
    Known known_ = Known::Nothing;
    NetAlarmLogState seen_;
    NetAlarmLogState raised_;
    bool showing_ = false;
};

/// The warning's texts and buttons.
constexpr int kNetAlarmWarningDialog = 223;
constexpr int kNetAlarmWarningView = 1068;
constexpr int kNetAlarmWarningClear = 1067;

/// The "&View" command line: Notepad on the log, whose path is quoted so that a program folder with blanks
/// in its name opens the log and not the path's first word.
std::string NetAlarmViewCommandLine(const std::string& logPath);
