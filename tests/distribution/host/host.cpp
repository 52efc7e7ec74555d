// A host of the installed library: writes an entry, lists it and reads it
// back. Answers 0 and prints "package host: ok" when all of that worked.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "VmrPhoneBook.h"

namespace {

int __stdcall CountEntry(char*, long count)
{
    ++*reinterpret_cast<int*>(count);
    return 1;
}

}  // namespace

int main()
{
    // The shell's window, which a phone book waits for as at a logon.
    WNDCLASSA shellClass = {};
    shellClass.lpfnWndProc = DefWindowProcA;
    shellClass.lpszClassName = "Progman";
    RegisterClassA(&shellClass);
    HWND shell = CreateWindowA("Progman", "Program Manager", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);

    char directory[MAX_PATH];
    GetTempPathA(sizeof(directory), directory);
    lstrcatA(directory, "phonebk-package-host");
    CreateDirectoryA(directory, NULL);

    VmrPhoneBook book;
    book.SetPath(directory);
    char number[] = "555 0100";
    book.SetConnectPhoneNumber(number);
    char name[] = "Package";
    int written = book.WriteEntry(name);
    int count = 0;
    book.EnumEntryNames(CountEntry, reinterpret_cast<long>(&count));
    VmrPhoneBook reader;
    reader.SetPath(directory);
    int read = reader.ReadEntry(name);
    char text[32] = "";
    reader.GetConnectPhoneNumber(text, sizeof(text));

    char path[MAX_PATH];
    lstrcpyA(path, directory);
    lstrcatA(path, "\\Package.vmr");
    DeleteFileA(path);
    RemoveDirectoryA(directory);
    DestroyWindow(shell);

    bool ok = written == 1 && count == 1 && read == 1 && strcmp(text, "555 0100") == 0;
    printf("package host: %s (written %d, listed %d, read %d, number \"%s\")\n", ok ? "ok" : "FAILED",
           written, count, read, text);
    return ok ? 0 : 1;
}
