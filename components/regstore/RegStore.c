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
#include <mbstring.h>
#include <string.h>

#include "DeviceLibrary.h"

#define SETTINGS_NAME "REGSTORE.INI"
#define FOLDER_VARIABLE "REGSTORE_DIR"

static HINSTANCE regStoreInstance;

/* REGSTORE.INI in REGSTORE_DIR or beside this DLL. FALSE when the path would
   not fit: a cut path could name another folder's file. */
static BOOL LocateSettings(char* path, DWORD size)
{
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(FOLDER_VARIABLE, folder, sizeof(folder));
    if (length >= sizeof(folder))
        return FALSE;
    if (length == 0) {
        length = GetModuleFileNameA(regStoreInstance, folder, sizeof(folder));
        if (length == 0 || length >= sizeof(folder))
            return FALSE;
        unsigned char* slash = _mbsrchr((unsigned char*)folder, '\\');
        if (slash == NULL)
            return FALSE;
        length = (DWORD)((char*)slash - folder);
    } else {
        /* "C:\Settings\" and "C:\Settings" name the same folder. */
        unsigned char* slash = _mbsrchr((unsigned char*)folder, '\\');
        if (slash != NULL && (char*)slash == folder + length - 1)
            --length;
    }
    if (length + 1 + sizeof(SETTINGS_NAME) > size)
        return FALSE;
    memcpy(path, folder, length);
    path[length] = '\\';
    memcpy(path + length + 1, SETTINGS_NAME, sizeof(SETTINGS_NAME));
    return TRUE;
}

int WINAPI RegStoreDialUpAsUser(void)
{
    char settings[MAX_PATH];
    if (!LocateSettings(settings, sizeof(settings)))
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
