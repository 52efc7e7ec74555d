// The dialog driver's view of windows: the thread's dialogs, what they are
// and hold, their templates, and the sheets' buttons.
#include "DriverInternals.h"

#include <commctrl.h>
#include <prsht.h>
#include <stdio.h>
#include <string.h>

namespace driver_internal {

std::string WindowText(HWND window)
{
    int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return std::string();
    std::vector<char> buffer(static_cast<size_t>(length) + 1);
    int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), copied > 0 ? static_cast<size_t>(copied) : 0);
}

std::string ClassOf(HWND window)
{
    char name[64];
    int length = GetClassNameA(window, name, sizeof(name));
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string Shortened(const std::string& text)
{
    if (text.size() <= kDescribedTextLength)
        return text;
    return text.substr(0, kDescribedTextLength) + "...";
}

std::string Quoted(const std::string& text)
{
    return "'" + Shortened(text) + "'";
}

bool IsSheet(HWND window)
{
    HWND tab = GetDlgItem(window, kSheetTabControl);
    return tab != NULL && ClassOf(tab) == WC_TABCONTROLA;
}

// A message box is a dialog holding its text in static 0xFFFF and nothing but
// statics and buttons. (In templates written as DIALOGEX an IDC_STATIC label
// has the id 0xFFFFFFFF, in DIALOG templates 0xFFFF, hence the second rule.)
bool IsMessageBox(HWND window)
{
    HWND text = GetDlgItem(window, kMessageBoxText);
    if (text == NULL || ClassOf(text) != "Static")
        return false;
    bool buttons = false;
    for (HWND child = GetWindow(window, GW_CHILD); child != NULL;
         child = GetWindow(child, GW_HWNDNEXT)) {
        std::string name = ClassOf(child);
        if (name == "Button")
            buttons = true;
        else if (name != "Static")
            return false;
    }
    return buttons;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM list)
{
    if (IsWindowVisible(window) && ClassOf(window) == "#32770")
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// This thread's visible dialogs, sheets and message boxes.
std::vector<HWND> ThreadDialogs()
{
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

std::string Describe(HWND window)
{
    std::string text = Quoted(WindowText(window));
    if (IsSheet(window)) {
        HWND page = reinterpret_cast<HWND>(SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0));
        text += " (property sheet";
        if (page != NULL)
            text += ", page " + Quoted(WindowText(page));
        text += ")";
    } else if (IsMessageBox(window)) {
        text += " (message box: " + Quoted(WindowText(GetDlgItem(window, kMessageBoxText))) + ")";
    }
    if (!IsWindowEnabled(window))
        text += " [disabled]";
    return text;
}

std::string DescribeOpenWindows()
{
    std::vector<HWND> dialogs = ThreadDialogs();
    if (dialogs.empty())
        return "no dialog of this thread is open";
    std::string text = "open: ";
    for (size_t i = 0; i < dialogs.size(); ++i)
        text += (i ? ", " : "") + Describe(dialogs[i]);
    return text;
}

// Reads a dialog template within the bounds of its resource.
class TemplateReader
{
public:
    TemplateReader(const BYTE* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    WORD Word()
    {
        WORD value = 0;
        Read(&value, sizeof(value));
        return value;
    }
    DWORD Dword()
    {
        DWORD value = 0;
        Read(&value, sizeof(value));
        return value;
    }
    void Skip(size_t bytes)
    {
        if (bytes > size_ - pos_) {
            ok_ = false;
            pos_ = size_;
        } else {
            pos_ += bytes;
        }
    }
    // A string of WCHARs ending in 0.
    void SkipString()
    {
        while (ok_ && Word() != 0) {
        }
    }
    // Nothing (0), an ordinal (0xFFFF, then a WORD) or a string.
    void SkipNameOrOrdinal()
    {
        WORD first = Word();
        if (first == 0xFFFF)
            Word();
        else if (first != 0)
            SkipString();
    }
    void AlignToDword() { Skip(((pos_ + 3) & ~static_cast<size_t>(3)) - pos_); }

private:
    void Read(void* out, size_t bytes)
    {
        if (!ok_ || bytes > size_ - pos_) {
            ok_ = false;
            pos_ = size_;
            return;
        }
        memcpy(out, data_ + pos_, bytes);
        pos_ += bytes;
    }
    const BYTE* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// The ids of the controls of a dialog template that have an id of their own
// (not 0 and not IDC_STATIC).
bool TemplateControlIds(HMODULE module, int templateId, std::vector<int>* ids, std::string* error)
{
    ids->clear();
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5));
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (data == nullptr) {
        *error = "no dialog template " + std::to_string(templateId) + " in the template module";
        return false;
    }
    TemplateReader reader(data, SizeofResource(module, found));
    WORD version = reader.Word();
    WORD signature = reader.Word();
    bool extended = version == 1 && signature == 0xFFFF;
    DWORD style;
    WORD count;
    if (extended) {
        reader.Dword();               // help id
        reader.Dword();               // extended style
        style = reader.Dword();
    } else {
        style = MAKELONG(version, signature);
        reader.Dword();               // extended style
    }
    count = reader.Word();
    reader.Skip(8);                   // x, y, cx, cy
    reader.SkipNameOrOrdinal();       // menu
    reader.SkipNameOrOrdinal();       // class
    reader.SkipString();              // caption
    if (style & DS_SETFONT) {
        reader.Word();                // point size
        if (extended)
            reader.Skip(4);           // weight, italic, character set
        reader.SkipString();          // typeface
    }
    for (WORD item = 0; item < count && reader.ok(); ++item) {
        reader.AlignToDword();
        DWORD id;
        if (extended) {
            reader.Skip(12);          // help id, extended style, style
            reader.Skip(8);
            id = reader.Dword();
        } else {
            reader.Skip(8);           // style, extended style
            reader.Skip(8);
            id = reader.Word();
        }
        reader.SkipNameOrOrdinal();   // class
        reader.SkipNameOrOrdinal();   // text
        reader.Skip(reader.Word());   // creation data
        if (reader.ok() && id != 0 && id != 0xFFFF && id != 0xFFFFFFFF)
            ids->push_back(static_cast<int>(id));
    }
    if (!reader.ok()) {
        *error = "dialog template " + std::to_string(templateId) + " is malformed";
        ids->clear();
        return false;
    }
    if (ids->empty()) {
        *error = "dialog template " + std::to_string(templateId) +
                 " has no control with an id to recognise it by";
        return false;
    }
    return true;
}

bool HasControls(HWND window, const std::vector<int>& ids)
{
    if (ids.empty())
        return false;
    for (int id : ids) {
        if (GetDlgItem(window, id) == NULL)
            return false;
    }
    return true;
}

const char* SheetButtonName(int psbtn)
{
    switch (psbtn) {
    case PSBTN_BACK: return "Back";
    case PSBTN_NEXT: return "Next";
    case PSBTN_FINISH: return "Finish";
    case PSBTN_OK: return "OK";
    case PSBTN_APPLYNOW: return "Apply";
    case PSBTN_CANCEL: return "Cancel";
    case PSBTN_HELP: return "Help";
    default: return nullptr;
    }
}

int SheetButtonControl(int psbtn)
{
    switch (psbtn) {
    case PSBTN_BACK: return kSheetBackButton;
    case PSBTN_NEXT: return kSheetNextButton;
    case PSBTN_FINISH: return kSheetFinishButton;
    case PSBTN_OK: return IDOK;
    case PSBTN_APPLYNOW: return kSheetApplyButton;
    case PSBTN_CANCEL: return IDCANCEL;
    case PSBTN_HELP: return IDHELP;
    default: return 0;
    }
}

}  // namespace driver_internal
