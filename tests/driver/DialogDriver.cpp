// The dialog test driver: see DialogDriver.h for how a test uses it.
#include "DialogDriver.h"

#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>
#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace {

const UINT kTickMilliseconds = 50;
// After this long in the closing phase the driver stops asking windows to
// close and ends every modal loop of the thread with WM_QUIT.
const DWORD kQuitAfterMilliseconds = 1000;
// The sheet's own controls (comctl32's template ids).
const int kSheetTabControl = 0x3020;
const int kSheetApplyButton = 0x3021;
const int kSheetBackButton = 0x3023;
const int kSheetNextButton = 0x3024;
const int kSheetFinishButton = 0x3025;
// The text of a message box.
const int kMessageBoxText = 0xFFFF;
const size_t kDescribedTextLength = 80;

thread_local DialogDriver* activeDriver = nullptr;

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

// ---- PNG, written without a compression library: the image data goes into
// "stored" deflate blocks, which every PNG reader accepts.

uint32_t Crc32(uint32_t crc, const unsigned char* data, size_t size)
{
    static uint32_t table[256];
    static bool filled = false;
    if (!filled) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        filled = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

void PutBigEndian(std::vector<unsigned char>* out, uint32_t value)
{
    out->push_back(static_cast<unsigned char>(value >> 24));
    out->push_back(static_cast<unsigned char>(value >> 16));
    out->push_back(static_cast<unsigned char>(value >> 8));
    out->push_back(static_cast<unsigned char>(value));
}

void PutChunk(std::vector<unsigned char>* out, const char* type, const std::vector<unsigned char>& data)
{
    PutBigEndian(out, static_cast<uint32_t>(data.size()));
    size_t typeAt = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), data.begin(), data.end());
    PutBigEndian(out, Crc32(0, out->data() + typeAt, 4 + data.size()));
}

// pixels: top-down rows of 32-bit BGRX.
std::vector<unsigned char> EncodePng(const uint32_t* pixels, int width, int height)
{
    std::vector<unsigned char> raw;
    raw.reserve(static_cast<size_t>(height) * (1 + 3 * static_cast<size_t>(width)));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);   // no filter
        const uint32_t* row = pixels + static_cast<size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            raw.push_back(static_cast<unsigned char>(row[x] >> 16));
            raw.push_back(static_cast<unsigned char>(row[x] >> 8));
            raw.push_back(static_cast<unsigned char>(row[x]));
        }
    }

    std::vector<unsigned char> zlib = {0x78, 0x01};
    size_t at = 0;
    do {
        size_t block = raw.size() - at < 0xFFFF ? raw.size() - at : 0xFFFF;
        bool last = at + block == raw.size();
        zlib.push_back(last ? 1 : 0);
        zlib.push_back(static_cast<unsigned char>(block));
        zlib.push_back(static_cast<unsigned char>(block >> 8));
        zlib.push_back(static_cast<unsigned char>(~block));
        zlib.push_back(static_cast<unsigned char>(~block >> 8));
        zlib.insert(zlib.end(), raw.begin() + at, raw.begin() + at + block);
        at += block;
    } while (at < raw.size());
    uint32_t a = 1, b = 0;
    for (unsigned char c : raw) {
        a = (a + c) % 65521;
        b = (b + a) % 65521;
    }
    PutBigEndian(&zlib, (b << 16) | a);

    std::vector<unsigned char> header;
    PutBigEndian(&header, static_cast<uint32_t>(width));
    PutBigEndian(&header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});   // 8-bit RGB, no interlace

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    PutChunk(&png, "IHDR", header);
    PutChunk(&png, "IDAT", zlib);
    PutChunk(&png, "IEND", {});
    return png;
}

