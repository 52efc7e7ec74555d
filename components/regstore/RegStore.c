/*
 * regstore.dll - the product's registry library. Only ordinal 9 is here.
 *
 * Ordinal 9 takes no arguments and answers whether the Dial-Up Networking
 * dialogs should run with telephony started and as the interactive user. The
 * answer is RunAsInteractiveUser of section [DialUp] in REGSTORE.INI, as the
 * number written there, and 0 when the file or the key is missing:
 *     [DialUp]
 *     RunAsInteractiveUser=1
 * The file is looked for in the folder named by the environment variable
 * REGSTORE_DIR when that is set, and beside this DLL otherwise; it is read at
 * every call.
 */
#include <windows.h>

#include "ComponentFiles.h"
#include "DeviceLibrary.h"

#define SETTINGS_NAME "REGSTORE.INI"
#define FOLDER_VARIABLE "REGSTORE_DIR"

static HINSTANCE regStoreInstance;

int WINAPI RegStoreDialUpAsUser(void)
{
    char settings[MAX_PATH];
    if (!LocateComponentFile(regStoreInstance, FOLDER_VARIABLE, SETTINGS_NAME, settings, sizeof(settings)))
        return 0;
    return (int)GetPrivateProfileIntA("DialUp", "RunAsInteractiveUser", 0, settings);
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        regStoreInstance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
