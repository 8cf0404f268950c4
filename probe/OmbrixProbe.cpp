// OmbrixProbe: the program's frame. Its windows and work arrive with their own components; until then it only
// loads the adapter helper library it is linked with and ends.
#include <windows.h>

#include "ombrixaux.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    GetOs();
    return 0;
}
