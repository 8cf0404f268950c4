// The hidden control window: console requests and the one-second tick arrive here, on the service-main
// thread, so all service work is serialised without locks.
#include "OmbrixService.h"
#include "PendingComponents.h"
#include "ServiceIpc.h"
#include "ServiceNames.h"
#include "TickPlan.h"

namespace {
constexpr UINT_PTR kTickTimerId = 85;
constexpr UINT kTickPeriodMs = 1000;
}  // namespace

bool COmbrixService::CreateControlWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ControlWindowProc;
    windowClass.hInstance = instance_;
    windowClass.lpszClassName = kControlWindowClass;
    RegisterClassA(&windowClass);
    controlWindow_ = CreateWindowA(kControlWindowClass, kControlWindowTitle, 0, 0, 0, 0, 0, GetDesktopWindow(),
                                   nullptr, instance_, nullptr);
    if (controlWindow_ == nullptr)
        return false;
    SetTimer(controlWindow_, kTickTimerId, kTickPeriodMs, nullptr);
    return true;
}

LRESULT CALLBACK COmbrixService::ControlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    COmbrixService& service = Instance();
    if (message == WM_IPC_REQUEST && service.ipcServer_ != nullptr)
        HandleIpcRequest(*service.ipcServer_, service, wParam, lParam);
    else if (message == WM_TIMER)
        service.Tick();
    return DefWindowProcA(window, message, wParam, lParam);
}

void COmbrixService::PollDriverStatus()
{
    uint32_t status = 0;
    if (driver_.GetStatus(status))
        driverStatus_ = status;
}

void COmbrixService::Tick()
{
    PollDriverStatus();
    const TickPlan plan = PlanTick(driverStatus_, autoDial_, dnsRelay_ != nullptr);
    if (plan.dialOut)
        DialOut();
    if (plan.closeDnsInternetSocket)
        dnsRelay_->CloseInternetSocket();
    if (plan.readNetAlarm)
        ReadNetAlarmEvents(driver_);
    if (plan.expireDnsQueries)
        dnsRelay_->ExpireQueries();
}
