// One language as its user meets it. CTest runs this program once under each
// of the eight locales (LC_ALL), with PHONEBK_LANGUAGE naming the language
// that locale must bring: the library's messages, wizard and Properties sheet
// must then speak it, in the locale's ANSI code page, and every text of every
// dialog must fit its control in the fonts Wine uses for that language.
// Screenshots of every page land in build/screenshots/<language>/.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <algorithm>
#include <sstream>

#include "EntryVersion.h"
#include "Languages.h"
#include "WizardTestSupport.h"

namespace {

const Language& Expected()
{
    static const Language* language = [] {
        const char* tag = getenv("PHONEBK_LANGUAGE");
        const Language* found = FindLanguage(tag != nullptr ? tag : "en-US");
        return found != nullptr ? found : &kLanguages[0];
    }();
    return *language;
}

HMODULE Library()
{
    return GetModuleHandleA("PhoneBk.dll");
}

// What the library must show: its own text in the expected language, read
// from the resources directly (not through the system's choice, which is
// what is under test), in that language's code page.
std::string ExpectedString(UINT id)
{
    bool found = false;
    std::wstring text = LoadExactString(Library(), id, Expected().id, &found);
    EXPECT_TRUE(found) << "string " << id;
    return InCodePage(text, Expected().codePage);
}

std::string ExpectedControlText(int dialog, int control)
{
    DialogTemplate found = LoadTemplate(Library(), dialog, Expected().id);
    for (const TemplateItem& item : found.items) {
        if (static_cast<int>(item.id) == control)
            return InCodePage(item.text, Expected().codePage);
    }
    ADD_FAILURE() << "dialog " << dialog << " has no control " << control;
    return std::string();
}

// Journal lines show line breaks as \n.
std::string JournalText(std::string text)
{
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2))
        text.replace(at, 1, "\\n");
    return text;
}

DialogDriver& ExpectTitle(DialogDriver& driver, const std::string& title)
{
    return driver.Do("the title bar reads the language's title", [title](HWND sheet) {
        char text[256] = "";
        GetWindowTextA(sheet, text, sizeof(text));
        return title == text;
    });
}

// Opens the sheet's tab at index, as a click on it would, and photographs it.
void OpenTab(DialogDriver& driver, int index, int page)
{
    driver.Do("open tab " + std::to_string(index), [index](HWND sheet) {
        SendMessageA(sheet, PSM_SETCURSEL, index, 0);
        return true;
    });
    driver.WaitPage(page).Screenshot(std::to_string(page));
}

class Language_ : public WizardPaths
{
protected:
    void Drive(DialogDriver& driver)
    {
        driver.SetScreenshotFolder(Expected().tag);
        driver.SetTemplateModule(Library());
    }
};

TEST_F(Language_, TheLocaleBringsTheLanguageAndItsCodePage)
{
    EXPECT_EQ(Expected().id, GetUserDefaultUILanguage());
    EXPECT_EQ(Expected().codePage, GetACP());
}

TEST_F(Language_, AMessageBoxSpeaksTheLanguage)
{
    // An entry written by a later version of the library: reading it shows 222.
    std::string name = "Older";
    ASSERT_EQ(1, book.WriteEntry(&name[0]));
    ASSERT_TRUE(RewriteEntryVersion(books.file("Older.vmr"), 42));

    EXPECT_EQ(0, book.ReadEntry(&name[0]));
    std::vector<std::string> lines = Messages();
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("0x00000030\t" + ExpectedString(IDS_PHONE_BOOK) + "\t" + JournalText(ExpectedString(IDS_ENTRY_INCOMPATIBLE)),
              lines[0]);
}

