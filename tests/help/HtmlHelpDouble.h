/* What the HTML Help control double answers, shared with the tests. */
#ifndef PHONEBK_HTMLHELPDOUBLE_H
#define PHONEBK_HTMLHELPDOUBLE_H

#define HTMLHELP_DOUBLE_ANSWER ((HWND)(ULONG_PTR)0x00C0FFEE)

#endif
