// The library's resources in its eight languages, read from PhoneBk.dll as
// data: every dialog and string in each language, the same controls and
// styles as English, the same placeholders and line breaks, and keyboard
// mnemonics that a dialog never repeats, nor a page the buttons of its sheet.
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "Languages.h"
#include "resource.h"

namespace {

class Resources : public ::testing::TestWithParam<Language>
{
protected:
    static void SetUpTestSuite()
    {
        module = LoadLibraryExA("PhoneBk.dll", NULL, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(nullptr, module);
    }
    static void TearDownTestSuite() { FreeLibrary(module); }
    static HMODULE module;
};
HMODULE Resources::module = NULL;

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

bool IsSimplifiedChineseGeneralPage(LANGID language, int dialog)
{
    return language == MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED) && dialog == IDD_GENERAL;
}

// Each resource exists in exactly the eight languages, no more and no fewer.
TEST(ResourceLanguages, EveryDialogAndStringBlockHasTheEightLanguages)
{
    HMODULE module = LoadLibraryExA("PhoneBk.dll", NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, module);
    std::set<LANGID> expected;
    for (const Language& language : kLanguages)
        expected.insert(language.id);
    for (size_t i = 0; i < kDialogCount; ++i) {
        std::vector<LANGID> found = ResourceLanguages(module, reinterpret_cast<LPCWSTR>(RT_DIALOG), kDialogIds[i]);
        EXPECT_EQ(expected, std::set<LANGID>(found.begin(), found.end())) << "dialog " << kDialogIds[i];
    }
    std::set<UINT> blocks;
    for (size_t i = 0; i < kStringCount; ++i)
        blocks.insert(kStringIds[i] / 16 + 1);
    for (UINT block : blocks) {
        std::vector<LANGID> found = ResourceLanguages(module, reinterpret_cast<LPCWSTR>(RT_STRING), block);
        EXPECT_EQ(expected, std::set<LANGID>(found.begin(), found.end())) << "string block " << block;
    }
    FreeLibrary(module);
}

TEST_P(Resources, DialogsMatchEnglish)
{
    const Language& language = GetParam();
    for (size_t d = 0; d < kDialogCount; ++d) {
        int id = kDialogIds[d];
        SCOPED_TRACE(testing::Message() << language.tag << " dialog " << id);
        DialogTemplate english = LoadTemplate(module, id, kEnglish);
        DialogTemplate translated = LoadTemplate(module, id, language.id);
        ASSERT_TRUE(english.found);
        ASSERT_TRUE(translated.found);
        EXPECT_EQ(english.style, translated.style);
        EXPECT_EQ(english.exStyle, translated.exStyle);
        EXPECT_EQ(L"MS Shell Dlg", translated.font);
        EXPECT_EQ(8, translated.pointSize);
        EXPECT_FALSE(translated.caption.empty());
        bool chineseGeneral = IsSimplifiedChineseGeneralPage(language.id, id);
        if (chineseGeneral) {
            // The one template that is larger, for its longer texts.
            EXPECT_EQ(215, translated.cx);
            EXPECT_EQ(226, translated.cy);
        } else {
            EXPECT_EQ(english.cx, translated.cx);
            EXPECT_EQ(english.cy, translated.cy);
        }
        ASSERT_EQ(english.items.size(), translated.items.size());
        for (size_t i = 0; i < english.items.size(); ++i) {
            const TemplateItem& e = english.items[i];
            const TemplateItem& t = translated.items[i];
            SCOPED_TRACE(testing::Message() << "control " << i << " (id " << e.id << ")");
            EXPECT_EQ(e.id, t.id);
            EXPECT_EQ(e.windowClass, t.windowClass);
            EXPECT_EQ(e.style, t.style);
            EXPECT_EQ(e.exStyle, t.exStyle);
            EXPECT_EQ(e.text.empty(), t.text.empty());
            EXPECT_EQ(Mnemonic(e.text) != 0, Mnemonic(t.text) != 0) << Utf8(t.text);
            int tolerance = chineseGeneral ? 3 : 0;
            EXPECT_LE(abs(e.x - t.x), tolerance);
            EXPECT_LE(abs(e.y - t.y), tolerance);
            EXPECT_LE(abs(e.cx - t.cx), tolerance);
            EXPECT_LE(abs(e.cy - t.cy), tolerance);
        }
    }
}

// The keys of one dialog lead to one control each. In Japanese and Chinese
// the letter stands in brackets after the text: "名前(&N):".
TEST_P(Resources, NoDialogRepeatsAMnemonic)
{
    const Language& language = GetParam();
    bool bracketed = PRIMARYLANGID(language.id) == LANG_JAPANESE || PRIMARYLANGID(language.id) == LANG_CHINESE;
    // A full sentence ends in a full-width colon.
    static const std::wregex bracketedMnemonic(L"\\(&[A-Z0-9]\\)(:|\uFF1A|\\.\\.\\.)?$");
    for (size_t d = 0; d < kDialogCount; ++d) {
        DialogTemplate dialog = LoadTemplate(module, kDialogIds[d], language.id);
        ASSERT_TRUE(dialog.found);
        std::map<wchar_t, std::wstring> seen;
        for (const TemplateItem& item : dialog.items) {
            wchar_t key = Mnemonic(item.text);
            if (key == 0)
                continue;
            auto inserted = seen.emplace(key, item.text);
            EXPECT_TRUE(inserted.second) << language.tag << " dialog " << kDialogIds[d] << ": \""
                                         << Utf8(item.text) << "\" and \"" << Utf8(inserted.first->second)
                                         << "\" share the key " << static_cast<char>(key);
            if (bracketed) {
                EXPECT_TRUE(std::regex_search(item.text, bracketedMnemonic))
                    << language.tag << " dialog " << kDialogIds[d] << ": " << Utf8(item.text);
            }
        }
    }
}

// The buttons of the frame Windows puts around the library's pages, as it
// shows them in each language: the property sheet's OK, Cancel, Apply and
// Help, and the wizard's Back, Next, Finish, Cancel and Help. A table of the
// system's words, not comctl32's templates: Wine's own translations differ
// (its German sheet says "&Anwenden" and "&Hilfe" where Windows says
// "Ü&bernehmen" and "Hilfe"; docs/wine-languages.md).
struct FrameButtons {
    const char* tag;
    std::vector<std::wstring> sheet;
    std::vector<std::wstring> wizard;
};
const FrameButtons kFrameButtons[] = {
    {"en-US", {L"OK", L"Cancel", L"&Apply", L"Help"}, {L"< &Back", L"&Next >", L"Finish", L"Cancel", L"Help"}},
    {"de-DE", {L"OK", L"Abbrechen", L"\u00DC&bernehmen", L"Hilfe"},
              {L"< &Zur\u00FCck", L"&Weiter >", L"Fertig stellen", L"Abbrechen", L"Hilfe"}},
    {"fr-FR", {L"OK", L"Annuler", L"&Appliquer", L"Aide"},
              {L"< &Pr\u00E9c\u00E9dent", L"&Suivant >", L"Terminer", L"Annuler", L"Aide"}},
    {"it-IT", {L"OK", L"Annulla", L"&Applica", L"Guida"}, {L"< &Indietro", L"&Avanti >", L"Fine", L"Annulla", L"Guida"}},
    {"ja-JP", {L"OK", L"\u30AD\u30E3\u30F3\u30BB\u30EB", L"\u9069\u7528(&A)", L"\u30D8\u30EB\u30D7"},
              {L"< \u623B\u308B(&B)", L"\u6B21\u3078(&N) >", L"\u5B8C\u4E86", L"\u30AD\u30E3\u30F3\u30BB\u30EB",
               L"\u30D8\u30EB\u30D7"}},
    {"pt-BR", {L"OK", L"Cancelar", L"&Aplicar", L"Ajuda"},
              {L"< &Voltar", L"&Avan\u00E7ar >", L"Concluir", L"Cancelar", L"Ajuda"}},
    {"zh-CN", {L"\u786E\u5B9A", L"\u53D6\u6D88", L"\u5E94\u7528(&A)", L"\u5E2E\u52A9"},
              {L"< \u4E0A\u4E00\u6B65(&B)", L"\u4E0B\u4E00\u6B65(&N) >", L"\u5B8C\u6210", L"\u53D6\u6D88",
               L"\u5E2E\u52A9"}},
    {"es-ES", {L"Aceptar", L"Cancelar", L"&Aplicar", L"Ayuda"},
              {L"< &Atr\u00E1s", L"&Siguiente >", L"Finalizar", L"Cancelar", L"Ayuda"}},
};

// A key of a page that one of its sheet's buttons also has reaches only one
// of the two: "Kennwort &bestätigen" beside the sheet's "Ü&bernehmen".
TEST_P(Resources, NoPageTakesAKeyOfItsSheetsButtons)
{
    const Language& language = GetParam();
    const FrameButtons* frame = nullptr;
    for (const FrameButtons& row : kFrameButtons) {
        if (std::string(row.tag) == language.tag)
            frame = &row;
    }
    ASSERT_NE(nullptr, frame) << language.tag << " has no row of the sheet's buttons";
    const struct {
        const std::vector<std::wstring>& buttons;
        std::vector<int> pages;
    } sheets[] = {
        {frame->sheet, {IDD_GENERAL, IDD_LOGIN, IDD_STARTUP, IDD_STARTUP_CONNECT_DIALOG}},
        {frame->wizard, {IDD_WIZ_NAME_DEVICE, IDD_WIZ_PHONE_NUMBER, IDD_WIZ_WORKSTATION, IDD_WIZ_DIALUP_LINK,
                         IDD_WIZ_LOGIN, IDD_WIZ_UTILITIES, IDD_WIZ_FINISH}},
    };
    for (const auto& sheet : sheets) {
        for (int page : sheet.pages) {
            DialogTemplate dialog = LoadTemplate(module, page, language.id);
            ASSERT_TRUE(dialog.found) << page;
            for (const TemplateItem& item : dialog.items) {
                for (const std::wstring& button : sheet.buttons) {
                    EXPECT_TRUE(Mnemonic(button) == 0 || Mnemonic(button) != Mnemonic(item.text))
                        << language.tag << " page " << page << ": \"" << Utf8(item.text)
                        << "\" takes the key of the sheet's \"" << Utf8(button) << "\"";
                }
            }
        }
    }
}

TEST_P(Resources, StringsKeepPlaceholdersAndLineBreaks)
{
    const Language& language = GetParam();
    for (size_t s = 0; s < kStringCount; ++s) {
        UINT id = kStringIds[s];
        SCOPED_TRACE(testing::Message() << language.tag << " string " << id);
        bool haveEnglish = false;
        bool haveTranslation = false;
        std::wstring english = LoadExactString(module, id, kEnglish, &haveEnglish);
        std::wstring translated = LoadExactString(module, id, language.id, &haveTranslation);
        ASSERT_TRUE(haveEnglish);
        ASSERT_TRUE(haveTranslation);
        if (language.id != kEnglish) {
            EXPECT_NE(english, translated) << "not translated";
        }
        EXPECT_EQ(Placeholders(english), Placeholders(translated)) << Utf8(translated);
        EXPECT_EQ(CountOf(english, L'\n'), CountOf(translated, L'\n')) << Utf8(translated);
        EXPECT_EQ(CountOf(english, L'\t'), CountOf(translated, L'\t')) << Utf8(translated);
    }
    // The forbidden characters are listed as the name check knows them.
    bool found = false;
    std::wstring names = LoadExactString(module, IDS_NAME_INVALID_CHARACTERS, language.id, &found);
    EXPECT_NE(std::wstring::npos, names.find(L"\n\t \\ / :  * ? \" < > | \n\n")) << Utf8(names);
}

// The texts reach the library through LoadStringA in the user's ANSI code
// page: every character of each language must exist in that code page.
TEST_P(Resources, TextsFitTheLanguagesCodePage)
{
    const Language& language = GetParam();
    auto check = [&](const std::wstring& text, const std::string& where) {
        EXPECT_TRUE(FitsCodePage(text, language.codePage)) << language.tag << " " << where << ": " << Utf8(text);
    };
    for (size_t s = 0; s < kStringCount; ++s) {
        bool found = false;
        check(LoadExactString(module, kStringIds[s], language.id, &found), "string " + std::to_string(kStringIds[s]));
    }
    for (size_t d = 0; d < kDialogCount; ++d) {
        DialogTemplate dialog = LoadTemplate(module, kDialogIds[d], language.id);
        check(dialog.caption, "dialog " + std::to_string(kDialogIds[d]));
        for (const TemplateItem& item : dialog.items)
            check(item.text, "dialog " + std::to_string(kDialogIds[d]));
    }
}

}  // namespace

void PrintTo(const Language& language, std::ostream* out)
{
    *out << language.tag;
}

namespace {

INSTANTIATE_TEST_SUITE_P(EightLanguages, Resources, ::testing::ValuesIn(kLanguages),
                         [](const ::testing::TestParamInfo<Language>& info) {
                             std::string name = info.param.tag;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

}  // namespace
