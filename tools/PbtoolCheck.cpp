// pbtool check: what in a phone book folder the library cannot use, one line
// a finding; --repair moves unreadable files aside and removes the leftovers
// of ended writes.
#include "PbtoolBulk.h"

#include <stdio.h>
#include <string.h>

#include "DeviceNames.h"
#include "VmrEntryBatch.h"
#include "Handles.h"
#include "PbtoolSupport.h"

namespace {

const DWORD kEntryFileSize = sizeof(VmrEntryRecord);
const wchar_t kDamagedFolder[] = L"damaged";

struct FolderFile {
    std::wstring name;
    std::string ansiName;   // what the library's ANSI calls see
    bool exact;             // ansiName is the name itself
    DWORD size;
};

// A name for the console; a character the code page cannot hold shows as "?".
std::string Ansi(const std::wstring& wide)
{
    char text[MAX_PATH * 2];
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, text, sizeof(text), NULL, NULL);
    return length > 0 ? text : "?";
}

std::vector<FolderFile> ListFolder(const std::wstring& directory)
{
    std::vector<FolderFile> files;
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW((directory + L"*").c_str(), &found));
    if (!find)
        return files;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        FolderFile file;
        file.name = found.cFileName;
        file.exact = WideToAnsiExactly(file.name, &file.ansiName);
        if (!file.exact)
            file.ansiName = Ansi(file.name);
        file.size = found.nFileSizeHigh != 0 ? 0xFFFFFFFFu : found.nFileSizeLow;
        files.push_back(file);
    } while (FindNextFileW(find.get(), &found));
    return files;
}

