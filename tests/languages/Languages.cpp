#include "Languages.h"

#include <algorithm>
#include <regex>

#include <wctype.h>

#include "resource.h"

#define PHONEBK_TEST_LANGUAGE(tag, id, codePage, help) {tag, id, codePage, help},
const Language kLanguages[PHONEBK_LANGUAGE_COUNT] = {PHONEBK_LANGUAGES(PHONEBK_TEST_LANGUAGE)};
#undef PHONEBK_TEST_LANGUAGE

const Language* FindLanguage(const std::string& tag)
{
    for (const Language& language : kLanguages) {
        if (tag == language.tag)
            return &language;
    }
    return nullptr;
}

const int kDialogIds[] = {
    IDD_CONNECTION_TYPE, IDD_WIZ_NAME_DEVICE, IDD_WIZ_WORKSTATION, IDD_WIZ_LOGIN,
    IDD_WIZ_DIALUP_LINK, IDD_WIZ_FINISH, IDD_WIZ_PHONE_NUMBER, IDD_WIZ_UTILITIES,
    IDD_GENERAL, IDD_LOGIN, IDD_STARTUP, IDD_STARTUP_CONNECT_DIALOG,
    IDD_CONFIRM_DELETE, IDD_CONFIRM_DELETE_MANY,
};
const size_t kDialogCount = sizeof(kDialogIds) / sizeof(kDialogIds[0]);

const UINT kStringIds[] = {
    IDS_PHONE_BOOK, IDS_LINE_CONFIG_FAILED, IDS_COMPLETE_PHONE_NUMBER, IDS_NAME_INVALID_CHARACTERS,
    IDS_NAME_EXISTS, IDS_NAME_RESERVED, IDS_MODEM_IN_USE, IDS_NAME_BLANK,
    IDS_PASSWORD_WITHOUT_LOGIN, IDS_PASSWORD_TOO_SHORT, IDS_PASSWORDS_DIFFER,
    IDS_ENTRY_INCOMPATIBLE, IDS_NAME_TOO_LONG, IDS_ENTRY_NOT_SAVED, IDS_CREATE_NEW_CONNECTION,
    IDS_PROPERTIES_CAPTION, IDS_SELECT_DIALUP_ENTRY, IDS_DIALUP_NOT_INSTALLED,
    IDS_DIALUP_PHONEBOOK_ERROR,
};
const size_t kStringCount = sizeof(kStringIds) / sizeof(kStringIds[0]);

namespace {

// Reads the extended template's variable-length fields in order.
class TemplateReader
{
public:
    explicit TemplateReader(const BYTE* data) : at_(data) {}
    template <class T>
    T Take()
    {
        T value;
        memcpy(&value, at_, sizeof(T));
        at_ += sizeof(T);
        return value;
    }
    // A name or an ordinal (0xFFFF then the number).
    std::wstring NameOrOrdinal(bool* ordinal = nullptr)
    {
        WORD first = Take<WORD>();
        if (ordinal != nullptr)
            *ordinal = first == 0xFFFF;
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Take<WORD>());
        std::wstring text;
        for (WORD c = first; c != 0; c = Take<WORD>())
            text += static_cast<wchar_t>(c);
        return text;
    }
    void AlignToDword(const BYTE* base)
    {
        size_t offset = static_cast<size_t>(at_ - base);
        at_ += (4 - offset % 4) % 4;
    }
    void Skip(size_t bytes) { at_ += bytes; }

private:
    const BYTE* at_;
};

}  // namespace

