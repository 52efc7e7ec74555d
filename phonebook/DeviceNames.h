// The names and paths that reach something other than a disk file. A file of
// such a name is no file: its open reaches a device (CON, a printer port, a
// modem on COM1) or a pipe, which may block for good or take what is written
// to it. Every verb, the wizard's name page and pbtool ask this one rule.
#ifndef PHONEBK_DEVICENAMES_H
#define PHONEBK_DEVICENAMES_H

// True when the path leads into the device namespace ("\\.\", "\\?\",
// "\??\", with either kind of slash) or to the pipes or mailslots of a server
// ("\\server\pipe\...", "\\server\mailslot\..."), or when its file part (what follows its
// last separator or its drive) names a device: CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, CLOCK$, COM1 to COM9 and LPT1 to LPT9, also with the superscript
// digits 1, 2 and 3 that Windows NT counts as digits there (COM² is the
// second serial port); in any case, alone or followed by an extension, a
// colon, spaces or dots ("nul.vmr", "CON .txt", "com1."). A null path names
// none.
//
// The path is judged in UTF-16, converted from the code page the file
// functions use (ANSI, or OEM after SetFileApisToOEM) as the system converts
// it when it opens the file: so the trail byte of a
// double-byte character is never taken for a separator, and a superscript
// is recognised whichever byte the code page gives it. A path the code page
// cannot convert names no file either: true.
//
// This file stands alone (kernel32 and the C runtime only), so that pbtool
// can tell a user the same rule in its own words.
bool NamesDevice(const char* path);

#endif
