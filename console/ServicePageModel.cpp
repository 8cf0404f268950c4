#include "ServicePageModel.h"

ServicePageState ServiceStatusFor(bool answered, bool modem, bool connected)
{
    const char* idle = "Controls Dialup Networking status";
    if (!answered) {
        return {true, false, false, false, idle};
    }
    if (!modem) {
        return {false, true, false, false, idle};
    }
    if (connected) {
        return {false, true, false, true, "Hang-up the currently connected Dial-up Networking session"};
    }
    return {false, true, true, false, "Connect to the configured Dial-up Networking host"};
}
