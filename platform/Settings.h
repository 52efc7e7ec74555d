// The product's settings file, VMR32.INI, read and written only through the
// Windows profile functions. The file is located again at every access, so a
// change of the install type or of the host's modules counts at the next one.
#ifndef PHONEBK_SETTINGS_H
#define PHONEBK_SETTINGS_H

#include <windows.h>

// The product's section of the settings file.
const char kSettingsSection[] = "Velmora";

// Fills path (260 bytes) with the settings file to use: VMR32.INI beside the
// host's "platform" module, or beside the host executable when no such module
// is loaded; or the bare "VMR32.INI" (the shared copy in the Windows
// directory) when that local copy says InstallType=Shared. 1 when located;
// 0, with path untouched, when the module's path cannot be had whole.
int LocateSettingsFile(char* path);

// What GetPrivateProfileStringA answers for the located file: the number of
// characters stored, the text cut to size - 1 characters and terminated. 0
// when the file cannot be located, or when buffer is null or size is 0; the
// buffer is then left alone.
DWORD ReadSettingString(const char* section, const char* key, const char* defaultText,
                        char* buffer, DWORD size);

// 1 for "On", "True" or "Yes", 0 for "Off", "False" or "No" (the whole value,
// any letter case); any other value, an absent key or an unlocatable file
// gives defaultValue.
int ReadSettingBool(const char* section, const char* key, int defaultValue);

// Writes the value and then flushes the file, so that another process reading
// it at once sees the change. Answers the write's own result (non-zero on
// success), or 0 when the file cannot be located.
BOOL WriteSettingString(const char* section, const char* key, const char* value);

// Whether the telephony start-up may run: "AllowTAPI" (default On), read at
// the first call only. A change takes effect when the host restarts.
int IsTapiAllowed();

#endif