// Every page of the wizard: a device on the network with Dial-Up Networking
// shows the link and workstation pages, a modem the phone number page.
TEST_F(Language_, TheWizardSpeaksTheLanguage)
{
    ASSERT_TRUE(RasDoubleAdd("Office Link"));
    const std::string title = ExpectedString(IDS_CREATE_NEW_CONNECTION);
    {
        DialogDriver driver("wizard");
        Drive(driver);
        driver.WaitDialog(IDD_CONNECTION_TYPE)
            .ExpectText(IDC_TYPE_VELMORA, ExpectedControlText(IDD_CONNECTION_TYPE, IDC_TYPE_VELMORA))
            .Screenshot("5000")
            .Press(IDC_TYPE_NEXT);
        NameAndDevice(driver, "Net", NetworkDevice(3)).Tick(IDC_USE_DIALUP);
        ExpectTitle(driver, title).Screenshot("5001");
        Next(driver, IDD_WIZ_DIALUP_LINK).Pick(IDC_DIALUP_ENTRY, "Office Link").Screenshot("5004");
        Next(driver, IDD_WIZ_WORKSTATION).Type(IDC_WORKSTATION, "host").Screenshot("5002");
        Next(driver, IDD_WIZ_LOGIN).Screenshot("5003");
        Next(driver, IDD_WIZ_UTILITIES).Screenshot("5009");
        Next(driver, IDD_WIZ_FINISH).Screenshot("5006");
        driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
        EXPECT_EQ(1, Create(driver, 0));
        EXPECT_TRUE(driver.Finished());
    }
    DialogDriver driver("wizard");
    Drive(driver);
    ChooseVelmora(driver);
    NameAndDevice(driver, "Phone", kModem);
    Next(driver, IDD_WIZ_PHONE_NUMBER).Screenshot("5008");
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
}

TEST_F(Language_, ThePropertiesSheetSpeaksTheLanguage)
{
    std::string name = "Office";
    std::string modem = kModem;
    book.SetTapiLineName(&modem[0]);
    ASSERT_EQ(1, book.WriteEntry(&name[0]));

    char title[300];
    wsprintfA(title, ExpectedString(IDS_PROPERTIES_CAPTION).c_str(), "Office");
    DialogDriver driver("properties");
    Drive(driver);
    driver.WaitPage(IDD_GENERAL);
    ExpectTitle(driver, title).Screenshot("1200");
    OpenTab(driver, 1, IDD_LOGIN);
    OpenTab(driver, 2, IDD_STARTUP);
    driver.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, driver.Run([&] { return book.QueryProperties(owner, &name[0], 0); }));
    EXPECT_TRUE(driver.Finished());

    DialogDriver narrow("properties");
    Drive(narrow);
    narrow.WaitPage(IDD_GENERAL);
    OpenTab(narrow, 2, IDD_STARTUP_CONNECT_DIALOG);
    narrow.PressSheetButton(PSBTN_CANCEL).WaitClosed();
    EXPECT_EQ(1, narrow.Run([&] { return book.QueryProperties(owner, &name[0], 1); }));
    EXPECT_TRUE(narrow.Finished());
}

// The first step's Help opens the help file of the system's language, beside
// the program, at the step's topic.
TEST_F(Language_, HelpOpensTheLanguagesFileAtThePagesTopic)
{
    char notBuilt[512];
    if (GetEnvironmentVariableA("PHONEBK_HELP_NOT_BUILT", notBuilt, sizeof(notBuilt)) > 0)
        GTEST_SKIP() << notBuilt;
    std::string viewer = InstallHelpViewerDouble();
    ASSERT_FALSE(viewer.empty());
    TempDir records("language-help");
    std::string record = records.file("viewer.txt");
    SetEnvironmentVariableA("PHONEBK_HH_RECORD", record.c_str());
    DialogDriver driver("wizard-help");
    Drive(driver);
    driver.WaitDialog(IDD_CONNECTION_TYPE).Press(IDHELP).Do("wait for the viewer", [record](HWND) {
        return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES;
    });
    driver.Press(IDCANCEL).WaitClosed();
    EXPECT_EQ(1, Create(driver, 0));
    EXPECT_TRUE(driver.Finished());
    SetEnvironmentVariableA("PHONEBK_HH_RECORD", NULL);

    std::vector<unsigned char> bytes = ReadFileBytes(record);
    std::string text(bytes.begin(), bytes.end());
    std::string expected = "command=\"" + viewer + "\" -mapid 4070 \"" + ProgramDirectory() + "\\" + Expected().help + "\"";
    size_t at = text.find(expected);
    ASSERT_NE(std::string::npos, at) << text;
    EXPECT_TRUE(text[at + expected.size()] == '\r' || text[at + expected.size()] == '\n') << text;
}

