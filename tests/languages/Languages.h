// The languages of the library's resources (resources/languages.txt), and reading its dialog
// templates and string table in one language exactly (no fallback), as the
// resource tests and the per-language run-time tests need them.
#ifndef PHONEBK_LANGUAGES_H
#define PHONEBK_LANGUAGES_H

#include <windows.h>
#include <string>
#include <vector>

#include "PhoneBkLanguages.h"

struct Language {
    const char* tag;      // "de-DE": the screenshot folder, the script's name
    LANGID id;
    UINT codePage;        // the system's ANSI code page under that locale
    const char* help;     // its help file, beside the host
};

extern const Language kLanguages[PHONEBK_LANGUAGE_COUNT];   // English first
const Language* FindLanguage(const std::string& tag);

// Every dialog and page template of the library, and every string id.
extern const int kDialogIds[];
extern const size_t kDialogCount;
extern const UINT kStringIds[];
extern const size_t kStringCount;

struct TemplateItem {
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    DWORD id = 0;
    std::wstring windowClass;   // a name, or "#0x80" style ordinal text
    std::wstring text;          // empty for an ordinal title (icons, bitmaps)
};

struct DialogTemplate {
    bool found = false;
    DWORD style = 0;
    DWORD exStyle = 0;
    short cx = 0, cy = 0;
    std::wstring caption;
    WORD pointSize = 0;
    std::wstring font;
    std::vector<TemplateItem> items;
    const void* raw = nullptr;  // the template itself, for CreateDialogIndirect
};

// The languages resource `id` of `type` exists in. A lookup in one language
// falls back to others, so only a language listed here is read exactly.
std::vector<LANGID> ResourceLanguages(HMODULE module, LPCWSTR type, UINT id);

// Template `id` in `language`, extended or plain.
DialogTemplate LoadTemplate(HMODULE module, int id, LANGID language);
// String `id` in `language`; found is false where it has none.
std::wstring LoadExactString(HMODULE module, UINT id, LANGID language, bool* found);

std::string InCodePage(const std::wstring& text, UINT codePage);
std::string Utf8(const std::wstring& text);
// The mnemonic letter of a control text ("&&" is a literal &), upper-cased;
// 0 where there is none.
wchar_t Mnemonic(const std::wstring& text);
// The message inserts of a text (%1!s!, %2, %n), in their order.
std::vector<std::string> Placeholders(const std::wstring& text);
// How often `c` occurs in `text`.
size_t CountOf(const std::wstring& text, wchar_t c);
// Whether every character of `text` exists in the ANSI code page.
bool FitsCodePage(const std::wstring& text, UINT codePage);

#endif