DialogTemplate LoadTemplate(HMODULE module, int id, LANGID language)
{
    DialogTemplate dialog;
    HRSRC resource = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_DIALOG), MAKEINTRESOURCEW(id), language);
    if (resource == NULL)
        return dialog;
    HGLOBAL loaded = LoadResource(module, resource);
    const BYTE* base = static_cast<const BYTE*>(LockResource(loaded));
    if (base == nullptr)
        return dialog;
    TemplateReader reader(base);
    WORD version = reader.Take<WORD>();
    WORD signature = reader.Take<WORD>();
    // The library's templates are extended ones; the system's own (the sheet
    // frames of comctl32) may be plain DLGTEMPLATEs, which differ in where the
    // styles and the ids lie and carry no help ids.
    bool extended = version == 1 && signature == 0xFFFF;
    if (!extended)
        reader = TemplateReader(base);
    dialog.raw = base;
    if (extended) {
        reader.Take<DWORD>();   // help id
        dialog.exStyle = reader.Take<DWORD>();
        dialog.style = reader.Take<DWORD>();
    } else {
        dialog.style = reader.Take<DWORD>();
        dialog.exStyle = reader.Take<DWORD>();
    }
    WORD count = reader.Take<WORD>();
    reader.Take<short>();
    reader.Take<short>();
    dialog.cx = reader.Take<short>();
    dialog.cy = reader.Take<short>();
    reader.NameOrOrdinal();   // menu
    reader.NameOrOrdinal();   // class
    dialog.caption = reader.NameOrOrdinal();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = reader.Take<WORD>();
        if (extended) {
            reader.Take<WORD>();   // weight
            reader.Take<BYTE>();   // italic
            reader.Take<BYTE>();   // character set
        }
        dialog.font = reader.NameOrOrdinal();
    }
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword(base);
        TemplateItem item;
        if (extended) {
            reader.Take<DWORD>();   // help id
            item.exStyle = reader.Take<DWORD>();
            item.style = reader.Take<DWORD>();
        } else {
            item.style = reader.Take<DWORD>();
            item.exStyle = reader.Take<DWORD>();
        }
        item.x = reader.Take<short>();
        item.y = reader.Take<short>();
        item.cx = reader.Take<short>();
        item.cy = reader.Take<short>();
        item.id = extended ? reader.Take<DWORD>() : reader.Take<WORD>();
        item.windowClass = reader.NameOrOrdinal();
        bool ordinalTitle = false;
        std::wstring title = reader.NameOrOrdinal(&ordinalTitle);
        if (!ordinalTitle)
            item.text = title;
        reader.Skip(reader.Take<WORD>());   // creation data
        dialog.items.push_back(item);
    }
    dialog.found = true;
    return dialog;
}

namespace {
BOOL CALLBACK AddLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR list)
{
    reinterpret_cast<std::vector<LANGID>*>(list)->push_back(language);
    return TRUE;
}
}  // namespace

std::vector<LANGID> ResourceLanguages(HMODULE module, LPCWSTR type, UINT id)
{
    std::vector<LANGID> languages;
    EnumResourceLanguagesW(module, type, MAKEINTRESOURCEW(id), AddLanguage,
                           reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

std::wstring LoadExactString(HMODULE module, UINT id, LANGID language, bool* found)
{
    *found = false;
    HRSRC resource = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_STRING),
                                     MAKEINTRESOURCEW(id / 16 + 1), language);
    if (resource == NULL)
        return L"";
    const WORD* at = static_cast<const WORD*>(LockResource(LoadResource(module, resource)));
    if (at == nullptr)
        return L"";
    // A block holds sixteen counted strings; an empty one is a string that
    // is not there.
    for (UINT i = 0; i < id % 16; ++i)
        at += 1 + *at;
    if (*at == 0)
        return L"";
    *found = true;
    return std::wstring(reinterpret_cast<const wchar_t*>(at + 1), *at);
}

std::string InCodePage(const std::wstring& text, UINT codePage)
{
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), NULL, 0, NULL, NULL);
    std::string out(size, '\0');
    WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), &out[0], size, NULL, NULL);
    return out;
}

std::string Utf8(const std::wstring& text)
{
    return InCodePage(text, CP_UTF8);
}

wchar_t Mnemonic(const std::wstring& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != L'&')
            continue;
        if (text[i + 1] == L'&') {
            ++i;
            continue;
        }
        return static_cast<wchar_t>(towupper(text[i + 1]));
    }
    return 0;
}

std::vector<std::string> Placeholders(const std::wstring& text)
{
    static const std::regex placeholder("%(\\d+!\\w+!|\\w)");
    std::string utf8 = Utf8(text);
    std::vector<std::string> found;
    for (std::sregex_iterator it(utf8.begin(), utf8.end(), placeholder), end; it != end; ++it)
        found.push_back(it->str());
    return found;
}

size_t CountOf(const std::wstring& text, wchar_t c)
{
    return static_cast<size_t>(std::count(text.begin(), text.end(), c));
}

bool FitsCodePage(const std::wstring& text, UINT codePage)
{
    BOOL lost = FALSE;
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.c_str(), -1, NULL, 0, NULL, &lost);
    return !lost;
}
