// A test-only access provider plug-in that offers the console a page of its own: its registration fills
// the page fields of the 136-byte record (flag, its module, caption "Access", its dialog procedure, template
// 300 and a tab bitmap). Linked at a fixed base below 4 GB in the 64-bit build so that its handles and
// procedure fit the record's 32-bit words.
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

constexpr UINT kPageApply = 0x48F;
constexpr int kTemplateId = 300;
constexpr int kBitmapId = 301;
HINSTANCE g_module = NULL;

void Put32(uint8_t* record, size_t offset, uint32_t value)
{
    std::memcpy(record + offset, &value, sizeof value);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case kPageApply:
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

extern "C" __declspec(dllexport) uint32_t __cdecl RegisterOmbrixAccessProvider(void* table)
{
    uint8_t* record = static_cast<uint8_t*>(table);
    Put32(record, 68, 1);
    Put32(record, 72, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(g_module)));
    std::memcpy(record + 76, "Access", 7);
    Put32(record, 96, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(&PageProc)));
    Put32(record, 100, kTemplateId);
    HBITMAP bitmap = LoadBitmapA(g_module, MAKEINTRESOURCEA(kBitmapId));
    Put32(record, 104, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(bitmap)));
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = module;
    return TRUE;
}
