// The product's message-box library, imported by ordinal 1.
#ifndef PHONEBK_PXMSGBOX_H
#define PHONEBK_PXMSGBOX_H

#include <windows.h>

extern "C" int WINAPI PxMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style);

#endif
