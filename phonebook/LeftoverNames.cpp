#include "LeftoverNames.h"

#include <string.h>
#include <windows.h>

#include "TextCopy.h"

const char kTemporaryExtension[] = ".tmp";
const char kJournalExtension[] = ".job";
const char kPreparedExtension[] = ".new";

namespace {

const char kNumberedPrefix[] = "~vmr";
const char kAsideExtension[] = ".vm~";
const char kEntryExtension[] = ".vmr";

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool IsNumberedName(const char* name, const char* extension)
{
    if (strlen(name) != kNumberedNameLength || _strnicmp(name, kNumberedPrefix, 4) != 0 ||
        _stricmp(name + 8, extension) != 0)
        return false;
    for (int i = 4; i < 8; ++i) {
        if (!IsHexDigit(name[i]))
            return false;
    }
    return true;
}

bool EndsWith(const char* text, const char* ending)
{
    size_t length = strlen(text), endingLength = strlen(ending);
    return length > endingLength && _stricmp(text + length - endingLength, ending) == 0;
}

}  // namespace

LeftoverKind LeftoverKindOf(const char* fileName)
{
    if (fileName == NULL)
        return kNotLeftover;
    if (IsNumberedName(fileName, kTemporaryExtension))
        return kTemporaryLeftover;
    if (IsNumberedName(fileName, kJournalExtension))
        return kJournalLeftover;
    if (IsNumberedName(fileName, kPreparedExtension))
        return kPreparedLeftover;
    return EndsWith(fileName, kAsideExtension) ? kAsideLeftover : kNotLeftover;
}

void FormatNumberedName(unsigned number, const char* extension, char* name)
{
    static const char digits[] = "0123456789ABCDEF";
    CopyWhole(name, kNumberedNameLength + 1, kNumberedPrefix);
    for (int i = 0; i < 4; ++i)
        name[4 + i] = digits[(number >> (12 - 4 * i)) & 0xF];
    name[8] = '\0';
    AppendWhole(name, kNumberedNameLength + 1, extension);
}

bool AsidePath(const char* path, char* aside)
{
    if (!EndsWith(path, kEntryExtension) || !CopyWhole(aside, MAX_PATH, path))
        return false;
    aside[strlen(aside) - 1] = '~';
    return true;
}

bool EntryPathOfAside(const char* aside, char* path)
{
    if (!CopyWhole(path, MAX_PATH, aside))
        return false;
    path[strlen(path) - 1] = aside[strlen(aside) - 2] == 'M' ? 'R' : 'r';
    return true;
}

bool PathBeside(const char* directory, const char* name, char* path)
{
    size_t length = strlen(directory);
    bool separated = EndsWithBackslash(directory) || (length > 0 && directory[length - 1] == '/');
    return CopyWhole(path, MAX_PATH, directory) && (separated || AppendWhole(path, MAX_PATH, "\\")) &&
           AppendWhole(path, MAX_PATH, name);
}

bool IsExistingFile(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
