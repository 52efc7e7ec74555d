/*
 * The HTML Help control for the tests: HtmlHelpA appends one line per call to
 * the file named by PHONEBK_HTMLHELP_RECORD (read at each call), as
 * "owner=<hex> file=<text> command=<n> data=<n>", and answers
 * HTMLHELP_DOUBLE_ANSWER.
 *
 * htmlhelp_double.def exports it at ordinal 14, where the control has it;
 * htmlhelp_no14.def exports the same function by name at ordinal 15 only, so
 * that a binding by name would find it and a binding by ordinal must not.
 */
#include <windows.h>
#include <stdio.h>

#include "HtmlHelpDouble.h"

HWND WINAPI HtmlHelpA(HWND owner, LPCSTR file, UINT command, DWORD_PTR data)
{
    char record[MAX_PATH];
    DWORD got = GetEnvironmentVariableA("PHONEBK_HTMLHELP_RECORD", record, sizeof(record));
    if (got > 0 && got < sizeof(record)) {
        FILE* out = fopen(record, "a");
        if (out != NULL) {
            fprintf(out, "owner=%lx file=%s command=%u data=%lu\n", (unsigned long)(ULONG_PTR)owner,
                    file != NULL ? file : "(null)", command, (unsigned long)data);
            fclose(out);
        }
    }
    return HTMLHELP_DOUBLE_ANSWER;
}
