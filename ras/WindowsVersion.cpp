#include "WindowsVersion.h"

#include <windows.h>

namespace {

// Answers false for everything when the version cannot be read.
bool QueryVersion(OSVERSIONINFOA& info)
{
    ZeroMemory(&info, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);   // 148
    return GetVersionExA(&info) != FALSE;
}

}  // namespace

bool IsWindows9x()
{
    OSVERSIONINFOA info;
    return QueryVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool IsWindowsNT()
{
    OSVERSIONINFOA info;
    return QueryVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool IsWindows2000OrLater()
{
    OSVERSIONINFOA info;
    return QueryVersion(info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion >= 5;
}
