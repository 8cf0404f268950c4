#include "EventsPageModel.h"

EventsTail EventsTailFor(uint64_t size)
{
    EventsTail tail;
    if (size <= kEventsTailBytes) {
        tail.length = size;
        return tail;
    }
    tail.offset = size - kEventsTailBytes;
    tail.length = kEventsTailBytes;
    return tail;
}

std::string EventsTextFor(const uint8_t* bytes, size_t length)
{
    std::string text(reinterpret_cast<const char*>(bytes), length);
    for (char& c : text) {
        if (c == '\0') {
            c = ' ';
        }
    }
    return text;
}
