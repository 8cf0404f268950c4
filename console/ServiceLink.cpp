#include "ServiceLink.h"

#include "ServiceStarter.h"
#include "ombrixaux.h"

CServiceLink::CServiceLink() : refused_(0)
{
    client_.SetFailureHandler(&CServiceLink::ShowWarning, nullptr);
}

bool CServiceLink::Start()
{
    return client_.Start() != FALSE;
}

bool CServiceLink::Ping()
{
    if (Busy()) {
        ++refused_;
        return false;
    }
    return client_.PingRequest(kRequestPing) != FALSE;
}

bool CServiceLink::Command(uint32_t code, uint32_t word1, uint32_t word2)
{
    if (Busy()) {
        ++refused_;
        ShowWarning(nullptr, kIpcCommandFailureText);
        return false;
    }
    return client_.CommandRequest(code, word1, word2) != FALSE;
}

bool CServiceLink::Query(uint32_t code, void* buffer, int length)
{
    if (Busy()) {
        ++refused_;
        return false;
    }
    return client_.QueryRequest(code, buffer, length) != FALSE;
}

bool CServiceLink::Settings(uint32_t code, const void* block, int length)
{
    if (Busy()) {
        ++refused_;
        return false;
    }
    return client_.SettingsRequest(code, block, length) != FALSE;
}

bool CServiceLink::StartService(HWND owner)
{
    return CServiceStarter::Start(GetOs(), nullptr, &CServiceLink::ShowStartError, owner, nullptr) != FALSE;
}

void CServiceLink::ShowWarning(void*, const char* text)
{
    MessageBoxA(NULL, text, kConsoleErrorCaption, MB_OK | MB_ICONWARNING);
}

void CServiceLink::ShowStartError(void* context, const char* text)
{
    MessageBoxA(static_cast<HWND>(context), text, kConsoleErrorCaption, MB_OK | MB_ICONERROR);
}