BOOL CALLBACK CollectThreadWindow(HWND window, LPARAM list)
{
    if (IsWindowVisible(window) &&
        GetWindowThreadProcessId(window, NULL) == GetCurrentThreadId())
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// This thread's visible top-level windows (dialogs, and also the list of a
// dropped combo box or a tooltip), each from its own window DC, bottom of
// the Z order first; with none, the whole screen.
bool CaptureWindows(const std::string& path, std::string* error)
{
    std::vector<HWND> windows;
    EnumWindows(CollectThreadWindow, reinterpret_cast<LPARAM>(&windows));   // top first
    RECT area = {0, 0, 0, 0};
    for (HWND window : windows) {
        RECT r;
        GetWindowRect(window, &r);
        UnionRect(&area, &area, &r);
    }
    bool wholeScreen = IsRectEmpty(&area);
    if (wholeScreen)
        SetRect(&area, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    const int kMaxSide = 8192;
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        *error = "nothing to capture (" + std::to_string(width) + "x" + std::to_string(height) + ")";
        return false;
    }

    HDC screen = GetDC(NULL);
    HDC canvas = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(canvas, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    bool captured = false;
    if (canvas != NULL && bitmap != NULL) {
        HGDIOBJ old = SelectObject(canvas, bitmap);
        memset(bits, 0, static_cast<size_t>(width) * height * 4);
        if (wholeScreen) {
            BitBlt(canvas, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        } else {
            for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
                // Paint what is pending, so the picture is what a person would see.
                RedrawWindow(*it, NULL, NULL, RDW_UPDATENOW | RDW_ALLCHILDREN);
                RECT r;
                GetWindowRect(*it, &r);
                HDC source = GetWindowDC(*it);
                if (source != NULL) {
                    BitBlt(canvas, r.left - area.left, r.top - area.top, r.right - r.left,
                           r.bottom - r.top, source, 0, 0, SRCCOPY);
                    ReleaseDC(*it, source);
                }
            }
        }
        GdiFlush();
        std::vector<unsigned char> png = EncodePng(static_cast<const uint32_t*>(bits), width, height);
        SelectObject(canvas, old);

        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            *error = "cannot create " + path + " (error " + std::to_string(GetLastError()) + ")";
        } else {
            DWORD written = 0;
            captured = WriteFile(file, png.data(), static_cast<DWORD>(png.size()), &written, NULL) &&
                       written == png.size();
            CloseHandle(file);
            if (!captured)
                *error = "cannot write " + path;
        }
    } else {
        *error = "cannot make a bitmap of " + std::to_string(width) + "x" + std::to_string(height);
    }
    if (bitmap != NULL)
        DeleteObject(bitmap);
    if (canvas != NULL)
        DeleteDC(canvas);
    ReleaseDC(NULL, screen);
    return captured;
}

std::string FileNamePart(const std::string& text)
{
    std::string part;
    for (char c : text)
        part += (isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.') ? c : '_';
    return part.empty() ? "_" : part;
}

std::string CurrentTestName()
{
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    if (test == nullptr)
        return "DialogDriver";
    return std::string(test->test_suite_name()) + "." + test->name();
}

}  // namespace

DialogDriver::DialogDriver() : DialogDriver(CurrentTestName()) {}

DialogDriver::DialogDriver(const std::string& name)
    : name_(name), templateModule_(GetModuleHandleA(NULL))
{
}

DialogDriver::~DialogDriver()
{
    // Run disarms before it returns; this only guards against misuse.
    if (armed_)
        Disarm();
}

std::string DialogDriver::ScreenshotDirectory()
{
#ifdef DIALOG_DRIVER_SCREENSHOT_DIR
    // Given by the build with forward slashes.
    std::string directory = DIALOG_DRIVER_SCREENSHOT_DIR;
    for (char& c : directory) {
        if (c == '/')
            c = '\\';
    }
    return directory;
#else
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, sizeof(path));
    std::string program(path, length < sizeof(path) ? length : 0);
    return program.substr(0, program.find_last_of('\\')) + "\\screenshots";
#endif
}

DialogDriver& DialogDriver::Add(Kind kind, std::string description, int id, std::string text,
                                int value)
{
    if (armed_) {
        ADD_FAILURE() << "DialogDriver " << name_ << ": step '" << description
                      << "' added while the script runs; it is ignored";
        return *this;
    }
    steps_.push_back(Step{kind, std::move(description), id, std::move(text), value, {}, {}, {}});
    return *this;
}

DialogDriver& DialogDriver::WaitDialog(int templateId)
{
    return Add(Kind::WaitDialog, "wait for dialog " + std::to_string(templateId), templateId);
}

