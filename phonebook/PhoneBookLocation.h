// Where a VmrPhoneBook keeps its entry files: a per-user directory below the
// host executable's directory, found through the owner of the shell window.
#ifndef PHONEBK_PHONEBOOKLOCATION_H
#define PHONEBK_PHONEBOOKLOCATION_H

#include <windows.h>
#include <stddef.h>

#include "Handles.h"
#include "Impersonation.h"

// PhoneBookPath either ends with a backslash or is empty. Empty means that no
// usable directory could be composed within 260 bytes; every operation that
// composes a path from it then fails instead of naming another file.

// Appends the trailing backslash unless the path already ends with one; an
// empty path becomes a single backslash. A path with no room left for the
// backslash is emptied.
void ApplyTrailingBackslash(char* path, size_t size);

// What SetPath stores: the directory with its trailing backslash, or an empty
// path when that does not fit in size bytes.
void SetPhoneBookDirectory(char* path, size_t size, const char* directory);

// Composes (and creates) <exe dir>\users[\domain\user] without the trailing
// backslash. Levels are added only when they leave room for the backslash;
// when not even the users level fits, out is empty.
void BuildUserPhoneBookDir(char* out, size_t size);

// 1 when the interactive user was found; the thread is then left impersonating
// that user and the caller must end it (a CallerIdentity made before the call
// puts back the identity the thread had). On 0 the thread has the identity it
// came with.
int GetInteractiveUserName(char* domainOut, char* userOut, size_t size);

// Makes the calling thread impersonate the owner of the shell window.
int ImpersonateShellUser();

// The token, opened with tokenAccess, of the process that owns the window
// (opened with the access the shell's process grants); empty when either
// cannot be opened. The process handle is closed again.
KernelHandle OpenWindowOwnerToken(HWND window, DWORD tokenAccess);

// The "Progman" / "Program Manager" window, tried attempts times 1 s apart
// (0 for a single look), or NULL.
HWND FindShellWindow(int attempts);

// The user (and domain) of the thread's token, or of the process token.
int GetTokenUserName(char* userOut, size_t size, char* domainOut);

// 1 unless the input desktop is the logon desktop, or the screen saver's
// while the shell's user cannot be impersonated.
int IsInteractiveDesktop();

#endif
