// The Windows telephony service as the connection dialogs use it: the
// countries and the current location's country and area code.
#ifndef PHONEBK_TELEPHONY_H
#define PHONEBK_TELEPHONY_H

#include <windows.h>
#include <tapi.h>

const DWORD kTapiVersion = 0x00010004;
const LONG kTelephonyNotAllowed = static_cast<LONG>(0x8000004B);

// The line application of the open sheet or wizard; 0 when telephony is not
// started.
extern HLINEAPP LineApp;

// Runs around a sheet or wizard. The results are lineInitialize's and
// lineShutdown's; kTelephonyNotAllowed when the settings switch telephony off.
LONG StartTelephony();
LONG StopTelephony();

// The current location's country id and area code (cut to areaSize - 1
// bytes); either may be NULL. 1 when the current location was found.
int GetCurrentLocation(DWORD* countryId, char* areaCode, size_t areaSize);

// Fills a (sorted) combo box with "name (dialling code)" for every country,
// selecting the current location's country, or value when it is listed.
void FillCountryList(HWND combo, const char* value);

#endif
