// The library's entry point: it counts attaches and binds the optional
// libraries once per process. Nothing else runs at load.
#include "RasApiTable.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        if (++ProcessAttachCount == 1) {
            ModuleInstance = instance;
            BindLibraries();
        }
        break;
    case DLL_PROCESS_DETACH:
        if (--ProcessAttachCount == 0)
            ReleaseLibraries();
        break;
    default:
        break;
    }
    return TRUE;
}
