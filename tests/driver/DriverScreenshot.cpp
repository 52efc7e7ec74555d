// Screenshots for the dialog driver: the thread's windows, captured through
// GDI, written as PNG files with no library beyond the system's.
#include "DriverInternals.h"

#include <ctype.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

namespace driver_internal {

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

}  // namespace driver_internal
