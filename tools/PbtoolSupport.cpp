// The name rule, quiet reads, the listing, progress and
// whole files, for pbtool's export, import and check.
#include "PbtoolSupport.h"

#include <fcntl.h>
#include <io.h>
#include <mbstring.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "DeviceNames.h"
#include "EntryNames.h"
#include "Handles.h"

// ---- Names --------------------------------------------------------------------

std::string NameRefusal(const std::string& directory, const std::string& name)
{
    switch (FindEntryNameProblem(directory.c_str(), name.c_str())) {
    case kNameBlank: return "must not be blank";
    case kNameForbiddenCharacter:
        for (unsigned char c : name) {
            if (c < 0x20)
                return "holds a control character (a line break or a tab), which no file name may hold";
        }
        return "holds one of \\ / : * ? \" < > |";
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

std::string EntryFileName(const std::string& name)
{
    bool hasExtension = name.size() >= 4 && _stricmp(name.c_str() + name.size() - 4, ".vmr") == 0;
    return hasExtension ? name : name + ".vmr";
}

bool HasEntryExtension(const std::string& fileName)
{
    return fileName.size() > 4 && _stricmp(fileName.c_str() + fileName.size() - 4, ".vmr") == 0;
}

std::string EntryNameOfFile(const std::string& fileName)
{
    return HasEntryExtension(fileName) ? fileName.substr(0, fileName.size() - 4) : fileName;
}

std::vector<std::string> ListEntryFiles(VmrPhoneBook& book)
{
    std::vector<std::string> files;
    ListEntryFiles(book, &files);
    return files;
}

std::string ListEntryFiles(VmrPhoneBook& book, std::vector<std::string>* files)
{
    files->clear();
    std::string directory = DirectoryOf(book);
    std::string pattern = directory + "*.vmr";
    if (pattern.size() >= MAX_PATH)
        return "the phone book directory '" + directory + "' is too long to be listed";
    // The ANSI calls: the entries' names are ANSI, and Windows 95/98 answer
    // the wide ones with nothing.
    WIN32_FIND_DATAA found;
    FindHandle find(FindFirstFileA(pattern.c_str(), &found));
    if (!find) {
        DWORD error = GetLastError();
        DWORD attributes = GetFileAttributesA(directory.c_str());
        if (error == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
            (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return std::string();
        return "the phone book directory '" + directory + "' cannot be listed (error " + std::to_string(error) + ")";
    }
    do {
        // The pattern also matches by short names ("x.vmrx"): the long name
        // decides. A folder named like an entry stays: no entry can be
        // written over it, and its read fails like any unreadable entry's.
        if (HasEntryExtension(found.cFileName))
            files->push_back(directory + found.cFileName);
    } while (FindNextFileA(find.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES)
        return "the listing of the phone book directory '" + directory + "' ended part-way (error " +
               std::to_string(GetLastError()) + ")";
    std::sort(files->begin(), files->end(), [](const std::string& a, const std::string& b) {
        int caseless = _mbsicmp(reinterpret_cast<const unsigned char*>(a.c_str()),
                                reinterpret_cast<const unsigned char*>(b.c_str()));
        return caseless != 0 ? caseless < 0 : a < b;
    });
    return std::string();
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

std::string ReadInputFile(const std::string& path, std::string* bytes)
{
    if (NamesDevice(path.c_str()))
        return path + " names a device or a pipe, not a file";
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL));
    if (!file)
        return "cannot open " + path + " (error " + std::to_string(GetLastError()) + ")";
    DWORD high = 0;
    DWORD size = GetFileSize(file.get(), &high);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return "cannot read " + path + " (error " + std::to_string(GetLastError()) + ")";
    if (high != 0 || size > kMostInputBytes)
        return path + " is larger than " + std::to_string(kMostInputBytes / (1024 * 1024)) +
               " MB, the most pbtool reads; split it";
    bytes->resize(size);
    DWORD read = 0;
    if (size != 0 && (!ReadFile(file.get(), &(*bytes)[0], size, &read, NULL) || read != size))
        return "cannot read " + path + " (error " + std::to_string(GetLastError()) + ")";
    return std::string();
}

namespace {

// The file's name in its directory, for a file beside it.
std::string FolderOfFile(const std::string& path)
{
    size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// A function of ADVAPI32.DLL bound by name, typed as its declaration: the
// security functions are Windows NT's, and Windows 95 lacks some of them.
template <typename Function>
bool Bind(Function** function, const char* name)
{
    HMODULE advapi = GetModuleHandleA("ADVAPI32.DLL");
    if (advapi == NULL)
        advapi = LoadLibraryA("ADVAPI32.DLL");   // stays loaded for the process
    *function = advapi == NULL ? NULL : reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(advapi, name)));
    return *function != NULL;
}

// A descriptor whose list grants the process's user everything and nobody
// else anything, inherited from no folder. False where the system has no
// permissions (Windows 95/98) or the user cannot be told.
class OwnerOnly
{
public:
    bool Make()
    {
        decltype(OpenProcessToken)* openToken;
        decltype(GetTokenInformation)* tokenInformation;
        decltype(InitializeAcl)* initializeAcl;
        decltype(AddAccessAllowedAce)* addAllowed;
        decltype(InitializeSecurityDescriptor)* initializeDescriptor;
        decltype(SetSecurityDescriptorDacl)* setDacl;
        decltype(SetSecurityDescriptorControl)* setControl;
        if ((GetVersion() & 0x80000000) != 0 || !Bind(&openToken, "OpenProcessToken") ||
            !Bind(&tokenInformation, "GetTokenInformation") || !Bind(&initializeAcl, "InitializeAcl") ||
            !Bind(&addAllowed, "AddAccessAllowedAce") || !Bind(&initializeDescriptor, "InitializeSecurityDescriptor") ||
            !Bind(&setDacl, "SetSecurityDescriptorDacl"))
            return false;
        HANDLE token = NULL;
        if (!openToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return false;
        KernelHandle owner(token);
        DWORD size = 0;
        if (!tokenInformation(owner.get(), TokenUser, user_, sizeof(user_), &size))
            return false;
        PSID sid = reinterpret_cast<TOKEN_USER*>(user_)->User.Sid;
        if (!initializeAcl(reinterpret_cast<PACL>(acl_), sizeof(acl_), ACL_REVISION) ||
            !addAllowed(reinterpret_cast<PACL>(acl_), ACL_REVISION, GENERIC_ALL, sid) ||
            !initializeDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
            !setDacl(&descriptor_, TRUE, reinterpret_cast<PACL>(acl_), FALSE))
            return false;
        // Windows 2000 and later merge a folder's inheritable entries unless told not to.
        if (Bind(&setControl, "SetSecurityDescriptorControl"))
            setControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
        attributes_.nLength = sizeof(attributes_);
        attributes_.lpSecurityDescriptor = &descriptor_;
        attributes_.bInheritHandle = FALSE;
        return true;
    }
    SECURITY_ATTRIBUTES* attributes() { return &attributes_; }

private:
    DWORD user_[64];
    DWORD acl_[64];
    SECURITY_DESCRIPTOR descriptor_;
    SECURITY_ATTRIBUTES attributes_;
};

std::string ErrorText(const std::string& what, DWORD error)
{
    return what + " (error " + std::to_string(error) + ")";
}

}  // namespace

std::string ReplaceFileWhole(const std::string& path, const std::string& bytes, bool ownerOnly)
{
    if (NamesDevice(path.c_str()))
        return path + " names a device or a pipe, not a file";
    std::string folder = FolderOfFile(path);
    OwnerOnly security;
    SECURITY_ATTRIBUTES* attributes = ownerOnly && security.Make() ? security.attributes() : NULL;
    std::string temporary;
    FileHandle file;
    DWORD seed = GetTickCount() ^ GetCurrentProcessId();
    for (DWORD attempt = 0; attempt < 100 && !file; ++attempt) {
        char name[16];
        wsprintfA(name, "~pbt%04lX.tmp", (seed + attempt) & 0xFFFF);
        temporary = folder + name;
        if (temporary.size() >= MAX_PATH)
            return path + " is too long for a file beside it";
        file.reset(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, attributes, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL));
        if (!file && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return ErrorText("cannot create a file beside " + path, GetLastError());
    }
    if (!file)
        return "cannot create a file beside " + path;
    DWORD written = 0;
    bool whole = bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, NULL) &&
                                   written == bytes.size());
    whole = whole && FlushFileBuffers(file.get());
    DWORD error = GetLastError();
    // A close can be the first to tell that the data did not reach the disk.
    whole = CloseHandle(file.release()) && whole;
    if (whole) {
        bool moved = (GetVersion() & 0x80000000) == 0
                         ? MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
                         : MoveFileA(temporary.c_str(), path.c_str());
        // Windows 95/98 cannot move over a file: the old one is set aside
        // first, and comes back if the new one cannot take its place.
        if (!moved && (GetVersion() & 0x80000000) != 0 && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
            std::string aside = temporary + "~";
            if (MoveFileA(path.c_str(), aside.c_str())) {
                moved = MoveFileA(temporary.c_str(), path.c_str());
                if (moved)
                    DeleteFileA(aside.c_str());
                else
                    MoveFileA(aside.c_str(), path.c_str());
            }
        }
        if (moved)
            return std::string();
        error = GetLastError();
    }
    DeleteFileA(temporary.c_str());
    return ErrorText("cannot write " + path, error == NO_ERROR ? ERROR_WRITE_FAULT : error);
}

bool WriteToStdout(const std::string& bytes)
{
    // The bytes as they are: no line ending turned into CR LF twice.
    fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
    bool ok = fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
    return fflush(stdout) == 0 && ok;
}

std::string ForConsole(FILE* stream, const std::string& ansi)
{
    DWORD mode = 0;
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    UINT codePage = GetConsoleOutputCP();
    if (!GetConsoleMode(handle, &mode) || codePage == 0 || codePage == GetACP())
        return ansi;
    std::wstring wide = AnsiToWide(ansi);
    std::string shown;
    int length = WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), NULL, 0, NULL, NULL);
    if (length <= 0)
        return ansi;
    shown.resize(static_cast<size_t>(length));
    WideCharToMultiByte(codePage, 0, wide.data(), static_cast<int>(wide.size()), &shown[0], length, NULL, NULL);
    return shown;
}

std::string DirectoryRefusal(VmrPhoneBook& book)
{
    std::string directory = DirectoryOf(book);
    if (directory.empty())
        return "the phone book has no usable directory";
    if (NamesDevice(directory.c_str()))
        return "the phone book directory '" + directory + "' names a device or a pipe, not a folder";
    return std::string();
}
