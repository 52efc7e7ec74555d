/*
 * progman.exe - owns a top-level window of class "Progman" titled
 * "Program Manager", as the Windows shell does.
 *
 * A VmrPhoneBook finds the interactive user through the owner of that window
 * and waits up to a minute for it to appear, as at a Windows logon. Wine has no
 * such shell, so the scripts that run a host under Wine start this first and
 * end it by its process id afterwards (or close its window).
 */
#include <windows.h>

static LRESULT CALLBACK ShellWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)commandLine;
    (void)show;

    WNDCLASSA windowClass;
    ZeroMemory(&windowClass, sizeof(windowClass));
    windowClass.lpfnWndProc = ShellWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Progman";
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND shell = CreateWindowA("Progman", "Program Manager", WS_OVERLAPPEDWINDOW, 0, 0, 0, 0,
                               NULL, NULL, instance, NULL);
    if (shell == NULL)
        return 1;

    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