// ---- Double-byte text (Japanese and Simplified Chinese code pages)

// A character of the ANSI code page whose second byte is `trail`: in code
// pages 932 and 936 such characters look like a backslash (0x5C) or a bar
// (0x7C) to a byte-wise reader. Empty in a single-byte code page.
std::string CharacterWithTrail(unsigned char trail)
{
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        if (!IsDBCSLeadByte(static_cast<BYTE>(lead)))
            continue;
        char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        wchar_t wide[2];
        if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, 2, wide, 2) == 1)
            return std::string(bytes, 2);
    }
    return std::string();
}

int __stdcall CollectEntry(char* path, long list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(path);
    return 1;
}

class DoubleByte : public Language_
{
protected:
    void SetUp() override
    {
        Language_::SetUp();
        backslash = CharacterWithTrail(0x5C);
        bar = CharacterWithTrail(0x7C);
        if (backslash.empty() || bar.empty())
            GTEST_SKIP() << "code page " << GetACP() << " has no double-byte characters";
    }
    std::string backslash;   // ends in 0x5C
    std::string bar;         // ends in 0x7C
};

// A directory and entry names that end in a character whose trail byte is a
// backslash or a bar: the separator is added, the names stay names, and the
// files are listed, copied and deleted as themselves.
TEST_F(DoubleByte, TheStoreKeepsTrailBytesInNamesAndDirectories)
{
    std::string directory = books.file("dir" + backslash);
    ASSERT_TRUE(CreateDirectoryA(directory.c_str(), NULL)) << GetLastError();
    book.SetPath(&directory[0]);
    std::string name = "name" + backslash;
    std::string other = "name" + bar;
    ASSERT_EQ(1, book.WriteEntry(&name[0]));
    ASSERT_EQ(1, book.WriteEntry(&other[0]));
    const std::string file = directory + "\\" + name + ".vmr";
    const std::string copy = directory + "\\copy" + bar + ".vmr";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str()));
    EXPECT_EQ(1, book.ReadEntry(&name[0]));
    EXPECT_EQ(1, book.IsValidEntry(&other[0]));

    std::vector<std::string> listed;
    EXPECT_EQ(1, book.EnumEntryNames(CollectEntry, reinterpret_cast<long>(&listed)));
    std::sort(listed.begin(), listed.end());
    std::vector<std::string> expected = {file, directory + "\\" + other + ".vmr"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, listed);

    std::string source = file;
    std::string target = copy;
    EXPECT_NE(0, book.CopyEntry(&source[0], &target[0]));
    std::string copyName = "copy" + bar;
    EXPECT_EQ(1, book.ReadEntry(&copyName[0]));
    EXPECT_NE(0, book.DeleteEntry(&source[0]));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(file.c_str()));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(copy.c_str()));
}

// A setter cuts a text too long for its field between two characters, with
// the field's last byte falling on a lead byte for one of the two texts.
TEST_F(DoubleByte, SettersCutOnACharacterBoundary)
{
    for (std::string text : {std::string(), std::string("a")}) {
        while (text.size() < 200)
            text += backslash;
        book.SetLoginName(&text[0]);
        char buffer[300];
        book.GetLoginName(buffer, sizeof(buffer));
        size_t length = strlen(buffer);
        ASSERT_GT(length, 1u);
        EXPECT_LT(length, text.size());
        EXPECT_EQ(0, memcmp(buffer, text.data(), length));
        EXPECT_NE(0, MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, buffer, static_cast<int>(length), NULL, 0))
            << "the text ends inside a character";
    }
}

