#include "EntryNames.h"

#include <windows.h>
#include <mbstring.h>
#include <string.h>

#include "DeviceNames.h"

const char kForbiddenNameCharacters[] = "\\/:*?\"<>|";

namespace {

// Tabs, line breaks and the other control characters (1 to 31) are refused
// by every file system Windows names files on. No code page the library runs
// under has them as the trail byte of a double-byte character.
bool HoldsControlCharacter(const char* name)
{
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(name); *c != '\0'; ++c) {
        if (*c < 0x20)
            return true;
    }
    return false;
}

bool EndsWithEntryExtension(const char* name)
{
    size_t length = strlen(name);
    return length >= 4 && _stricmp(name + length - 4, ".vmr") == 0;
}

}  // namespace

EntryNameProblem FindEntryNameProblem(const char* directory, const char* name)
{
    if (name == NULL || name[strspn(name, " ")] == '\0')
        return kNameBlank;
    // The multibyte-aware search, in the code page the C runtime took from the
    // system at start-up: a trail byte never counts as one of them.
    if (_mbspbrk(reinterpret_cast<const unsigned char*>(name),
                 reinterpret_cast<const unsigned char*>(kForbiddenNameCharacters)) != NULL ||
        HoldsControlCharacter(name))
        return kNameForbiddenCharacter;
    if (NamesDevice(name))
        return kNameDevice;
    if (directory != NULL && directory[0] != '\0') {
        size_t length = strlen(directory) + strlen(name) + (EndsWithEntryExtension(name) ? 0 : 4);
        if (length >= MAX_PATH)
            return kNameTooLong;
    }
    return kNameUsable;
}
