#include "DeviceNames.h"

#include <windows.h>
#include <string.h>

namespace {

// Longer than any path the library builds (260 bytes, so at most 260
// characters); a longer one is refused before it is ever opened anyway.
const int kWidePathSize = 2 * MAX_PATH;

const wchar_t* const kPlainDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"};

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

wchar_t Upper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

// "\\.\", "\\?\" (the Win32 device and verbatim namespaces) and "\??\" (the
// object manager's own), in which no DOS rule protects anything.
bool IntoDeviceNamespace(const wchar_t* path)
{
    if (!IsSeparator(path[0]) || path[1] == L'\0' || path[2] == L'\0' || !IsSeparator(path[3]))
        return false;
    if (IsSeparator(path[1]))
        return path[2] == L'.' || path[2] == L'?';
    return path[1] == L'?' && path[2] == L'?';
}

// The digits Windows NT takes after COM and LPT: 1 to 9, and the
// superscripts ¹ ² ³ of Latin-1.
bool IsPortDigit(wchar_t c)
{
    return (c >= L'1' && c <= L'9') || c == 0x00B9 || c == 0x00B2 || c == 0x00B3;
}

bool SameLetters(const wchar_t* text, size_t length, const wchar_t* device)
{
    if (wcslen(device) != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        if (Upper(text[i]) != device[i])
            return false;
    }
    return true;
}

bool IsDeviceName(const wchar_t* name, size_t length)
{
    for (const wchar_t* device : kPlainDevices) {
        if (SameLetters(name, length, device))
            return true;
    }
    return length == 4 && (SameLetters(name, 3, L"COM") || SameLetters(name, 3, L"LPT")) && IsPortDigit(name[3]);
}

// "\\server\pipe\..." and "\\server\mailslot\...", on any server, this
// machine's own name and "localhost" included: a pipe's server could answer
// as an entry, or act as whoever opened it.
bool IntoPipesOrMailslots(const wchar_t* path)
{
    if (!IsSeparator(path[0]) || !IsSeparator(path[1]))
        return false;
    const wchar_t* server = path + 2;
    while (*server != L'\0' && !IsSeparator(*server))
        ++server;
    if (*server == L'\0' || server == path + 2)
        return false;
    const wchar_t* share = server + 1;
    size_t length = 0;
    while (share[length] != L'\0' && !IsSeparator(share[length]))
        ++length;
    return SameLetters(share, length, L"PIPE") || SameLetters(share, length, L"MAILSLOT");
}

}  // namespace

bool NamesDevice(const char* path)
{
    if (path == NULL)
        return false;
    wchar_t wide[kWidePathSize];
    if (path[0] == '\0')
        return false;
    // The code page the file functions convert with: a host may have set
    // them to the OEM one (SetFileApisToOEM).
    UINT codePage = AreFileApisANSI() ? CP_ACP : CP_OEMCP;
    if (MultiByteToWideChar(codePage, 0, path, -1, wide, kWidePathSize) == 0)
        return true;
    if (IntoDeviceNamespace(wide) || IntoPipesOrMailslots(wide))
        return true;

    const wchar_t* name = wide;
    if (wide[0] != L'\0' && wide[1] == L':')
        name = wide + 2;
    for (const wchar_t* c = name; *c != L'\0'; ++c) {
        if (IsSeparator(*c))
            name = c + 1;
    }
    // Windows reads the device from the name up to its first dot or colon,
    // blanks at its end left out: "CON .txt" and "COM1:" are devices too.
    size_t length = wcscspn(name, L".:");
    while (length > 0 && name[length - 1] == L' ')
        --length;
    return IsDeviceName(name, length);
}
