// The fields that the wizard's pages and the Properties sheet's pages store
// alike: the login with its check, and the start-up utilities.
#ifndef PHONEBK_LOGINFIELDS_H
#define PHONEBK_LOGINFIELDS_H

#include <windows.h>

// Checks edits 1205 (login name), 1209 (password) and 1214 (confirmation)
// and stores the name and password into the open entry. 0, after a message
// and with the focus on the field to correct, when the page must stay.
int StoreLoginFields(HWND page);

// Ticks boxes 1015 to 1019 (Remote Control, File Transfer, Voice Chat,
// Remote Clipboard, Remote Printing) from StartupUtility slots 0 to 4.
void ShowUtilityTicks(HWND page);
// The boxes' ticks into slots 0 to 4; a box the template lacks (106) stores
// an unticked slot.
void StoreUtilityTicks(HWND page);

#endif
