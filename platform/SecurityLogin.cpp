#include "SecurityLogin.h"

#include "RasApiTable.h"
#include "VmrPhoneBook.h"

int SecurityLoggedIn = 0;

int EnsureSecurityLogin(HWND owner, unsigned short right)
{
    if (SecurityLoggedIn)
        return 1;
    if (RasApiTable.SecurityUiModule == NULL || RasApiTable.pfnQuerySecurityLogin == NULL)
        return 0;
    // The component shows whatever it needs; 0 is its only grant.
    SecurityLoggedIn = RasApiTable.pfnQuerySecurityLogin(owner, right) == 0 ? 1 : 0;
    return SecurityLoggedIn;
}

int VmrPhoneBook::SecurityLogin(HWND owner, unsigned short right)
{
    return EnsureSecurityLogin(owner, right);
}

// No call into GATEUI.DLL: the component keeps no session of its own.
void VmrPhoneBook::SecurityLogout()
{
    SecurityLoggedIn = 0;
}

void VmrPhoneBook::OnExitPhoneBookTab()
{
    SecurityLogout();
}