DialogDriver& DialogDriver::WaitDialogCaption(const std::string& caption)
{
    return Add(Kind::WaitCaption, "wait for dialog " + Quoted(caption), 0, caption);
}

DialogDriver& DialogDriver::WaitPage(int templateId)
{
    return Add(Kind::WaitPage, "wait for page " + std::to_string(templateId), templateId);
}

DialogDriver& DialogDriver::WaitEnabled(int controlId)
{
    return Add(Kind::WaitEnabled, "wait until control " + std::to_string(controlId) + " is enabled",
               controlId);
}

DialogDriver& DialogDriver::WaitClosed()
{
    return Add(Kind::WaitClosed, "wait until the window closes", 0);
}

DialogDriver& DialogDriver::ReadText(int controlId, const std::string& key)
{
    return Add(Kind::ReadText, "read control " + std::to_string(controlId) + " as " + Quoted(key),
               controlId, key);
}

DialogDriver& DialogDriver::ExpectText(int controlId, const std::string& text)
{
    return Add(Kind::ExpectText, "expect control " + std::to_string(controlId) + " to read " + Quoted(text),
               controlId, text);
}

DialogDriver& DialogDriver::ExpectChecked(int controlId, UINT state)
{
    return Add(Kind::ExpectChecked, "expect control " + std::to_string(controlId) + " in check state " +
               std::to_string(state), controlId, "", static_cast<int>(state));
}

DialogDriver& DialogDriver::ExpectEnabled(int controlId, bool enabled)
{
    return Add(Kind::ExpectEnabled, "expect control " + std::to_string(controlId) +
               (enabled ? " enabled" : " disabled"), controlId, "", enabled);
}

DialogDriver& DialogDriver::ExpectVisible(int controlId, bool visible)
{
    return Add(Kind::ExpectVisible, "expect control " + std::to_string(controlId) +
               (visible ? " visible" : " hidden"), controlId, "", visible);
}

DialogDriver& DialogDriver::Type(int controlId, const std::string& text)
{
    return Add(Kind::Type, "type " + Quoted(text) + " into control " + std::to_string(controlId),
               controlId, text);
}

DialogDriver& DialogDriver::Tick(int controlId, bool checked)
{
    return Add(Kind::Tick, std::string(checked ? "tick" : "untick") + " control " + std::to_string(controlId),
               controlId, "", checked);
}

DialogDriver& DialogDriver::Pick(int controlId, const std::string& itemText)
{
    return Add(Kind::Pick, "pick " + Quoted(itemText) + " in control " + std::to_string(controlId),
               controlId, itemText);
}

DialogDriver& DialogDriver::Press(int controlId)
{
    return Add(Kind::Press, "press button " + std::to_string(controlId), controlId);
}

DialogDriver& DialogDriver::PressSheetButton(int psbtn)
{
    const char* name = SheetButtonName(psbtn);
    return Add(Kind::PressSheetButton, std::string("press the sheet's ") + (name ? name : "unknown") +
               " button", psbtn);
}

DialogDriver& DialogDriver::AnswerMessageBox(int buttonId)
{
    return Add(Kind::AnswerMessageBox, "answer a message box with button " + std::to_string(buttonId),
               buttonId);
}

DialogDriver& DialogDriver::Screenshot(const std::string& label)
{
    return Add(Kind::Screenshot, "take screenshot " + Quoted(label), 0, label);
}

DialogDriver& DialogDriver::Do(const std::string& description, std::function<bool(HWND)> action)
{
    Add(Kind::Do, description, 0);
    if (!armed_)
        steps_.back().action = std::move(action);
    return *this;
}

std::string DialogDriver::Text(const std::string& key) const
{
    auto found = texts_.find(key);
    return found == texts_.end() ? std::string() : found->second;
}