// The name page refuses a real backslash or bar, but not a trail byte that
// looks like one, and the entry is written under that name.
TEST_F(DoubleByte, TheWizardTakesANameWhoseTrailBytesLookForbidden)
{
    std::string name = "pc" + backslash + bar;
    DialogDriver driver("wizard-double-byte");
    Drive(driver);
    ChooseVelmora(driver);
    NameAndDevice(driver, "pc\\1", kModem);
    FocusSeen seen;
    RefusedNext(driver, IDD_WIZ_NAME_DEVICE, IDC_NEW_ENTRY_NAME, &seen);
    driver.Type(IDC_NEW_ENTRY_NAME, name).ReadText(IDC_NEW_ENTRY_NAME, "typed").Screenshot("5001");
    Next(driver, IDD_WIZ_PHONE_NUMBER);
    Next(driver, IDD_WIZ_LOGIN);
    Next(driver, IDD_WIZ_UTILITIES);
    Next(driver, IDD_WIZ_FINISH);
    Finish(driver, name, false);
    EXPECT_EQ(2, Create(driver, 0));
    EXPECT_EQ(name, driver.Text("typed"));
    EXPECT_EQ(std::vector<std::string>{"0x00000030\t" + ExpectedString(IDS_PHONE_BOOK) + "\t" +
                                        JournalText(ExpectedString(IDS_NAME_INVALID_CHARACTERS))},
              Messages());
    EXPECT_EQ(books.file(name + ".vmr"), Buffer());
    VmrPhoneBook reader;
    EXPECT_TRUE(ReadBack(reader, name));
}

// ---- Whether the texts fit

// How much room a control's text needs and has, in pixels, drawn in the
// dialog's own font as the control draws it.
struct Fit {
    int needWidth = 0;
    int needHeight = 0;
    int roomWidth = 0;
    int roomHeight = 0;
    bool measured = false;
};

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

// The dialog made from its template as a hidden pop-up (pages are child
// windows and need a parent otherwise), then each control measured.
std::vector<Fit> MeasureDialog(int id, LANGID language)
{
    std::vector<Fit> fits;
    DialogTemplate dialog = LoadTemplate(Library(), id, language);
    if (!dialog.found)
        return fits;
    HRSRC resource = FindResourceExW(Library(), reinterpret_cast<LPCWSTR>(RT_DIALOG), MAKEINTRESOURCEW(id), language);
    DWORD size = SizeofResource(Library(), resource);
    std::vector<BYTE> copy(static_cast<const BYTE*>(dialog.raw), static_cast<const BYTE*>(dialog.raw) + size);
    DWORD style = (dialog.style & ~(WS_CHILD | WS_VISIBLE | WS_DISABLED)) | WS_POPUP;
    memcpy(&copy[12], &style, sizeof(style));   // after version, signature, help id, extended style
    HWND window = CreateDialogIndirectParamW(Library(), reinterpret_cast<LPCDLGTEMPLATEW>(copy.data()), NULL,
                                             QuietDialog, 0);
    if (window == NULL) {
        ADD_FAILURE() << "dialog " << id << " cannot be made: " << GetLastError();
        return fits;
    }
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    const int box = GetSystemMetrics(SM_CXMENUCHECK);
    int index = 0;
    for (HWND control = GetWindow(window, GW_CHILD); control != NULL; control = GetWindow(control, GW_HWNDNEXT), ++index) {
        Fit fit;
        wchar_t className[32] = L"";
        GetClassNameW(control, className, 32);
        LONG controlStyle = GetWindowLongW(control, GWL_STYLE);
        wchar_t text[512] = L"";
        GetWindowTextW(control, text, 512);
        RECT client;
        GetClientRect(control, &client);
        fit.roomWidth = client.right;
        fit.roomHeight = client.bottom;
        bool isStatic = lstrcmpiW(className, L"Static") == 0;
        bool isButton = lstrcmpiW(className, L"Button") == 0;
        LONG kind = controlStyle & (isStatic ? SS_TYPEMASK : BS_TYPEMASK);
        bool textStatic = isStatic && (kind == SS_LEFT || kind == SS_CENTER || kind == SS_RIGHT || kind == SS_LEFTNOWORDWRAP);
        if (text[0] != 0 && (textStatic || isButton)) {
            RECT need = {0, 0, client.right, 0};
            UINT format = DT_CALCRECT | DT_EXPANDTABS;
            if (textStatic && kind != SS_LEFTNOWORDWRAP)
                format |= DT_WORDBREAK;
            else
                format |= DT_SINGLELINE;
            if (isButton && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON))
                need.right -= box + 4;   // the box and its gap come first
            DrawTextW(dc, text, -1, &need, format);
            fit.needWidth = need.right;
            fit.needHeight = need.bottom;
            if (isButton && (kind == BS_AUTOCHECKBOX || kind == BS_CHECKBOX || kind == BS_AUTORADIOBUTTON || kind == BS_RADIOBUTTON))
                fit.needWidth += box + 4;
            else if (isButton && kind == BS_GROUPBOX)
                fit.needWidth += 2 * metrics.tmAveCharWidth;   // the frame's inset on either side
            else if (isButton)
                fit.needWidth += 2 * GetSystemMetrics(SM_CXEDGE) + 2;
            fit.measured = true;
        }
        fits.push_back(fit);
    }
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    DestroyWindow(window);
    return fits;
}

