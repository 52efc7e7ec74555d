// The security login: guarded operations ask GATEUI.DLL once, and a grant
// holds for the rest of the process until the host logs out.
#ifndef PHONEBK_SECURITYLOGIN_H
#define PHONEBK_SECURITYLOGIN_H

#include <windows.h>

// 1 after a granted login, 0 at load and after a logout. Shared by every
// VmrPhoneBook and RasPhoneBook of the process; only the dialog thread that
// runs the guarded operations touches it, so it takes no lock.
extern int SecurityLoggedIn;

// The right the library asks for before it creates or changes a connection.
const unsigned short kConnectionRight = 3;

// 1 when the caller may go on. Asks QuerySecurityLogin only while logged out;
// a grant for one right then satisfies any other. Refused, without a message
// of ours, when GATEUI.DLL or its export is missing.
int EnsureSecurityLogin(HWND owner, unsigned short right);

#endif
