// The names Windows keeps for devices. A file of such a name is no file: its
// open reaches the device (CON, a printer port, a modem on COM1), which may
// block for good or take what is written to it.
#ifndef PHONEBK_DEVICENAMES_H
#define PHONEBK_DEVICENAMES_H

// True when the file part of path (what follows its last separator or its
// drive) names a device: CON, PRN, AUX, NUL, COM1 to COM9 or LPT1 to LPT9,
// in any case, alone or followed by an extension, spaces or dots ("nul.vmr",
// "CON .txt", "com1."). A null path names none.
//
// This file stands alone (the C runtime only), so that pbtool can tell a
// user the same rule in its own words.
bool NamesDevice(const char* path);

#endif
