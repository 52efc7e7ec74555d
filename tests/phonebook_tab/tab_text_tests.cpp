// The sample host's texts in the library's eight languages, checked as the
// library's own are: every string in every language with the inserts and line
// breaks of English (in any order: a language may turn a sentence round), a
// keyboard mnemonic on every menu item that no other item of its menu shares,
// and nothing that the language's ANSI code page cannot hold. The texts are
// linked into this program, as into phonebook-tab.exe.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <regex>

#include "Languages.h"
#include "resource.h"
#include "resources/TabResources.h"

namespace {

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

// A menu loaded from one language's template exactly, destroyed with the
// owner.
class MenuResource
{
public:
    MenuResource(HMODULE module, UINT id, LANGID language)
    {
        HRSRC found = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_MENU), MAKEINTRESOURCEW(id), language);
        HGLOBAL loaded = found != NULL ? LoadResource(module, found) : NULL;
        if (loaded != NULL)
            menu_ = LoadMenuIndirectW(LockResource(loaded));
    }
    ~MenuResource()
    {
        if (menu_ != NULL)
            DestroyMenu(menu_);
    }
    MenuResource(const MenuResource&) = delete;
    MenuResource& operator=(const MenuResource&) = delete;
    HMENU get() const { return menu_; }

private:
    HMENU menu_ = NULL;
};

class TabTexts : public ::testing::TestWithParam<Language>
{
};

TEST_P(TabTexts, StringsKeepInsertsLineBreaksAndTheCodePage)
{
    const Language& language = GetParam();
    HMODULE module = GetModuleHandleA(NULL);
    for (UINT id = IDS_APP_TITLE; id <= IDS_LAST_TEXT; ++id) {
        SCOPED_TRACE(testing::Message() << language.tag << " string " << id);
        bool haveEnglish = false, haveTranslation = false;
        std::wstring english = LoadExactString(module, id, kEnglish, &haveEnglish);
        std::wstring translated = LoadExactString(module, id, language.id, &haveTranslation);
        ASSERT_TRUE(haveEnglish);
        ASSERT_TRUE(haveTranslation);
        std::vector<std::string> expected = Placeholders(english), found = Placeholders(translated);
        std::sort(expected.begin(), expected.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(expected, found) << Utf8(translated);
        EXPECT_EQ(CountOf(english, L'\n'), CountOf(translated, L'\n')) << Utf8(translated);
        EXPECT_EQ(CountOf(english, L'|'), CountOf(translated, L'|')) << Utf8(translated);
        EXPECT_TRUE(FitsCodePage(translated, language.codePage)) << Utf8(translated);
    }
}

// The menu bar and each of its menus: a key per item, none twice, in
// Japanese and Chinese in brackets after the text, "接続(&C)".
TEST_P(TabTexts, EveryMenuItemHasAKeyOfItsOwn)
{
    const Language& language = GetParam();
    bool bracketed = PRIMARYLANGID(language.id) == LANG_JAPANESE || PRIMARYLANGID(language.id) == LANG_CHINESE;
    static const std::wregex bracketedMnemonic(L"\\(&[A-Z0-9]\\)(\\.\\.\\.)?(\\t.*)?$");
    MenuResource bar(GetModuleHandleA(NULL), IDR_MAIN_MENU, language.id);
    ASSERT_NE(nullptr, bar.get()) << language.tag;
    std::vector<HMENU> menus = {bar.get()};
    size_t items = 0;
    for (size_t m = 0; m < menus.size(); ++m) {
        std::map<wchar_t, std::wstring> seen;
        for (int i = 0; i < GetMenuItemCount(menus[m]); ++i) {
            wchar_t text[256] = L"";
            MENUITEMINFOW info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_FTYPE;
            info.dwTypeData = text;
            info.cch = 256;
            ASSERT_TRUE(GetMenuItemInfoW(menus[m], i, TRUE, &info));
            if (info.fType & MFT_SEPARATOR)
                continue;
            if (info.hSubMenu != NULL)
                menus.push_back(info.hSubMenu);
            ++items;
            std::wstring item = text;
            SCOPED_TRACE(testing::Message() << language.tag << " menu " << m << ": " << Utf8(item));
            EXPECT_TRUE(FitsCodePage(item, language.codePage));
            wchar_t key = Mnemonic(item);
            ASSERT_NE(0, key);
            auto inserted = seen.emplace(key, item);
            EXPECT_TRUE(inserted.second) << "shares its key with " << Utf8(inserted.first->second);
            if (bracketed) {
                EXPECT_TRUE(std::regex_search(item, bracketedMnemonic));
            }
        }
    }
    EXPECT_EQ(21u, items);   // three menus on the bar, eighteen commands
}

// The library's wizard ends with "click the File menu and then click
// Properties": the sample's first menu is that File menu, with the commands
// of one connection, named as the wizard's last page names them.
TEST_P(TabTexts, TheFileMenuIsTheOneTheWizardNames)
{
    const Language& language = GetParam();
    MenuResource bar(GetModuleHandleA(NULL), IDR_MAIN_MENU, language.id);
    ASSERT_NE(nullptr, bar.get()) << language.tag;
    HMENU file = GetSubMenu(bar.get(), 0);
    ASSERT_NE(nullptr, file) << language.tag;
    std::vector<UINT> commands;
    for (int i = 0; i < GetMenuItemCount(file); ++i) {
        if (GetMenuItemID(file, i) != 0)
            commands.push_back(GetMenuItemID(file, i));
    }
    EXPECT_EQ((std::vector<UINT>{IDM_NEW, IDM_PROPERTIES, IDM_DELETE, IDM_RENAME, IDM_EXIT}), commands)
        << language.tag;

    // The menu's word and the item's, without their keys and shortcuts.
    auto word = [](HMENU menu, UINT item, UINT flags) {
        wchar_t text[256] = L"";
        GetMenuStringW(menu, item, text, 256, flags);
        std::wstring shown = text;
        shown = shown.substr(0, shown.find(L'\t'));
        size_t bracket = shown.find(L"(&");
        if (bracket != std::wstring::npos)
            shown.erase(bracket);
        shown.erase(std::remove(shown.begin(), shown.end(), L'&'), shown.end());
        return shown;
    };
    DialogTemplate finish = LoadTemplate(GetModuleHandleA("PhoneBk.dll"), IDD_WIZ_FINISH, language.id);
    ASSERT_TRUE(finish.found) << language.tag;
    std::wstring note;
    for (const TemplateItem& item : finish.items) {
        if (item.text.find(word(bar.get(), 0, MF_BYPOSITION)) != std::wstring::npos)
            note = item.text;
    }
    EXPECT_NE(L"", note) << language.tag << ": no text of the last page names " << Utf8(word(bar.get(), 0, MF_BYPOSITION));
    EXPECT_NE(std::wstring::npos, note.find(word(file, IDM_PROPERTIES, MF_BYCOMMAND)))
        << language.tag << ": " << Utf8(note);
}

INSTANTIATE_TEST_SUITE_P(EightLanguages, TabTexts, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             std::string name = info.param.tag;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

}  // namespace