void DialogDriver::Arm()
{
    if (armed_ || activeDriver != nullptr) {
        ADD_FAILURE() << "DialogDriver " << name_ << ": a driver already runs on this thread";
        return;
    }
    if (next_ != 0) {
        ADD_FAILURE() << "DialogDriver " << name_ << ": a driver runs its script once";
        return;
    }
    // Templates are read now, so the template module may be set at any time
    // before. A page needs its template only when the sheet cannot name it.
    for (Step& step : steps_) {
        std::string ignored;
        if (step.kind == Kind::WaitDialog)
            TemplateControlIds(templateModule_, step.id, &step.templateControls, &step.problem);
        else if (step.kind == Kind::WaitPage)
            TemplateControlIds(templateModule_, step.id, &step.templateControls, &ignored);
    }
    // Should the watchdog have to end the process, what the test printed so
    // far (its name, above all) is not lost in a buffer.
    fflush(stdout);
    armed_ = true;
    activeDriver = this;
    stepStarted_ = GetTickCount();
    returned_ = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (returned_ != NULL)
        watchdog_ = CreateThread(NULL, 0, WatchdogThread, this, 0, NULL);
    if (watchdog_ == NULL)
        ADD_FAILURE() << "DialogDriver " << name_ << ": cannot start the watchdog (error "
                      << GetLastError() << ")";
    timer_ = SetTimer(NULL, 0, kTickMilliseconds, OnTimer);
    if (timer_ == 0)
        ADD_FAILURE() << "DialogDriver " << name_ << ": SetTimer failed (error " << GetLastError() << ")";
}

void DialogDriver::Disarm()
{
    if (!armed_)
        return;
    if (timer_ != 0)
        KillTimer(NULL, timer_);
    timer_ = 0;
    if (returned_ != NULL)
        SetEvent(returned_);
    if (watchdog_ != NULL) {
        WaitForSingleObject(watchdog_, INFINITE);
        CloseHandle(watchdog_);
        watchdog_ = NULL;
    }
    if (returned_ != NULL) {
        CloseHandle(returned_);
        returned_ = NULL;
    }
    activeDriver = nullptr;
    armed_ = false;

    // A modal loop that met the driver's WM_QUIT posts it again for the loop
    // outside it; there is none here.
    MSG message;
    while (PeekMessageA(&message, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }

    // A sheet gone with its last button needs no more ticks to be closed.
    while (next_ < steps_.size() && steps_[next_].kind == Kind::WaitClosed && window_ != NULL &&
           (!IsWindow(window_) || !IsWindowVisible(window_)))
        ++next_;
    // Once closing, the failure that started it has been reported.
    if (!closing_ && next_ < steps_.size())
        Fail(&steps_[next_], "the modal call returned before this step ran");
}

void CALLBACK DialogDriver::OnTimer(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeDriver != nullptr)
        activeDriver->OnTick();
}

DWORD WINAPI DialogDriver::WatchdogThread(LPVOID self)
{
    DialogDriver* driver = static_cast<DialogDriver*>(self);
    if (WaitForSingleObject(driver->returned_, driver->hardLimit_) != WAIT_TIMEOUT)
        return 0;
    // The script does not change while the driver is armed: reading it from
    // here is safe.
    size_t next = driver->next_;
    std::string step = next < driver->steps_.size()
        ? "step " + std::to_string(next + 1) + " (" + driver->steps_[next].description + ")"
        : "after the last step";
    std::string message = "DialogDriver " + driver->name_ + ": the modal call has not returned within " +
                          std::to_string(driver->hardLimit_) + " ms, " + step +
                          "; ending the process\n";
    // Straight to the handle: the test's thread may hold the C library's locks.
    DWORD written;
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), message.data(), static_cast<DWORD>(message.size()),
              &written, NULL);
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

void DialogDriver::Fail(const Step* step, const std::string& message)
{
    failed_ = true;
    if (step != nullptr) {
        size_t number = static_cast<size_t>(step - steps_.data()) + 1;
        ADD_FAILURE() << "DialogDriver " << name_ << ": step " << number << " of " << steps_.size()
                      << " (" << step->description << "): " << message;
    } else {
        ADD_FAILURE() << "DialogDriver " << name_ << ": after the last step: " << message;
    }
}

void DialogDriver::StartClosing()
{
    if (closing_)
        return;
    closing_ = true;
    closingStarted_ = GetTickCount();
    CloseSome();
}