// Opens the file as nobody else may at the same time; false while another
// handle holds it (a write in progress, a reader) or access is denied.
bool NobodyHolds(const std::wstring& path, DWORD access)
{
    FileHandle file(CreateFileW(path.c_str(), access, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    return file.valid();
}

// The path of a file in directory without the DOS device rule, for a file
// named like a device: "\\?\C:\dir\COM1.vmr" is the file, not the port.
// Only the directory goes through GetFullPathNameW, which turns a device's
// name into the device ("\\.\COM1").
std::wstring Literal(const std::wstring& directory, const std::wstring& name)
{
    wchar_t full[MAX_PATH * 2];
    DWORD length = GetFullPathNameW(directory.c_str(), MAX_PATH * 2, full, NULL);
    if (length == 0 || length >= MAX_PATH * 2)
        return directory + name;
    std::wstring path = full;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return L"\\\\?\\" + path + name;
}

// Moves a file into the damaged folder under its own name, or "name (2).ext"
// and so on when that is taken: nothing there is ever replaced.
bool MoveToDamaged(const std::wstring& directory, const std::wstring& name, std::wstring* movedTo)
{
    std::wstring folder = directory + kDamagedFolder + L"\\";
    CreateDirectoryW(folder.c_str(), NULL);
    size_t dot = name.find_last_of(L'.');
    std::wstring stem = dot == std::wstring::npos ? name : name.substr(0, dot);
    std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    std::wstring source = Literal(directory, name);
    for (int copy = 1; copy < 1000; ++copy) {
        std::wstring target = copy == 1 ? name : stem + L" (" + std::to_wstring(copy) + L")" + extension;
        if (MoveFileExW(source.c_str(), Literal(folder, target).c_str(), 0)) {
            *movedTo = std::wstring(kDamagedFolder) + L"\\" + target;
            return true;
        }
        DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}


int CALLBACK CollectListed(char* path, long list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(path);
    return 1;
}

class Checker
{
public:
    Checker(VmrPhoneBook& book, bool repair)
        : book_(book), repair_(repair), directory_(DirectoryOf(book)), wideDirectory_(AnsiToWide(directory_))
    {
    }

    size_t Run()
    {
        std::vector<FolderFile> files = ListFolder(wideDirectory_);
        Progress progress("check", files.size());
        bool leftovers = false;
        for (size_t i = 0; i < files.size(); ++i) {
            leftovers = CheckFile(files[i]) || leftovers;
            progress.Step(i + 1);
        }
        CheckListedNames();
        if (repair_ && leftovers) {
            VmrRemoveWriteLeftovers(directory_.c_str());
        }
        for (const std::wstring& leftover : leftovers_) {
            std::string what = "a leftover of a write that ended before it was done";
            if (repair_) {
                bool gone = GetFileAttributesW((wideDirectory_ + leftover).c_str()) == INVALID_FILE_ATTRIBUTES;
                what += gone ? "; cleared up" : "; could not be cleared up";
            }
            Finding(leftover, what);
        }
        return findings_;
    }

private:
    void Finding(const std::wstring& name, const std::string& what)
    {
        ++findings_;
        printf("%s: %s\n", Ansi(wideDirectory_ + name).c_str(), what.c_str());
    }

    // An unreadable file: reported, and with --repair moved aside.
    void Unreadable(const std::wstring& name, const std::string& what)
    {
        if (!repair_) {
            Finding(name, what);
            return;
        }
        std::wstring movedTo;
        if (MoveToDamaged(wideDirectory_, name, &movedTo))
            Finding(name, what + "; moved to " + Ansi(movedTo));
        else
            Finding(name, what + "; could not be moved (error " + std::to_string(GetLastError()) + ")");
    }

    // True for a leftover of an ended write.
    bool CheckFile(const FolderFile& file)
    {
        if (file.exact && NamesDevice(file.ansiName.c_str())) {
            Unreadable(file.name, "the name of a Windows device: an open of it reaches the device, not the file");
            return false;
        }
        if (file.exact && VmrLeftoverKind(file.ansiName.c_str()) != VMR_LEFTOVER_NONE) {
            // A write in progress holds its file open; only an ended one's is free.
            if (!NobodyHolds(wideDirectory_ + file.name, DELETE))
                return false;
            leftovers_.push_back(file.name);
            return true;
        }
        if (!HasEntryExtension(Ansi(file.name)))
            return false;
        if (!file.exact) {
            Finding(file.name, "its stored name differs from its file name: the ANSI code page " +
                                   std::to_string(GetACP()) +
                                   " cannot hold the file's name, so the library cannot open it by its name");
            return false;
        }
        if (file.size != kEntryFileSize) {
            Unreadable(file.name, "torn: " + std::to_string(file.size) + " bytes, where an entry has " +
                                      std::to_string(kEntryFileSize));
            return false;
        }
        switch (reads_.Read(book_, directory_ + file.ansiName)) {
        case QuietReads::kOtherVersion:
            Unreadable(file.name, "an entry of another version of the library, which this one cannot read");
            return false;
        case QuietReads::kUnreadable:
            if (!NobodyHolds(wideDirectory_ + file.name, GENERIC_READ))
                Finding(file.name, "cannot be opened: another program holds it, or access is denied; not checked");
            else
                Unreadable(file.name, "not an entry of this library: a foreign file, or one enciphered under another key");
            return false;
        case QuietReads::kRead:
            break;
        }
        std::string stored = StoredEntryNameOf(book_);
        if (stored != file.ansiName)
            Finding(file.name, "its stored name '" + stored + "' differs from its file name");
        return false;
    }

    // The library's listing matches "*.vmr" by short names too: such a file
    // is listed as an entry although its name does not end in ".vmr", and a
    // read by that name looks for another file.
    void CheckListedNames()
    {
        std::vector<std::string> listed;
        book_.EnumEntryNames(CollectListed, reinterpret_cast<long>(&listed));
        for (const std::string& path : listed) {
            std::string name = FileNameOf(path);
            DWORD attributes = GetFileAttributesA(path.c_str());
            if (!HasEntryExtension(name) && attributes != INVALID_FILE_ATTRIBUTES &&
                (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                Finding(AnsiToWide(name), "its stored name differs from its file name: the library lists it as an "
                                          "entry by its short name, but its name does not end in .vmr");
        }
    }

    VmrPhoneBook& book_;
    bool repair_;
    std::string directory_;
    std::wstring wideDirectory_;
    QuietReads reads_;
    std::vector<std::wstring> leftovers_;
    size_t findings_ = 0;
};

}  // namespace

int CheckCommand(VmrPhoneBook& book, const std::vector<std::string>& args)
{
    bool repair = args.size() == 1 && args[0] == "--repair";
    if (!args.empty() && !repair) {
        fprintf(stderr, "pbtool: check takes only --repair (pbtool --help lists the verbs)\n");
        return 2;
    }
    if (DirectoryOf(book).empty() ||
        GetFileAttributesA(DirectoryOf(book).c_str()) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "pbtool: the phone book directory '%s' cannot be found\n", DirectoryOf(book).c_str());
        return 1;
    }
    Checker checker(book, repair);
    size_t findings = checker.Run();
    printf("%lu finding%s\n", static_cast<unsigned long>(findings), findings == 1 ? "" : "s");
    return findings == 0 ? 0 : 1;
}
