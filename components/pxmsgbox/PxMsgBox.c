/*
 * PXMSGBOX.dll - the product's message box.
 *
 * Ordinal 1 takes the owner window, the text, the caption and the MB_ style,
 * shows a modal MessageBoxA and returns its result.
 *
 * When the environment variable PXMSGBOX_JOURNAL names a file, nothing is
 * shown: one line per message is appended to that file instead,
 *     <style as 0x%08X> TAB <caption> TAB <text>
 * with each line break of the text written as the two characters \n, and IDOK
 * is returned at once. Unattended tests and hosts read what was said there.
 */
#include <windows.h>

/* Appends text to line (capacity bytes, *used so far), turning each line break
   (CR LF, LF or CR) into a backslash and an n. Stops short when full. */
static void AppendEscaped(char* line, DWORD capacity, DWORD* used, const char* text)
{
    while (*text != '\0' && *used + 2 < capacity) {
        if (*text == '\r' || *text == '\n') {
            if (text[0] == '\r' && text[1] == '\n')
                ++text;
            line[(*used)++] = '\\';
            line[(*used)++] = 'n';
        } else {
            line[(*used)++] = *text;
        }
        ++text;
    }
}

static BOOL JournalMessage(const char* journal, const char* text, const char* caption, UINT style)
{
    char line[4096];
    DWORD used = (DWORD)wsprintfA(line, "0x%08X\t", style);
    AppendEscaped(line, sizeof(line) - 2, &used, caption ? caption : "");
    line[used++] = '\t';
    AppendEscaped(line, sizeof(line) - 2, &used, text ? text : "");
    line[used++] = '\r';
    line[used++] = '\n';

    /* Other processes may journal into the same file at the same time. */
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 50 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileA(journal, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE)
            Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    DWORD written = 0;
    BOOL ok = WriteFile(file, line, used, &written, NULL) && written == used;
    CloseHandle(file);
    return ok;
}

int WINAPI PxMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style)
{
    char journal[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("PXMSGBOX_JOURNAL", journal, sizeof(journal));
    if (length > 0 && length < sizeof(journal)) {
        JournalMessage(journal, text, caption, style);
        return IDOK;
    }
    return MessageBoxA(owner, text, caption, style);
}
