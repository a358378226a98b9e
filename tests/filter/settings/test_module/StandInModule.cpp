// An empty module built as "Veltrane.ax" so that the settings tests can find the module directory of a
// module by that name.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
