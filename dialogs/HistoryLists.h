// The three histories of the connection dialogs' editable combo boxes: the
// workstation names and area codes kept in the settings file, and the Internet
// Locator Servers kept by the device library.
//
// Every operation takes the combo box's window; a page without that combo box
// passes NULL, and the operation then does nothing.
#ifndef PHONEBK_HISTORYLISTS_H
#define PHONEBK_HISTORYLISTS_H

#include <windows.h>

#include "Handles.h"

const int kHistoryItemsKept = 5;       // workstations and area codes
const int kIlsItemsKept = 32;

// Fill the combo box when a page opens and select the value to show: value
// when given (inserted at the top when it is not listed), else the last one
// stored, else the first item.
void LoadWorkstationList(HWND combo, const char* value);
void LoadAreaCodeList(HWND combo, const char* value);   // adds the current location's code
void LoadIlsList(HWND combo, const char* value);

// Write the combo box's items back, and last as the value last used.
void SaveWorkstationList(HWND combo, const char* last);
void SaveAreaCodeList(HWND combo, const char* last);
void SaveIlsList(HWND combo, const char* last);

// Puts text at the top unless it is empty or listed already (in any letter
// case), dropping the last item when max items are held. 1 when inserted.
int AddHistoryItem(HWND combo, const char* text, int max);

// Takes the ILS combo box's text into its history and into the open phone
// book's entry.
void StoreIlsText(HWND combo);

// The device library's server list as a multi-string, or an empty owner.
LocalMem ReadIlsServerList();

#endif
