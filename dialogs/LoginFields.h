// The login check that the wizard's login page and the Properties sheet's
// Login page share.
#ifndef PHONEBK_LOGINFIELDS_H
#define PHONEBK_LOGINFIELDS_H

#include <windows.h>

// Checks edits 1205 (login name), 1209 (password) and 1214 (confirmation)
// and stores the name and password into the open entry. 0, after a message
// and with the focus on the field to correct, when the page must stay.
int StoreLoginFields(HWND page);

#endif
