#include "TextCopy.h"

#include <mbstring.h>
#include <string.h>

void CopyBounded(char* dest, const char* source, size_t count)
{
    if (count == 0)
        return;
    _mbsnbcpy(reinterpret_cast<unsigned char*>(dest),
              reinterpret_cast<const unsigned char*>(source), count);
    // Not every C runtime pads after the terminator; the fields rely on it.
    size_t copied = strnlen(dest, count);
    if (copied < count)
        memset(dest + copied, 0, count - copied);
}

void CopyTerminated(char* dest, const char* source, size_t size)
{
    if (size == 0)
        return;
    CopyBounded(dest, source, size - 1);
    dest[size - 1] = '\0';
}

void StoreFieldText(char* field, size_t width, const char* text)
{
    if (text == NULL)
        text = "";
    size_t length = strnlen(text, width);
    if (length < width) {
        memcpy(field, text, length + 1);
        return;
    }
    CopyBounded(field, text, width - 1);
    field[width - 1] = '\0';
}

void FetchFieldText(const char* field, size_t width, char* buffer, size_t size)
{
    if (buffer == NULL || size == 0)
        return;
    // A field read from a hostile file need not hold a terminator: copy no
    // more than the field, and zero the rest of the buffer ourselves. The
    // terminator gets a byte of its own: writing it over the buffer's last
    // copied byte could leave a lone lead byte before it, and multibyte
    // string functions would then read the terminator as that character's
    // trail byte and run on past the string.
    size_t count = size - 1 < width ? size - 1 : width;
    CopyBounded(buffer, field, count);
    memset(buffer + count, 0, size - count);
}

bool AppendWhole(char* buffer, size_t size, const char* text)
{
    size_t used = strnlen(buffer, size);
    size_t length = strlen(text);
    if (used >= size || length >= size - used)
        return false;
    memcpy(buffer + used, text, length + 1);
    return true;
}

bool CopyWhole(char* buffer, size_t size, const char* text)
{
    size_t length = strlen(text);
    if (length >= size)
        return false;
    memcpy(buffer, text, length + 1);
    return true;
}

bool EndsWithBackslash(const char* text)
{
    size_t length = strlen(text);
    if (length == 0 || text[length - 1] != '\\')
        return false;
    const unsigned char* start = reinterpret_cast<const unsigned char*>(text);
    return _ismbstrail(start, start + length - 1) == 0;
}
