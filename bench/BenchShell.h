// What every benchmark needs before it constructs a VmrPhoneBook: a window of
// the shell's class, which the phone book waits for (up to a minute) to find
// the user's directory. Under Wine there is none; the benchmark brings its own.
#ifndef PHONEBK_BENCHSHELL_H
#define PHONEBK_BENCHSHELL_H

#include <windows.h>

class ShellWindow
{
public:
    ShellWindow()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(NULL);
        windowClass.lpszClassName = "Progman";
        registered_ = RegisterClassA(&windowClass) != 0;
        window_ = CreateWindowA("Progman", "Program Manager", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0, NULL, NULL,
                                windowClass.hInstance, NULL);
    }
    ~ShellWindow()
    {
        if (window_ != NULL)
            DestroyWindow(window_);
        if (registered_)
            UnregisterClassA("Progman", GetModuleHandleA(NULL));
    }
    ShellWindow(const ShellWindow&) = delete;
    ShellWindow& operator=(const ShellWindow&) = delete;

    bool valid() const { return window_ != NULL; }

private:
    HWND window_ = NULL;
    bool registered_ = false;
};

#endif
