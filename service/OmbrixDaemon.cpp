// OmbrixDaemon: the sharing service's process entry.
#include <windows.h>

#include "OmbrixService.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    return COmbrixService::Instance().Run(instance, commandLine);
}
