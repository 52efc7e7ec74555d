/*
 * platform.dll: stands in for a host's own "platform" module. The library
 * keeps its settings file beside whatever module of that name the host has
 * loaded, so the tests load this one from folders of their choosing.
 */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
