// OmbrixDaemon: the sharing service's process entry.
#include <windows.h>

#include "ServiceShell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return CServiceShell::Instance().Run(instance, commandLine);
}
