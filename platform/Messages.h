// The library's one way to speak to the user outside its dialogs: texts from
// its string table, shown through the product's message box.
#ifndef PHONEBK_MESSAGES_H
#define PHONEBK_MESSAGES_H

#include <windows.h>

// The style of every message the library shows.
const UINT kMessageStyle = MB_OK | MB_ICONEXCLAMATION;

// Loads string id into buffer (size bytes). 1 when the whole text was loaded;
// else 0, after an "Internal Error" box that says why.
int LoadResourceString(HINSTANCE module, UINT id, char* buffer, int size);

// Shows text id with caption id from the library's string table. Shows only
// the internal error when either string cannot be loaded.
void ShowResourceMessage(HWND owner, UINT captionId, UINT textId, UINT style);

#endif
