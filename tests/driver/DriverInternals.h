// What the dialog driver's files share: the windows of the calling thread
// as the driver sees them, and the screenshots. Not for tests: they use
// DialogDriver.h.
#ifndef PHONEBK_DRIVERINTERNALS_H
#define PHONEBK_DRIVERINTERNALS_H

#include <windows.h>
#include <string>
#include <vector>

namespace driver_internal {

// The sheet's own controls (comctl32's template ids).
const int kSheetTabControl = 0x3020;
const int kSheetApplyButton = 0x3021;
const int kSheetBackButton = 0x3023;
const int kSheetNextButton = 0x3024;
const int kSheetFinishButton = 0x3025;
// The text of a message box.
const int kMessageBoxText = 0xFFFF;
const size_t kDescribedTextLength = 80;

// ---- Windows (DriverWindows.cpp)
std::string WindowText(HWND window);
std::string ClassOf(HWND window);
std::string Shortened(const std::string& text);
std::string Quoted(const std::string& text);
bool IsSheet(HWND window);
bool IsMessageBox(HWND window);
std::vector<HWND> ThreadDialogs();
std::string Describe(HWND window);
std::string DescribeOpenWindows();
bool TemplateControlIds(HMODULE module, int templateId, std::vector<int>* ids, std::string* error);
bool HasControls(HWND window, const std::vector<int>& ids);
const char* SheetButtonName(int psbtn);
int SheetButtonControl(int psbtn);

// ---- Screenshots (DriverScreenshot.cpp): this thread's visible windows,
// captured through GDI and written as a PNG file at path.
bool CaptureWindows(const std::string& path, std::string* error);
// A text made fit for a file name: letters, digits, '-' and '.' stay, the
// rest become '_'.
std::string FileNamePart(const std::string& text);

}  // namespace driver_internal

#endif
