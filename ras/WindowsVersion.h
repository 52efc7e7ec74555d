// Which family of Windows the library runs on.
#ifndef PHONEBK_WINDOWSVERSION_H
#define PHONEBK_WINDOWSVERSION_H

bool IsWindows9x();            // Windows 95/98/Me
bool IsWindowsNT();            // NT 3.5x, 4, 2000 and later
bool IsWindows2000OrLater();

#endif
