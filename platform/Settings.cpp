#include "Settings.h"

#include <mbstring.h>
#include <stdlib.h>

#include "TextCopy.h"

namespace {

const char kPlatformModule[] = "platform";
const char kSharedSettingsFile[] = "VMR32.INI";
const char kInstallTypeKey[] = "InstallType";
const char kSharedInstall[] = "Shared";
const char kAllowTapiKey[] = "AllowTAPI";

// Boolean words are read into a buffer of this size: a longer value is cut and
// so matches no word.
const DWORD kBoolValueSize = 20;

const char* const kTrueWords[] = {"On", "True", "Yes"};
const char* const kFalseWords[] = {"Off", "False", "No"};

// IsTapiAllowed's answer is kept for the life of the process. Two threads
// racing on the first call read the same file and store the same answer, so
// there is no lock; the mark is set only after the answer is stored, so that
// no thread takes the mark for an answer that is not there yet.
volatile bool tapiSwitchRead = false;
volatile int tapiAllowed = 0;

bool SameText(const char* left, const char* right)
{
    return _mbsicmp(reinterpret_cast<const unsigned char*>(left),
                    reinterpret_cast<const unsigned char*>(right)) == 0;
}

template <size_t N>
bool IsOneOf(const char* value, const char* const (&words)[N])
{
    for (const char* word : words) {
        if (SameText(value, word))
            return true;
    }
    return false;
}

}  // namespace

int LocateSettingsFile(char* path)
{
    if (path == NULL)
        return 0;

    // A null handle (no "platform" module in the host) names the executable.
    HMODULE module = GetModuleHandleA(kPlatformModule);
    char modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameA(module, modulePath, sizeof(modulePath));
    // A path that filled the buffer was cut, and would name another folder.
    if (length == 0 || length >= sizeof(modulePath))
        return 0;

    // No part of a path is longer than the path itself, so these cannot
    // overrun whatever the C runtime takes for its limits.
    char drive[MAX_PATH];
    char directory[MAX_PATH];
    char name[MAX_PATH];
    char extension[MAX_PATH];
    _splitpath(modulePath, drive, directory, name, extension);
    // _splitpath gives up on a directory part of 256 bytes or more and leaves
    // every part empty; the bare name would then be the shared copy.
    if (drive[0] == '\0' && directory[0] == '\0')
        return 0;
    // The new name can be longer than the module's own: compose with room to
    // spare, then take the result only when it fits the caller's 260 bytes.
    char localCopy[2 * MAX_PATH];
    _makepath(localCopy, drive, directory, "VMR32", "INI");
    if (!CopyWhole(path, MAX_PATH, localCopy))
        return 0;

    // Only the local copy decides: an InstallType in the shared copy is
    // never read.
    char installType[MAX_PATH];
    GetPrivateProfileStringA(kSettingsSection, kInstallTypeKey, "", installType,
                             sizeof(installType), localCopy);
    if (SameText(installType, kSharedInstall))
        CopyWhole(path, MAX_PATH, kSharedSettingsFile);
    return 1;
}

DWORD ReadSettingString(const char* section, const char* key, const char* defaultText,
                        char* buffer, DWORD size)
{
    if (buffer == NULL || size == 0)
        return 0;
    char path[MAX_PATH];
    if (!LocateSettingsFile(path))
        return 0;
    return GetPrivateProfileStringA(section, key, defaultText, buffer, size, path);
}

int ReadSettingBool(const char* section, const char* key, int defaultValue)
{
    const char* defaultText = defaultValue != 0 ? "On" : "Off";
    // Starting from the default word makes an unlocatable file, which leaves
    // the buffer alone, give the default like a missing key does.
    char value[kBoolValueSize];
    CopyWhole(value, sizeof(value), defaultText);
    ReadSettingString(section, key, defaultText, value, sizeof(value));

    if (IsOneOf(value, kTrueWords))
        return 1;
    if (IsOneOf(value, kFalseWords))
        return 0;
    return defaultValue;
}

BOOL WriteSettingString(const char* section, const char* key, const char* value)
{
    char path[MAX_PATH];
    if (!LocateSettingsFile(path))
        return FALSE;
    BOOL written = WritePrivateProfileStringA(section, key, value, path);
    // The system may hold the file in a cache of its own; this writes it out
    // so that another process reading it next sees the value. Its answer says
    // nothing about the value (Wine answers 0 here).
    WritePrivateProfileStringA(NULL, NULL, NULL, path);
    return written;
}

int IsTapiAllowed()
{
    if (!tapiSwitchRead) {
        tapiAllowed = ReadSettingBool(kSettingsSection, kAllowTapiKey, 1);
        tapiSwitchRead = true;
    }
    return tapiAllowed;
}
