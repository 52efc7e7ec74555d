#include "HostText.h"

#include <string.h>

namespace {

// FormatMessage's buffer, released with LocalFree.
class LocalText
{
public:
    LocalText() = default;
    ~LocalText()
    {
        if (text_ != NULL)
            LocalFree(text_);
    }
    LocalText(const LocalText&) = delete;
    LocalText& operator=(const LocalText&) = delete;
    char** out() { return &text_; }
    const char* get() const { return text_; }

private:
    char* text_ = NULL;
};

// The offset just past the last backslash, stepping over whole characters.
size_t AfterLastBackslash(const std::string& path)
{
    size_t after = 0;
    const char* start = path.c_str();
    for (const char* at = start; *at != '\0'; at = CharNextA(at)) {
        if (*at == '\\')
            after = static_cast<size_t>(at - start) + 1;
    }
    return after;
}

}  // namespace

std::string LoadText(UINT id)
{
    char text[2048];
    int length = LoadStringA(GetModuleHandleA(NULL), id, text, sizeof(text));
    return length > 0 ? std::string(text, static_cast<size_t>(length)) : std::string();
}

std::string FormatText(const std::string& pattern, const std::vector<DWORD_PTR>& inserts)
{
    if (pattern.empty())
        return std::string();
    LocalText text;
    DWORD flags = FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_ARGUMENT_ARRAY;
    // An insert the pattern names but the caller did not give would be read
    // past the array: give the formatter a few spare zeros.
    std::vector<DWORD_PTR> arguments(inserts);
    arguments.resize(inserts.size() + 4, 0);
    DWORD length = FormatMessageA(flags, pattern.c_str(), 0, 0, reinterpret_cast<char*>(text.out()), 0,
                                  reinterpret_cast<va_list*>(arguments.data()));
    if (length == 0 || text.get() == NULL)
        return std::string();
    return std::string(text.get(), length);
}

std::string FormatText(UINT id, const std::vector<DWORD_PTR>& inserts)
{
    return FormatText(LoadText(id), inserts);
}

std::string FileNamePart(const std::string& path)
{
    return path.substr(AfterLastBackslash(path));
}

std::string DirectoryPart(const std::string& path)
{
    return path.substr(0, AfterLastBackslash(path));
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           lstrcmpiA(text.c_str() + text.size() - suffix.size(), suffix.c_str()) == 0;
}

bool HoldsAnyOf(const std::string& text, const char* characters)
{
    for (const char* at = text.c_str(); *at != '\0'; at = CharNextA(at)) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(*at)) && strchr(characters, *at) != NULL)
            return true;
    }
    return false;
}

std::string TrimBlanks(const std::string& text)
{
    size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::string FoldCase(const std::string& text)
{
    if (text.empty())
        return text;
    int length = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()),
                              NULL, 0);
    if (length <= 0)
        return text;
    std::string folded(static_cast<size_t>(length), '\0');
    LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, text.c_str(), static_cast<int>(text.size()), &folded[0],
                 length);
    return folded;
}

bool HoldsText(const std::string& text, const std::string& part)
{
    if (part.empty())
        return true;
    for (const char* at = text.c_str(); *at != '\0'; at = CharNextA(at)) {
        if (strncmp(at, part.c_str(), part.size()) == 0)
            return true;
    }
    return false;
}

int CompareNoCase(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) - CSTR_EQUAL;
}

void CopyText(char* buffer, int size, const std::string& text)
{
    if (buffer == NULL || size <= 0)
        return;
    size_t length = 0;
    for (const char* at = text.c_str(); *at != '\0';) {
        const char* next = CharNextA(at);
        size_t end = static_cast<size_t>(next - text.c_str());
        if (end >= static_cast<size_t>(size))
            break;
        length = end;
        at = next;
    }
    memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

std::string SortKey(const std::string& text)
{
    DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    int length = LCMapStringA(LOCALE_USER_DEFAULT, flags, text.c_str(), static_cast<int>(text.size()), NULL, 0);
    if (length <= 0)
        return std::string();
    std::string key(static_cast<size_t>(length), '\0');
    LCMapStringA(LOCALE_USER_DEFAULT, flags, text.c_str(), static_cast<int>(text.size()), &key[0], length);
    key.resize(strlen(key.c_str()));   // the key ends with a zero of its own
    return key;
}
