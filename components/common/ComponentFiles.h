/* Where the product's small DLLs keep their files: in the folder an
 * environment variable names when it is set (read at every call, so that a
 * host or a test can give each run a folder of its own), else beside the DLL
 * itself, whatever folder the host runs from.
 */
#ifndef PHONEBK_COMPONENTFILES_H
#define PHONEBK_COMPONENTFILES_H

#include <windows.h>

/* The full path of fileName in the folder named by the environment variable
   folderVariable, or beside module, into path (size bytes). "C:\Folder\" and
   "C:\Folder" name the same folder. FALSE when the path would not fit: a cut
   path could name another folder's file. */
BOOL LocateComponentFile(HINSTANCE module, const char* folderVariable, const char* fileName, char* path,
                         DWORD size);

#endif
