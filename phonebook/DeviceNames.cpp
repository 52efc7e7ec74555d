#include "DeviceNames.h"

#include <mbstring.h>
#include <string.h>

namespace {

const char* const kDevices[] = {"CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4",
                                "COM5", "COM6", "COM7", "COM8", "COM9", "LPT1", "LPT2", "LPT3",
                                "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

// The file part of a path; searched multibyte-aware, so that the trail byte
// of a double-byte character is never taken for a separator.
const unsigned char* FilePart(const unsigned char* path)
{
    const unsigned char* start = path;
    if (path[0] != '\0' && path[1] == ':')
        start = path + 2;
    for (const char* separators = "\\/"; *separators != '\0'; ++separators) {
        const unsigned char* last = _mbsrchr(path, static_cast<unsigned char>(*separators));
        if (last != NULL && last + 1 > start)
            start = last + 1;
    }
    return start;
}

bool SameLetters(const unsigned char* text, size_t length, const char* device)
{
    if (strlen(device) != length)
        return false;
    for (size_t i = 0; i < length; ++i) {
        unsigned char c = text[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<unsigned char>(c - 'a' + 'A');
        if (c != static_cast<unsigned char>(device[i]))
            return false;
    }
    return true;
}

}  // namespace

bool NamesDevice(const char* path)
{
    if (path == NULL)
        return false;
    const unsigned char* name = FilePart(reinterpret_cast<const unsigned char*>(path));
    // Windows reads the device from the name up to its first dot or colon,
    // blanks at its end left out: "CON .txt" and "COM1:" are devices too.
    const unsigned char* end = _mbspbrk(name, reinterpret_cast<const unsigned char*>(".:"));
    size_t length = end != NULL ? static_cast<size_t>(end - name) : strlen(reinterpret_cast<const char*>(name));
    while (length > 0 && name[length - 1] == ' ')
        --length;
    for (const char* device : kDevices) {
        if (SameLetters(name, length, device))
            return true;
    }
    return false;
}
