// pbtool check: what in a phone book folder the library cannot use, one line
// a finding; --repair moves unreadable files aside and removes the leftovers
// of ended writes.
#include "PbtoolBulk.h"

#include <stdio.h>
#include <string.h>

#include "DeviceNames.h"
#include "EntryCipher.h"
#include "Handles.h"
#include "PbtoolSupport.h"
#include "PbtoolWrite.h"

namespace {

const DWORD kEntryFileSize = sizeof(VmrEntryRecord);
const wchar_t kDamagedFolder[] = L"damaged";

bool Windows9x()
{
    return (GetVersion() & 0x80000000) != 0;
}

}  // namespace

// Only the directory goes through GetFullPathNameW, which would turn a
// device's name into the device ("\\.\COM1"). A directory given verbatim
// already stays as it is.
std::wstring VerbatimPath(const std::wstring& directory, const std::wstring& name)
{
    wchar_t full[MAX_PATH * 2];
    DWORD length = Windows9x() ? 0 : GetFullPathNameW(directory.c_str(), MAX_PATH * 2, full, NULL);
    if (length == 0 || length >= MAX_PATH * 2)
        return directory + name;
    std::wstring path = full;
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    if (path.compare(0, 4, L"\\\\?\\") == 0)
        return path + name;
    if (path.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + path.substr(2) + name;
    return L"\\\\?\\" + path + name;
}

namespace {

struct FolderFile {
    std::wstring name;
    std::string ansiName;   // what the library's ANSI calls see
    bool exact;             // ansiName is the name itself
    bool folder;            // the folder of a batch's prepared files (no other folder is listed)
};

// A name for the console; a character the code page cannot hold shows as "?".
std::string Ansi(const std::wstring& wide)
{
    char text[MAX_PATH * 2];
    int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.c_str(), -1, text, sizeof(text), NULL, NULL);
    return length > 0 ? text : "?";
}

// The folder's files, by their wide names where the system has them. Windows
// 95/98 answer the wide calls with nothing: there the ANSI names are all
// there is, and a "?" in one stands for a character the code page lacks.
// False when the listing failed, whole or part-way.
bool ListFolder(const std::wstring& directory, std::vector<FolderFile>* files)
{
    if (Windows9x()) {
        WIN32_FIND_DATAA found;
        std::string pattern = Ansi(directory) + "*";
        FindHandle find(FindFirstFileA(pattern.c_str(), &found));
        if (!find)
            return false;
        do {
            FolderFile file;
            file.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (file.folder && LeftoverKind(found.cFileName) != kLeftoverPrepared)
                continue;
            file.ansiName = found.cFileName;
            file.name = AnsiToWide(file.ansiName);
            file.exact = file.ansiName.find('?') == std::string::npos;
            files->push_back(file);
        } while (FindNextFileA(find.get(), &found));
        return GetLastError() == ERROR_NO_MORE_FILES;
    }
    WIN32_FIND_DATAW found;
    FindHandle find(FindFirstFileW((directory + L"*").c_str(), &found));
    if (!find)
        return false;
    do {
        FolderFile file;
        file.name = found.cFileName;
        file.exact = WideToAnsiExactly(file.name, &file.ansiName);
        file.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (file.folder && (!file.exact || LeftoverKind(file.ansiName) != kLeftoverPrepared))
            continue;
        if (!file.exact)
            file.ansiName = Ansi(file.name);
        files->push_back(file);
    } while (FindNextFileW(find.get(), &found));
    return GetLastError() == ERROR_NO_MORE_FILES;
}

HANDLE OpenForCheck(const std::wstring& path, DWORD access, DWORD sharing)
{
    if (Windows9x())
        return CreateFileA(Ansi(path).c_str(), access, sharing, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    return CreateFileW(path.c_str(), access, sharing, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
}

// Another process holds an entry only for a moment (a read, a virus
// scanner, an indexer): an open it refuses is tried again, with growing
// waits, for about a second in all, before the file counts as busy.
FileHandle OpenWaitingOutSharing(const std::wstring& path, DWORD access, DWORD sharing, bool* busy)
{
    DWORD wait = 10;
    for (;;) {
        FileHandle file(OpenForCheck(path, access, sharing));
        DWORD error = GetLastError();
        *busy = !file && (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION);
        if (!*busy || wait > 640)
            return file;
        Sleep(wait);
        wait *= 2;
    }
}

// Opens the file as nobody else may at the same time; false while another
// handle holds it (a write in progress, a reader) or access is denied.
bool NobodyHolds(const std::wstring& path, DWORD access)
{
    FileHandle file(OpenForCheck(path, access, 0));
    return file.valid();
}

// What the file is, by its own bytes.
enum FileVerdict { kSound, kBusy, kCannotOpen, kTorn, kForeign, kOtherVersion };

FileVerdict JudgeBytes(const std::wstring& path, DWORD* size, unsigned short* version)
{
    bool busy = false;
    FileHandle file = OpenWaitingOutSharing(path, GENERIC_READ, FILE_SHARE_READ, &busy);
    if (!file)
        return busy ? kBusy : kCannotOpen;
    unsigned char bytes[sizeof(VmrEntryRecord) + 1];
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes, sizeof(bytes), &read, NULL))
        return kCannotOpen;
    *size = read;
    if (read != kEntryFileSize)
        return kTorn;
    DecryptRecord(bytes, static_cast<unsigned short>(read));
    VmrEntryRecord record;
    memcpy(&record, bytes, sizeof(record));
    if (memcmp(record.Magic, "vmr", sizeof(record.Magic)) != 0)
        return kForeign;
    *version = record.Version;
    return record.Version == 40 || record.Version == 41 ? kSound : kOtherVersion;
}

// Moves a file into the damaged folder under its own name, or "name (2).ext"
// and so on when that is taken: nothing there is ever replaced.
bool MoveToDamaged(const std::wstring& directory, const std::wstring& name, std::wstring* movedTo)
{
    std::wstring folder = directory + kDamagedFolder + L"\\";
    if (Windows9x())
        CreateDirectoryA(Ansi(folder).c_str(), NULL);
    else
        CreateDirectoryW(folder.c_str(), NULL);
    size_t dot = name.find_last_of(L'.');
    std::wstring stem = dot == std::wstring::npos ? name : name.substr(0, dot);
    std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot);
    std::wstring source = VerbatimPath(directory, name);
    for (int copy = 1; copy < 1000; ++copy) {
        std::wstring target = copy == 1 ? name : stem + L" (" + std::to_wstring(copy) + L")" + extension;
        std::wstring to = VerbatimPath(folder, target);
        BOOL moved = Windows9x() ? MoveFileA(Ansi(source).c_str(), Ansi(to).c_str())
                                 : MoveFileExW(source.c_str(), to.c_str(), 0);
        if (moved) {
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

    // The number of findings, or -1 when the folder could not be listed.
    long Run()
    {
        std::vector<FolderFile> files;
        if (!ListFolder(wideDirectory_, &files)) {
            fprintf(stderr, "pbtool: check: the phone book directory '%s' cannot be listed (error %lu)\n",
                    ForConsole(stderr, directory_).c_str(), GetLastError());
            return -1;
        }
        Progress progress("check", files.size());
        bool leftovers = false;
        for (size_t i = 0; i < files.size(); ++i) {
            leftovers = CheckFile(files[i]) || leftovers;
            progress.Step(i + 1);
        }
        CheckListedNames();
        if (repair_ && leftovers) {
            RemoveLeftovers(directory_);
        }
        for (const std::wstring& leftover : leftovers_) {
            std::string what = "a leftover of a write that ended before it was done";
            if (repair_) {
                std::wstring path = wideDirectory_ + leftover;
                bool gone = (Windows9x() ? GetFileAttributesA(Ansi(path).c_str()) : GetFileAttributesW(path.c_str())) ==
                            INVALID_FILE_ATTRIBUTES;
                what += gone ? "; cleared up" : "; could not be cleared up";
            }
            Finding(leftover, what);
        }
        return static_cast<long>(findings_);
    }

private:
    void Finding(const std::wstring& name, const std::string& what)
    {
        ++findings_;
        printf("%s: %s\n", ForConsole(stdout, Ansi(wideDirectory_ + name)).c_str(), what.c_str());
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

    // A batch that ended while it put its entries in place: the entries it
    // names may be the new ones or the old, and the administrator decides.
    void Journal(const FolderFile& file)
    {
        std::string text;
        std::string named;
        if (ReadInputFile(directory_ + file.ansiName, &text).empty()) {
            size_t start = 0;
            while (start < text.size() && named.size() < 2000) {
                size_t end = text.find_first_of("\r\n", start);
                if (end == std::string::npos)
                    end = text.size();
                std::string line = text.substr(start, end - start);
                size_t tab = line.find('\t');
                if (tab != std::string::npos)
                    line = line.substr(0, tab) + (line.compare(tab + 1, 8, "replaces") == 0 ? " (replacing one)" : "");
                if (!line.empty())
                    named += (named.empty() ? "" : ", ") + line;
                start = end + 1;
            }
        }
        Finding(file.name, "the journal of a batch of writes that ended while it put its entries in place; "
                           "look at the entries it names (new or old data), then delete it: " +
                               (named.empty() ? std::string("it names none") : named));
    }

    // True for a leftover of an ended write that the clean-up clears.
    bool CheckFile(const FolderFile& file)
    {
        if (file.folder)
            return CheckPreparedFolder(file);
        if (file.exact) {
            switch (LeftoverKind(file.ansiName)) {
            case kLeftoverJournal:
                Journal(file);
                return false;
            case kLeftoverTemporary:
            case kLeftoverAside:
                // A write in progress holds its file open; only an ended one's is free.
                if (!NobodyHolds(wideDirectory_ + file.name, DELETE))
                    return false;
                leftovers_.push_back(file.name);
                return true;
            default:
                break;
            }
        }
        // Only entry files are the phone book's: anything else in the
        // folder ("aux.txt" too) is somebody else's, and left as it is.
        if (!HasEntryExtension(Ansi(file.name)))
            return false;
        if (file.exact && NamesDevice(file.ansiName.c_str())) {
            Unreadable(file.name, "the name of a Windows device: an open of it reaches the device, not the file");
            return false;
        }
        if (!file.exact) {
            Finding(file.name, "its stored name differs from its file name: the ANSI code page " +
                                   std::to_string(GetACP()) +
                                   " cannot hold the file's name, so the library cannot open it by its name");
            return false;
        }
        // The library's read tells only whether it read the record, and it
        // reads a torn file's first blocks as well as a whole one's: the
        // file's own bytes tell the rest, once nobody else holds it.
        bool read = reads_.Read(book_, directory_ + file.ansiName) == QuietReads::kRead;
        DWORD size = 0;
        unsigned short version = 0;
        FileVerdict verdict = JudgeBytes(VerbatimPath(wideDirectory_, file.name), &size, &version);
        if (read && verdict != kTorn) {
            std::string stored = StoredEntryNameOf(book_);
            if (stored != file.ansiName)
                Finding(file.name, "its stored name '" + stored + "' differs from its file name");
            return false;
        }
        switch (verdict) {
        case kSound:
            break;
        case kBusy:
            Finding(file.name, "busy: another program held it throughout; not checked, left as it is");
            break;
        case kCannotOpen:
            Finding(file.name, "cannot be opened (error " + std::to_string(GetLastError()) +
                                   "); not checked, left as it is");
            break;
        case kTorn:
            Unreadable(file.name, "torn: " + std::to_string(size) + " bytes, where an entry has " +
                                      std::to_string(kEntryFileSize));
            break;
        case kForeign:
            Unreadable(file.name, "not an entry of this library: a foreign file, or one enciphered under another key");
            break;
        case kOtherVersion:
            Finding(file.name, "an entry of version " + std::to_string(version) +
                                   " of the library, which this one cannot read; left for that version");
            break;
        }
        return false;
    }

    // The folder of a batch's prepared files: a batch at work holds every
    // file in it; one that ended holds none, and its folder is a leftover.
    bool CheckPreparedFolder(const FolderFile& file)
    {
        std::wstring folder = wideDirectory_ + file.name + L"\\";
        std::vector<FolderFile> inside;
        if (!ListFolder(folder, &inside))
            return false;
        for (const FolderFile& prepared : inside) {
            if (!prepared.folder && !NobodyHolds(folder + prepared.name, DELETE))
                return false;
        }
        leftovers_.push_back(file.name);
        return true;
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
    std::string refusal = DirectoryRefusal(book);
    if (!refusal.empty()) {
        fprintf(stderr, "pbtool: check: %s\n", refusal.c_str());
        return 1;
    }
    if (GetFileAttributesA(DirectoryOf(book).c_str()) == INVALID_FILE_ATTRIBUTES) {
        fprintf(stderr, "pbtool: the phone book directory '%s' cannot be found\n", DirectoryOf(book).c_str());
        return 1;
    }
    Checker checker(book, repair);
    long findings = checker.Run();
    if (findings < 0)
        return 1;
    printf("%ld finding%s\n", findings, findings == 1 ? "" : "s");
    return findings == 0 ? 0 : 1;
}
