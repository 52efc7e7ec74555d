#include "ComponentFiles.h"

#include <mbstring.h>
#include <string.h>

BOOL LocateComponentFile(HINSTANCE module, const char* folderVariable, const char* fileName, char* path,
                         DWORD size)
{
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(folderVariable, folder, sizeof(folder));
    if (length >= sizeof(folder))
        return FALSE;
    if (length == 0) {
        length = GetModuleFileNameA(module, folder, sizeof(folder));
        if (length == 0 || length >= sizeof(folder))
            return FALSE;
        unsigned char* slash = _mbsrchr((unsigned char*)folder, '\\');
        if (slash == NULL)
            return FALSE;
        length = (DWORD)((char*)slash - folder);
    } else {
        /* A final backslash, but not the trail byte of a double-byte
           character, is the separator added below. */
        unsigned char* slash = _mbsrchr((unsigned char*)folder, '\\');
        if (slash != NULL && (char*)slash == folder + length - 1)
            --length;
    }
    size_t nameLength = strlen(fileName);
    if (length + 1 + nameLength + 1 > size)
        return FALSE;
    memcpy(path, folder, length);
    path[length] = '\\';
    memcpy(path + length + 1, fileName, nameLength + 1);
    return TRUE;
}
