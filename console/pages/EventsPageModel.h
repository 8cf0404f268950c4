#pragma once
// The Events page's rules without its windows or the file: which bytes of the service log it reads, and
// the text its box shows for them or for a log it could not read. The page opens the log for reading and
// lets the service go on writing it. No windows.h.
#include <cstddef>
#include <cstdint>
#include <string>

/// The box shows at most the last this many bytes of the log.
constexpr uint64_t kEventsTailBytes = 16384;

constexpr char kEventsNoPathText[] = "Unable to determine the location OmbrixDaemon.log";
constexpr char kEventsNoFileText[] = "Unable to locate OmbrixDaemon.log";
constexpr char kEventsNoSizeText[] = "Unable to determine OmbrixDaemon.log file size";

/// The part of a log of a given size that the page reads.
struct EventsTail {
    uint64_t offset = 0;  ///< from the start when the whole log fits, else 16384 bytes before its end
    uint64_t length = 0;  ///< min(size, 16384)
};
EventsTail EventsTailFor(uint64_t size);

/// The box's text for the bytes read. A zero byte (a log cut short by a crash keeps zeros where its
/// blocks were not written) would end the box's text there and hide every newer line: it shows as a blank.
std::string EventsTextFor(const uint8_t* bytes, size_t length);
