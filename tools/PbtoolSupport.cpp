// The name rule, quiet reads, the listing, progress and
// whole files, for pbtool's export, import and check.
#include "PbtoolSupport.h"

#include <fcntl.h>
#include <io.h>
#include <mbstring.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "EntryNames.h"
#include "Handles.h"

// ---- Names --------------------------------------------------------------------

std::string NameRefusal(const std::string& directory, const std::string& name)
{
    switch (FindEntryNameProblem(directory.c_str(), name.c_str())) {
    case kNameBlank: return "must not be blank";
    case kNameForbiddenCharacter: return "holds one of \\ / : * ? \" < > |";
    case kNameDevice: return "is the name of a Windows device; choose another name";
    case kNameTooLong: return "is too long: the entry's file would not fit in a path of 260 bytes";
    case kNameUsable: break;
    }
    return std::string();
}

// ---- Reading ------------------------------------------------------------------

namespace {

bool g_windowRefused = false;

LRESULT CALLBACK RefuseWindows(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        g_windowRefused = true;
        return 1;
    }
    return CallNextHookEx(NULL, code, wParam, lParam);
}

}  // namespace

QuietReads::QuietReads() : hook_(SetWindowsHookExA(WH_CBT, RefuseWindows, NULL, GetCurrentThreadId())) {}

QuietReads::~QuietReads()
{
    if (hook_ != NULL)
        UnhookWindowsHookEx(hook_);
}

QuietReads::Outcome QuietReads::Read(VmrPhoneBook& book, const std::string& path)
{
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    g_windowRefused = false;
    if (book.ReadEntry(name.data()))
        return kRead;
    // The library tells of no failure but this one in a window.
    return g_windowRefused ? kOtherVersion : kUnreadable;
}

// ---- Listing ------------------------------------------------------------------

std::string FileNameOf(const std::string& path)
{
    size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

bool HasEntryExtension(const std::string& fileName)
{
    return fileName.size() > 4 && _stricmp(fileName.c_str() + fileName.size() - 4, ".vmr") == 0;
}

std::string EntryNameOfFile(const std::string& fileName)
{
    return HasEntryExtension(fileName) ? fileName.substr(0, fileName.size() - 4) : fileName;
}

namespace {

int CALLBACK CollectPath(char* path, long list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(path);
    return 1;
}

}  // namespace

std::vector<std::string> ListEntryFiles(VmrPhoneBook& book)
{
    std::vector<std::string> listed;
    book.EnumEntryNames(CollectPath, reinterpret_cast<long>(&listed));
    // The pattern also matches by short names ("x.vmrx"): the long name
    // decides. A folder named like an entry stays: no entry can be written
    // over it, and its read fails like any unreadable entry's.
    std::vector<std::string> files;
    for (const std::string& path : listed) {
        if (HasEntryExtension(FileNameOf(path)))
            files.push_back(path);
    }
    std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) {
        int caseless = _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                                reinterpret_cast<const unsigned char*>(b.c_str()));
        return caseless != 0 ? caseless < 0 : a < b;
    });
    return files;
}

// ---- Console ------------------------------------------------------------------

Progress::Progress(const char* verb, size_t total) : verb_(verb), total_(total)
{
    DWORD mode = 0;
    console_ = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != FALSE;
}

Progress::~Progress()
{
    if (shown_)
        fprintf(stderr, "\r%*s\r", 60, "");
}

void Progress::Step(size_t done)
{
    if (!console_)
        return;
    // A console line costs a round trip to the console: a few a second do.
    DWORD now = GetTickCount();
    if (shown_ && done != total_ && now - last_ < 100)
        return;
    last_ = now;
    shown_ = true;
    fprintf(stderr, "\r%s: %lu of %lu", verb_, static_cast<unsigned long>(done), static_cast<unsigned long>(total_));
    fflush(stderr);
}

// ---- Whole files --------------------------------------------------------------

bool ReadWholeFile(const std::string& path, std::string* bytes)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x40000000)
        return false;
    bytes->resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes->empty() && (!ReadFile(file.get(), &(*bytes)[0], static_cast<DWORD>(bytes->size()), &read, NULL) ||
                            read != bytes->size()))
        return false;
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return false;
    DWORD written = 0;
    return bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL) &&
                             written == bytes.size());
}

bool WriteToStdout(const std::string& bytes)
{
    // The bytes as they are: no line ending turned into CR LF twice.
    fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    bool ok = fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    return fflush(stdout) == 0 && ok;
}
