#include "ConsoleModel.h"

#include <cstring>

#include "ByteOrder.h"

bool ConsoleModeAccepted(int mode)
{
    return mode != -1 && mode <= kModeDualNic;
}

bool CAttachRetry::Tick()
{
    if (counter_ == 0) {
        return false;
    }
    const unsigned before = counter_++;
    return before == kRetryTick;
}

TrayToggleItem TrayToggleFor(bool driverLoaded, int enabled)
{
    if (!driverLoaded) {
        return {nullptr, true};
    }
    // "Disble" is the product's own spelling of the item while sharing is on.
    return {enabled != 0 ? "&Disble Sharing" : "&Enable Sharing", false};
}

namespace {
constexpr size_t kOffsetOffersPage = 68;
constexpr size_t kOffsetModule = 72;
constexpr size_t kOffsetCaption = 76;
constexpr size_t kCaptionSize = 20;
constexpr size_t kOffsetDialogProc = 96;
constexpr size_t kOffsetTemplate = 100;
constexpr size_t kOffsetBitmap = 104;
}  // namespace

void PrepareProviderRecord(uint8_t (&record)[kProviderRecordSize])
{
    std::memset(record, 0, sizeof record);
    record[0] = static_cast<uint8_t>(kProviderRecordSize & 0xFF);
    record[1] = static_cast<uint8_t>(kProviderRecordSize >> 8);
}

ProviderPage ReadProviderRecord(const uint8_t (&record)[kProviderRecordSize])
{
    ProviderPage page;
    page.offersPage = LoadLe32(record + kOffsetOffersPage) != 0;
    page.module = LoadLe32(record + kOffsetModule);
    // The plug-in may leave the caption without its terminator: it never runs past its 20 bytes.
    const char* caption = reinterpret_cast<const char*>(record + kOffsetCaption);
    size_t length = 0;
    while (length < kCaptionSize - 1 && caption[length] != '\0')
        ++length;
    page.caption.assign(caption, length);
    page.dialogProc = LoadLe32(record + kOffsetDialogProc);
    page.templateId = LoadLe32(record + kOffsetTemplate);
    page.bitmap = LoadLe32(record + kOffsetBitmap);
    return page;
}

bool ProviderKept(uint32_t registered, const ProviderPage& page)
{
    return registered != 0 && page.offersPage && (page.dialogProc != 0 || page.module != 0 || page.templateId != 0);
}
