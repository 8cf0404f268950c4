#include "RasRecords.h"

#include <cstdint>

namespace rasrecords {

bool IsKnownSize(Record record, uint32_t size, size_t pointer)
{
    switch (record) {
    case Record::EntryName:
        return size == entryname::kSize400 || size == entryname::kSize500;
    case Record::DialParams:
        return size == dialparams::kSize400 || size == dialparams::Size401(pointer) ||
               size == dialparams::Size601(pointer);
    case Record::Connection:
        return size == connection::Size400(pointer) || size == connection::Size401(pointer) ||
               size == connection::Size500(pointer) || size == connection::Size501(pointer);
    case Record::DeviceInfo:
        return size == deviceinfo::kSize;
    case Record::ConnectStatus:
        return size == connectstatus::kSize400 || size == connectstatus::kSize401;
    case Record::DialExtensions:
        return size == dialextensions::Size400(pointer) || size == dialextensions::Size500(pointer);
    }
    return false;
}

ListAnswer PlanList(size_t items, uint32_t recordSize, uint32_t bufferBytes)
{
    // A phonebook of the fixture's size never comes near the limit; the cap only keeps the product from
    // wrapping if it ever did.
    const uint64_t needed = static_cast<uint64_t>(items) * recordSize;
    ListAnswer answer{};
    answer.count = static_cast<uint32_t>(items > UINT32_MAX ? UINT32_MAX : items);
    answer.neededBytes = static_cast<uint32_t>(needed > UINT32_MAX ? UINT32_MAX : needed);
    answer.result = needed <= bufferBytes ? 0 : kErrorBufferTooSmall;
    return answer;
}

}  // namespace rasrecords
