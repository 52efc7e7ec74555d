// The dialog test driver's safety nets: the watchdog (nothing waits long, and
// every failure names its step) and the screenshots.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "DialogDriver.h"
#include "DriverTestDialogs.h"
#include "DriverTestIds.h"
#include "TestSupport.h"

// ---- The watchdog: nothing waits long, and every failure names its step.

TEST(DriverWatchdog, DialogThatNeverClosesFailsWithinTheDefaultDeadline)
{
    ControlsLog log;
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS);
    DWORD start = GetTickCount();
    INT_PTR result = 0;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowControls(&log); }),
                            "after the last step: the modal call has not returned 3000 ms after the last "
                            "step; open: 'Driver controls'");
    DWORD elapsed = Since(start);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_GE(elapsed, 3000u);
    EXPECT_LT(elapsed, 5000u);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_FALSE(QuitPending());
}

TEST(DriverWatchdog, DialogThatNeverAppearsFailsFast)
{
    DialogDriver driver;
    driver.SetStepDeadline(1500);
    driver.WaitDialog(IDD_CONTROLS).Press(IDOK);
    DWORD start = GetTickCount();
    EXPECT_NONFATAL_FAILURE(driver.Run(PumpUntilQuit),
                            "step 1 of 2 (wait for dialog 101): not done within 1500 ms: no dialog with "
                            "the controls of template 101; no dialog of this thread is open");
    DWORD elapsed = Since(start);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_GE(elapsed, 1500u);
    EXPECT_LT(elapsed, 2500u);
    EXPECT_FALSE(QuitPending());
}

TEST(DriverWatchdog, SheetThatRefusesCancelIsEndedByQuit)
{
    SheetLog log;
    log.refuseCancel = true;
    DialogDriver driver;
    driver.SetStepDeadline(1000);
    driver.WaitPage(IDD_PAGE_CONFIRM);                 // never: nobody presses Next
    DWORD start = GetTickCount();
    INT_PTR result = -1;
    EXPECT_NONFATAL_FAILURE(result = driver.Run([&] { return ShowSheet(&log, true); }),
                            "step 1 of 1 (wait for page 202): not done within 1000 ms: no sheet shows "
                            "page 202; open: 'Name the connection' (property sheet, page 'Name the "
                            "connection')");
    DWORD elapsed = Since(start);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_TRUE(log.Saw("201:QUERYCANCEL"));           // asked first, and refused
    EXPECT_LT(elapsed, 3500u);
    EXPECT_NE(1, result);
    EXPECT_FALSE(QuitPending());
}

TEST(DriverWatchdog, CallThatReturnsBeforeTheScriptEndsFails)
{
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS).Press(IDOK);
    EXPECT_NONFATAL_FAILURE(driver.Run([] { return 0; }),
                            "step 1 of 2 (wait for dialog 101): the modal call returned before this step ran");
    EXPECT_EQ(0u, driver.StepsDone());
}

TEST_CHILD(HungModalCall)
{
    DialogDriver driver("HungModalCall");
    driver.SetHardLimit(static_cast<DWORD>(atoi(arg)));
    driver.WaitDialog(IDD_CONTROLS);
    // Blocks without dispatching messages: the driver's timer never runs.
    driver.Run([] { Sleep(60000); });
    return 0;
}

TEST(DriverWatchdog, HardLimitEndsAProcessThatStopsDispatching)
{
    std::string out, err;
    DWORD start = GetTickCount();
    DWORD exitCode = RunProgram("\"" + ProgramPath() + "\" --child HungModalCall 1500", &out, &err);
    DWORD elapsed = Since(start);
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_EQ(3u, exitCode);
    EXPECT_NE(std::string::npos,
              err.find("DialogDriver HungModalCall: the modal call has not returned within 1500 ms, "
                       "step 1 (wait for dialog 101); ending the process"))
        << err;
    EXPECT_LT(elapsed, 10000u);
}

// ---- Screenshots.