std::string ControlText(int dialog, size_t index, LANGID language)
{
    DialogTemplate found = LoadTemplate(Library(), dialog, language);
    return index < found.items.size() ? Utf8(found.items[index].text) : std::string();
}

// A translation may need as much room as its control gives, or as much as
// the English text needs where that already overflows in these fonts.
TEST(TextFit, EveryTextFitsItsControl)
{
    const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    for (size_t d = 0; d < kDialogCount; ++d) {
        int id = kDialogIds[d];
        std::vector<Fit> translated = MeasureDialog(id, Expected().id);
        std::vector<Fit> original = MeasureDialog(id, english);
        ASSERT_EQ(original.size(), translated.size()) << "dialog " << id;
        for (size_t i = 0; i < translated.size(); ++i) {
            const Fit& t = translated[i];
            if (!t.measured)
                continue;
            int width = std::max(t.roomWidth, original[i].needWidth);
            int height = std::max(t.roomHeight, original[i].needHeight);
            EXPECT_TRUE(t.needWidth <= width && t.needHeight <= height)
                << Expected().tag << " dialog " << id << " control " << i << " \"" << ControlText(id, i, Expected().id)
                << "\" needs " << t.needWidth << "x" << t.needHeight << " pixels, has " << width << "x" << height;
        }
    }
}

// The dialogs' font has a glyph for every character of the texts: the
// system's fonts, not boxes, draw the language.
TEST(TextFit, TheDialogFontDrawsEveryCharacter)
{
    for (size_t d = 0; d < kDialogCount; ++d) {
        int id = kDialogIds[d];
        DialogTemplate dialog = LoadTemplate(Library(), id, Expected().id);
        ASSERT_TRUE(dialog.found);
        LOGFONTW wanted = {};
        HDC screen = GetDC(NULL);
        wanted.lfHeight = -MulDiv(dialog.pointSize, GetDeviceCaps(screen, LOGPIXELSY), 72);
        wanted.lfCharSet = DEFAULT_CHARSET;
        lstrcpynW(wanted.lfFaceName, dialog.font.c_str(), LF_FACESIZE);
        HFONT font = CreateFontIndirectW(&wanted);
        HGDIOBJ previous = SelectObject(screen, font);
        for (const TemplateItem& item : dialog.items) {
            if (item.text.empty())
                continue;
            std::vector<WORD> glyphs(item.text.size());
            GetGlyphIndicesW(screen, item.text.c_str(), static_cast<int>(item.text.size()), glyphs.data(),
                             GGI_MARK_NONEXISTING_GLYPHS);
            for (size_t c = 0; c < glyphs.size(); ++c) {
                if (item.text[c] < L' ')
                    continue;   // line breaks and tabs are layout, not glyphs
                EXPECT_NE(0xFFFF, glyphs[c]) << Expected().tag << " dialog " << id << " \"" << Utf8(item.text)
                                             << "\": no glyph for U+" << std::hex << static_cast<int>(item.text[c]);
            }
        }
        SelectObject(screen, previous);
        DeleteObject(font);
        ReleaseDC(NULL, screen);
    }
}

}  // namespace
