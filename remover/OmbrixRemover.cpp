// OmbrixRemover: the program's frame; the removal steps arrive with their own component.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