namespace {

uint32_t BigEndian(const std::vector<unsigned char>& bytes, size_t at)
{
    return (uint32_t(bytes[at]) << 24) | (uint32_t(bytes[at + 1]) << 16) | (uint32_t(bytes[at + 2]) << 8) |
           bytes[at + 3];
}

struct Png {
    uint32_t width = 0, height = 0;
    std::vector<unsigned char> pixels;   // RGB rows, each after its filter byte
    std::string error;
};

// Reads a PNG as the driver writes it: chunks checked against ntdll's CRC,
// image data in stored deflate blocks.
Png ReadPng(const std::vector<unsigned char>& file)
{
    typedef DWORD(WINAPI * Crc32Function)(DWORD, const BYTE*, INT);
    Crc32Function crc32 = reinterpret_cast<Crc32Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "RtlComputeCrc32")));
    Png png;
    const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (file.size() < 8 || memcmp(file.data(), signature, 8) != 0) {
        png.error = "no PNG signature";
        return png;
    }
    std::vector<unsigned char> zlib;
    bool ended = false;
    for (size_t at = 8; at + 12 <= file.size() && !ended;) {
        uint32_t size = BigEndian(file, at);
        if (size > file.size() - at - 12) {
            png.error = "chunk overruns the file";
            return png;
        }
        std::string type(file.begin() + at + 4, file.begin() + at + 8);
        if (crc32 == nullptr || crc32(0, file.data() + at + 4, static_cast<INT>(size + 4)) !=
                                    BigEndian(file, at + 8 + size)) {
            png.error = "bad CRC in " + type;
            return png;
        }
        const unsigned char* data = file.data() + at + 8;
        if (type == "IHDR" && size == 13) {
            png.width = BigEndian(file, at + 8);
            png.height = BigEndian(file, at + 12);
            if (data[8] != 8 || data[9] != 2) {
                png.error = "not 8-bit RGB";
                return png;
            }
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), data, data + size);
        } else if (type == "IEND") {
            ended = true;
        }
        at += 12 + size;
    }
    if (!ended) {
        png.error = "no IEND";
        return png;
    }
    for (size_t at = 2; at + 5 <= zlib.size();) {
        unsigned char header = zlib[at];
        if ((header & 6) != 0) {
            png.error = "not a stored block";
            return png;
        }
        size_t length = zlib[at + 1] | (zlib[at + 2] << 8);
        if (static_cast<size_t>((zlib[at + 3] | (zlib[at + 4] << 8)) ^ 0xFFFF) != length || at + 5 + length > zlib.size()) {
            png.error = "bad stored block";
            return png;
        }
        png.pixels.insert(png.pixels.end(), zlib.begin() + at + 5, zlib.begin() + at + 5 + length);
        at += 5 + length;
        if (header & 1)
            break;
    }
    if (png.pixels.size() != size_t(png.height) * (1 + 3 * size_t(png.width)))
        png.error = "image data of " + std::to_string(png.pixels.size()) + " bytes";
    return png;
}

}  // namespace

TEST(DriverScreenshots, WritesThisThreadsDialogAsPng)
{
    ControlsLog log;
    RECT window = {};
    POINT client = {};
    DialogDriver driver;
    driver.WaitDialog(IDD_CONTROLS)
        .Type(IDC_NAME, "Seen")
        .Do("note where the dialog is",
            [&](HWND dialog) {
                GetWindowRect(dialog, &window);
                ClientToScreen(dialog, &client);
                return true;
            })
        .Screenshot("controls")
        .Press(IDOK);
    EXPECT_EQ(IDOK, driver.Run([&] { return ShowControls(&log); }));
    EXPECT_FALSE(driver.Failed());
    ASSERT_EQ(1u, driver.ScreenshotFiles().size());
    const std::string& path = driver.ScreenshotFiles()[0];
    EXPECT_EQ(DialogDriver::ScreenshotDirectory() + "\\DriverScreenshots.WritesThisThreadsDialogAsPng-controls.png",
              path);

    Png png = ReadPng(ReadFileBytes(path));
    ASSERT_EQ("", png.error);
    EXPECT_EQ(uint32_t(window.right - window.left), png.width);
    EXPECT_EQ(uint32_t(window.bottom - window.top), png.height);
    // Just inside the client area, left of every control: the dialog's face.
    size_t x = client.x - window.left + 2, y = client.y - window.top + 2;
    ASSERT_LT(x, png.width);
    ASSERT_LT(y, png.height);
    const unsigned char* pixel = &png.pixels[y * (1 + 3 * png.width) + 1 + 3 * x];
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    EXPECT_EQ(GetRValue(face), pixel[0]);
    EXPECT_EQ(GetGValue(face), pixel[1]);
    EXPECT_EQ(GetBValue(face), pixel[2]);
    // The caption bar is not the face colour: the frame was captured too.
    const unsigned char* caption = &png.pixels[(size_t(client.y - window.top) / 2) * (1 + 3 * png.width) + 1 +
                                               3 * (png.width / 2)];
    EXPECT_FALSE(caption[0] == pixel[0] && caption[1] == pixel[1] && caption[2] == pixel[2]);
}