// Asks the windows that accept input (the innermost modal ones) to close;
// whatever is still open a second later gets WM_QUIT, which ends every modal
// loop on the thread.
void DialogDriver::CloseSome()
{
    if (quitPosted_)
        return;
    std::vector<HWND> dialogs = ThreadDialogs();
    if (dialogs.empty() || GetTickCount() - closingStarted_ >= kQuitAfterMilliseconds) {
        PostQuitMessage(0);
        quitPosted_ = true;
        return;
    }
    for (HWND dialog : dialogs) {
        if (!IsWindow(dialog) || !IsWindowEnabled(dialog))
            continue;
        if (IsSheet(dialog))
            SendMessageA(dialog, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        else
            EndDialog(dialog, IDCANCEL);
    }
}

void DialogDriver::OnTick()
{
    if (closing_) {
        CloseSome();
        return;
    }
    DWORD now = GetTickCount();
    size_t index = next_;
    if (index >= steps_.size()) {
        if (now - stepStarted_ >= stepDeadline_) {
            Fail(nullptr, "the modal call has not returned " + std::to_string(stepDeadline_) +
                          " ms after the last step; " + DescribeOpenWindows());
            StartClosing();
        }
        return;
    }
    Step& step = steps_[index];
    waitingFor_.clear();
    Outcome outcome = Perform(step);
    if (outcome == Outcome::Done) {
        if (next_ == index) {
            next_ = index + 1;
            stepStarted_ = GetTickCount();
        }
    } else if (outcome == Outcome::Stop) {
        StartClosing();
    } else if (now - stepStarted_ >= stepDeadline_ && next_ == index && !closing_) {
        Fail(&step, "not done within " + std::to_string(stepDeadline_) + " ms: " + waitingFor_);
        StartClosing();
    }
}

HWND DialogDriver::ControlOf(int controlId)
{
    if (windowIsSheet_) {
        HWND page = reinterpret_cast<HWND>(SendMessageA(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
        HWND control = page != NULL ? GetDlgItem(page, controlId) : NULL;
        if (control != NULL)
            return control;
    }
    return GetDlgItem(window_, controlId);
}

// The window last waited for must still be there and accept input (nothing
// modal over it), and hold the control.
DialogDriver::Outcome DialogDriver::NeedControl(int controlId, HWND* control)
{
    *control = NULL;
    const Step& step = steps_[next_];
    if (window_ == NULL) {
        Fail(&step, "no dialog or page was waited for before this step");
        return Outcome::Stop;
    }
    if (!IsWindow(window_) || !IsWindowVisible(window_)) {
        Fail(&step, "the window waited for has closed; " + DescribeOpenWindows());
        return Outcome::Stop;
    }
    if (!IsWindowEnabled(window_)) {
        waitingFor_ = Quoted(WindowText(window_)) + " does not accept input; " + DescribeOpenWindows();
        return Outcome::Wait;
    }
    *control = ControlOf(controlId);
    if (*control == NULL) {
        waitingFor_ = "no control " + std::to_string(controlId) + " in " + Describe(window_);
        return Outcome::Wait;
    }
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::Perform(Step& step)
{
    if (!step.problem.empty()) {
        Fail(&step, step.problem);
        return Outcome::Stop;
    }
    HWND control = NULL;
    Outcome ready;
    switch (step.kind) {
    case Kind::WaitDialog:
    case Kind::WaitCaption:
        return WaitForDialog(step);
    case Kind::WaitPage:
        return WaitForPage(step);
    case Kind::WaitClosed:
        if (window_ == NULL) {
            Fail(&step, "no dialog or page was waited for before this step");
            return Outcome::Stop;
        }
        if (!IsWindow(window_) || !IsWindowVisible(window_))
            return Outcome::Done;
        waitingFor_ = Describe(window_) + " is still open";
        return Outcome::Wait;
    case Kind::PressSheetButton:
        return PressSheet(step);
    case Kind::AnswerMessageBox:
        return Answer(step);
    case Kind::Screenshot:
        return TakeScreenshot(step);
    case Kind::Do:
        if (step.action && step.action(window_))
            return Outcome::Done;
        waitingFor_ = "the step's own condition";
        return Outcome::Wait;
    case Kind::Type:
        return TypeText(step);
    case Kind::Pick:
        return PickItem(step);
    default:
        break;
    }

    ready = NeedControl(step.id, &control);
    if (ready != Outcome::Done)
        return ready;
    switch (step.kind) {
    case Kind::WaitEnabled:
        if (IsWindowEnabled(control) && IsWindowVisible(control))
            return Outcome::Done;
        waitingFor_ = "control " + std::to_string(step.id) + " is " +
                      (IsWindowVisible(control) ? "disabled" : "hidden");
        return Outcome::Wait;
    case Kind::ReadText:
        if (ClassOf(control) == "ListBox") {
            LRESULT selected = SendMessageA(control, LB_GETCURSEL, 0, 0);
            LRESULT length = selected == LB_ERR ? LB_ERR : SendMessageA(control, LB_GETTEXTLEN, selected, 0);
            std::string text;
            if (length != LB_ERR) {
                std::vector<char> buffer(static_cast<size_t>(length) + 1);
                LRESULT copied = SendMessageA(control, LB_GETTEXT, selected, reinterpret_cast<LPARAM>(buffer.data()));
                if (copied != LB_ERR && copied <= length)
                    text.assign(buffer.data(), static_cast<size_t>(copied));
            }
            texts_[step.text] = text;
        } else {
            texts_[step.text] = WindowText(control);
        }
        return Outcome::Done;
    case Kind::ExpectText: {
        std::string actual = WindowText(control);
        if (actual != step.text)
            Fail(&step, "the control reads " + Quoted(actual));
        return Outcome::Done;
    }
    case Kind::ExpectChecked: {
        LRESULT state = SendMessageA(control, BM_GETCHECK, 0, 0);
        if (state != step.value)
            Fail(&step, "its check state is " + std::to_string(state));
        return Outcome::Done;
    }
    case Kind::ExpectEnabled:
        if ((IsWindowEnabled(control) != FALSE) != (step.value != 0))
            Fail(&step, std::string("the control is ") + (step.value ? "disabled" : "enabled"));
        return Outcome::Done;
    case Kind::ExpectVisible:
        if ((IsWindowVisible(control) != FALSE) != (step.value != 0))
            Fail(&step, std::string("the control is ") + (step.value ? "hidden" : "visible"));
        return Outcome::Done;
    case Kind::Tick: {
        if (ClassOf(control) != "Button") {
            Fail(&step, "control is a " + ClassOf(control) + ", not a check box");
            return Outcome::Stop;
        }
        LONG type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
        bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        if (!radio && type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_3STATE &&
            type != BS_AUTO3STATE) {
            Fail(&step, "the button is neither a check box nor a radio button");
            return Outcome::Stop;
        }
        LRESULT wanted = step.value ? BST_CHECKED : BST_UNCHECKED;
        if (SendMessageA(control, BM_GETCHECK, 0, 0) == wanted)
            return Outcome::Done;
        if (radio && !step.value) {
            Fail(&step, "a click cannot untick a radio button");
            return Outcome::Stop;
        }
        if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
            Fail(&step, std::string("the box is ") + (IsWindowVisible(control) ? "disabled" : "hidden") +
                        "; not clicked");
            return Outcome::Stop;
        }
        next_ = next_ + 1;
        stepStarted_ = GetTickCount();
        // A three-state box passes through "indeterminate": up to three clicks.
        for (int click = 0; click < 3 && IsWindow(control); ++click) {
            SendMessageA(control, BM_CLICK, 0, 0);
            if (!IsWindow(control) || SendMessageA(control, BM_GETCHECK, 0, 0) == wanted ||
                (type != BS_3STATE && type != BS_AUTO3STATE))
                break;
        }
        return Outcome::Done;
    }
    case Kind::Press:
        if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
            Fail(&step, std::string("the button is ") + (IsWindowVisible(control) ? "disabled" : "hidden") +
                        "; not pressed");
            return Outcome::Stop;
        }
        next_ = next_ + 1;
        stepStarted_ = GetTickCount();
        SendMessageA(control, BM_CLICK, 0, 0);
        return Outcome::Done;
    default:
        Fail(&step, "unknown step");
        return Outcome::Stop;
    }
}

DialogDriver::Outcome DialogDriver::WaitForDialog(const Step& step)
{
    HWND found = NULL;
    for (HWND dialog : ThreadDialogs()) {
        // A template of a few buttons could otherwise match a sheet or a message box.
        bool match = step.kind == Kind::WaitCaption
            ? WindowText(dialog) == step.text
            : !IsSheet(dialog) && !IsMessageBox(dialog) && HasControls(dialog, step.templateControls);
        // The innermost match, if several: the one accepting input.
        if (match && (found == NULL || IsWindowEnabled(dialog)))
            found = dialog;
    }
    if (found == NULL) {
        waitingFor_ = step.kind == Kind::WaitCaption
            ? "no dialog captioned " + Quoted(step.text) + "; " + DescribeOpenWindows()
            : "no dialog with the controls of template " + std::to_string(step.id) + "; " +
              DescribeOpenWindows();
        return Outcome::Wait;
    }
    window_ = found;
    windowIsSheet_ = IsSheet(found);
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::WaitForPage(const Step& step)
{
    for (HWND dialog : ThreadDialogs()) {
        if (!IsSheet(dialog))
            continue;
        HWND page = reinterpret_cast<HWND>(SendMessageA(dialog, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (page == NULL)
            continue;
        LRESULT wanted = SendMessageA(dialog, PSM_IDTOINDEX, 0, step.id);
        bool match = wanted >= 0
            ? SendMessageA(dialog, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0) == wanted
            : HasControls(page, step.templateControls);
        if (match) {
            window_ = dialog;
            windowIsSheet_ = true;
            return Outcome::Done;
        }
    }
    waitingFor_ = "no sheet shows page " + std::to_string(step.id) + "; " + DescribeOpenWindows();
    return Outcome::Wait;
}

DialogDriver::Outcome DialogDriver::PressSheet(const Step& step)
{
    int buttonId = SheetButtonControl(step.id);
    if (buttonId == 0) {
        Fail(&step, "no such sheet button " + std::to_string(step.id));
        return Outcome::Stop;
    }
    if (window_ == NULL || !windowIsSheet_) {
        Fail(&step, "no property sheet was waited for before this step");
        return Outcome::Stop;
    }
    if (!IsWindow(window_) || !IsWindowVisible(window_)) {
        Fail(&step, "the sheet has closed; " + DescribeOpenWindows());
        return Outcome::Stop;
    }
    if (!IsWindowEnabled(window_)) {
        waitingFor_ = "the sheet does not accept input; " + DescribeOpenWindows();
        return Outcome::Wait;
    }
    // PSM_PRESSBUTTON presses a hidden or disabled button as readily as any.
    HWND button = GetDlgItem(window_, buttonId);
    if (button == NULL || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
        Fail(&step, std::string("the button is ") +
                    (button == NULL ? "missing" : !IsWindowVisible(button) ? "hidden" : "disabled") +
                    " on " + Describe(window_) + "; not pressed");
        return Outcome::Stop;
    }
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    SendMessageA(window_, PSM_PRESSBUTTON, static_cast<WPARAM>(step.id), 0);
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::Answer(const Step& step)
{
    HWND box = NULL;
    for (HWND dialog : ThreadDialogs()) {
        if (IsWindowEnabled(dialog) && IsMessageBox(dialog))
            box = dialog;
    }
    if (box == NULL) {
        waitingFor_ = "no message box; " + DescribeOpenWindows();
        return Outcome::Wait;
    }
    MessageBoxSeen seen{WindowText(box), WindowText(GetDlgItem(box, kMessageBoxText)), step.id};
    HWND button = GetDlgItem(box, step.id);
    if (button == NULL || !IsWindowVisible(button) || !IsWindowEnabled(button)) {
        seen.button = 0;
        messageBoxes_.push_back(seen);
        Fail(&step, "the message box " + Describe(box) + " has no usable button " +
                    std::to_string(step.id) + "; not answered");
        return Outcome::Stop;
    }
    messageBoxes_.push_back(seen);
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    SendMessageA(button, BM_CLICK, 0, 0);
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::TypeText(const Step& step)
{
    HWND control = NULL;
    Outcome ready = NeedControl(step.id, &control);
    if (ready != Outcome::Done)
        return ready;
    HWND edit = control;
    if (ClassOf(control) == "ComboBox") {
        COMBOBOXINFO info = {};
        info.cbSize = sizeof(info);
        edit = GetComboBoxInfo(control, &info) ? info.hwndItem : NULL;
    }
    if (edit == NULL || ClassOf(edit) != "Edit") {
        Fail(&step, "control is a " + ClassOf(control) + ", neither an edit nor an editable combo box");
        return Outcome::Stop;
    }
    if (!IsWindowVisible(control) || !IsWindowEnabled(control) ||
        (GetWindowLongA(edit, GWL_STYLE) & ES_READONLY)) {
        Fail(&step, std::string("the control is ") +
                    (!IsWindowVisible(control) ? "hidden" : !IsWindowEnabled(control) ? "disabled" : "read-only") +
                    "; nothing typed");
        return Outcome::Stop;
    }
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    // Select everything and rub it out, then type key by key: the control
    // notifies its parent of each change and keeps to its text limit.
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 1);
    for (char c : step.text) {
        if (!IsWindow(edit))
            break;
        SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::PickItem(const Step& step)
{
    HWND control = NULL;
    Outcome ready = NeedControl(step.id, &control);
    if (ready != Outcome::Done)
        return ready;
    std::string kind = ClassOf(control);
    bool list = kind == "ListBox";
    if (!list && kind != "ComboBox") {
        Fail(&step, "control is a " + kind + ", neither a list box nor a combo box");
        return Outcome::Stop;
    }
    if (!IsWindowVisible(control) || !IsWindowEnabled(control)) {
        Fail(&step, std::string("the control is ") + (IsWindowVisible(control) ? "disabled" : "hidden") +
                    "; nothing picked");
        return Outcome::Stop;
    }
    UINT getCount = list ? LB_GETCOUNT : CB_GETCOUNT;
    UINT getLength = list ? LB_GETTEXTLEN : CB_GETLBTEXTLEN;
    UINT getText = list ? LB_GETTEXT : CB_GETLBTEXT;
    LRESULT count = SendMessageA(control, getCount, 0, 0);
    LRESULT found = -1;
    for (LRESULT i = 0; i < count && found < 0; ++i) {
        LRESULT length = SendMessageA(control, getLength, i, 0);
        if (length < 0 || static_cast<size_t>(length) != step.text.size())
            continue;
        std::vector<char> buffer(static_cast<size_t>(length) + 1);
        LRESULT copied = SendMessageA(control, getText, i, reinterpret_cast<LPARAM>(buffer.data()));
        if (copied == length && step.text.compare(0, std::string::npos, buffer.data(), copied) == 0)
            found = i;
    }
    if (found < 0) {
        Fail(&step, "no item reads exactly " + Quoted(step.text) + " among its " +
                    std::to_string(count < 0 ? 0 : count) + " items");
        return Outcome::Stop;
    }
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    HWND parent = GetParent(control);
    WPARAM id = static_cast<WPARAM>(GetDlgCtrlID(control)) & 0xFFFF;
    if (list) {
        LONG style = GetWindowLongA(control, GWL_STYLE);
        if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
            SendMessageA(control, LB_SETSEL, FALSE, -1);
            SendMessageA(control, LB_SETSEL, TRUE, found);
            SendMessageA(control, LB_SETCARETINDEX, found, FALSE);
        } else {
            SendMessageA(control, LB_SETCURSEL, found, 0);
        }
        // A list box tells its parent of a pick only when asked to.
        if (style & LBS_NOTIFY)
            SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    } else {
        SendMessageA(control, CB_SETCURSEL, found, 0);
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(control));
    }
    return Outcome::Done;
}

DialogDriver::Outcome DialogDriver::TakeScreenshot(const Step& step)
{
    next_ = next_ + 1;
    stepStarted_ = GetTickCount();
    std::string directory = ScreenshotDirectory();
    CreateDirectoryA(directory.c_str(), NULL);
    std::string path = directory + "\\" + FileNamePart(name_) + "-" + FileNamePart(step.text) + ".png";
    std::string error;
    if (CaptureWindows(path, &error))
        screenshots_.push_back(path);
    else
        Fail(&step, error);
    return Outcome::Done;
}
