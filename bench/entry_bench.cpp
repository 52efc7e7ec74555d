// The cost of the entry file operations, each as a multiple of the bare system
// calls underneath them, measured side by side in one run in a fresh temporary
// directory:
//   WriteEntry      against CreateFileA + WriteFile + CloseHandle of the 2144
//                   bytes, plus EncryptRecord of a copy of the record;
//   ReadEntry       against CreateFileA + ReadFile + CloseHandle of the 2144
//                   bytes;
//   EnumEntryNames  against a bare FindFirstFileA/FindNextFileA loop over the
//                   same "*.vmr" pattern.
// Writes and reads are also measured against the very system calls the library
// makes, done by hand, so that what the library adds of its own shows apart
// from what its design costs; and writes once more in a directory of a few
// files, since a new file name costs more in a large directory. Library and
// floor timings alternate, round after round, in an order that rotates, and
// the fastest of each counts.
#include <windows.h>

#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <functional>

#include "BenchShell.h"
#include "EntryCipher.h"
#include "VmrPhoneBook.h"

namespace {

const unsigned kRecordBytes = 2144;
static_assert(sizeof(VmrEntryRecord) == kRecordBytes, "entry record");

const unsigned kEntries = 1000;         // written and read
const unsigned kFewEntries = 10;        // written kEntries / kFewEntries times each
const unsigned kListedEntries = 10000;  // listed
const int kWriteRounds = 7;   // a timing of writes takes a second or so
const int kReadRounds = 11;
const int kEnumRounds = 11;

const double kWriteAim = 2.0;
const double kReadAim = 1.3;
const double kEnumAim = 1.3;

volatile uint32_t g_sink;
volatile unsigned g_listed;
unsigned g_failures;

unsigned char g_record[kRecordBytes];
unsigned char g_buffer[kRecordBytes];

// Names for the library (bare, in its directory) and full paths for the floors.
char g_entryNames[kEntries][16];
char g_entryPaths[kEntries][MAX_PATH];
char g_rawPaths[kEntries][MAX_PATH];
char g_fewRawPaths[kFewEntries][MAX_PATH];
char g_listPattern[MAX_PATH];

// snprintf that reports truncation instead of hiding it.
bool Format(char* out, size_t size, const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(out, size, format, arguments);
    va_end(arguments);
    if (length < 0 || static_cast<size_t>(length) >= size) {
        if (size > 0)
            out[0] = '\0';
        return false;
    }
    return true;
}

void Fill(unsigned char* p, unsigned size, uint32_t seed)
{
    uint32_t x = seed;
    for (unsigned i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        p[i] = static_cast<unsigned char>(x >> 24);
    }
}


// The files of one directory (no subdirectories), then the directory.
bool RemoveFlatDirectory(const char* directory)
{
    char pattern[MAX_PATH];
    if (!Format(pattern, sizeof(pattern), "%s*", directory))
        return false;
    bool removed = true;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(pattern, &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            char path[MAX_PATH];
            if (!Format(path, sizeof(path), "%s%s", directory, found.cFileName) || !DeleteFileA(path))
                removed = false;
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    return RemoveDirectoryA(directory) && removed;
}

// A fresh directory under the temporary directory, with one subdirectory per
// use. Every path ends with a backslash.
enum Subdirectory {
    kEntriesDirectory,  // the library's entries
    kRawDirectory,      // the floors' files
    kListedDirectory,   // the listed entries
    kFewDirectory,      // a phone book of a few entries, and the floor's files beside them
    kSubdirectoryCount
};

class BenchDirectory
{
public:
    BenchDirectory() : created_(false)
    {
        root_[0] = '\0';
        for (int i = 0; i < kSubdirectoryCount; ++i) {
            paths_[i][0] = '\0';
            made_[i] = false;
        }
        char temp[MAX_PATH];
        DWORD length = GetTempPathA(sizeof(temp), temp);
        if (length == 0 || length >= sizeof(temp))
            return;
        for (unsigned attempt = 0; attempt < 100 && !created_; ++attempt) {
            if (!Format(root_, sizeof(root_), "%spbk-entry-bench-%lu-%lu-%u\\", temp, GetCurrentProcessId(),
                        GetTickCount(), attempt))
                return;
            created_ = CreateDirectoryA(root_, NULL) != FALSE;
            if (!created_ && GetLastError() != ERROR_ALREADY_EXISTS)
                return;
        }
        if (!created_)
            return;
        static const char* const names[kSubdirectoryCount] = {"entries", "raw", "listed", "few"};
        for (int i = 0; i < kSubdirectoryCount; ++i)
            made_[i] = Format(paths_[i], sizeof(paths_[i]), "%s%s\\", root_, names[i]) &&
                       CreateDirectoryA(paths_[i], NULL);
    }

    ~BenchDirectory() { remove(); }
    BenchDirectory(const BenchDirectory&) = delete;
    BenchDirectory& operator=(const BenchDirectory&) = delete;

    bool valid() const
    {
        for (int i = 0; i < kSubdirectoryCount; ++i) {
            if (!made_[i])
                return false;
        }
        return created_;
    }

    // Removes everything it made; false when something stays behind.
    bool remove()
    {
        if (!created_)
            return true;
        bool removed = true;
        for (int i = 0; i < kSubdirectoryCount; ++i) {
            if (made_[i] && !RemoveFlatDirectory(paths_[i]))
                removed = false;
            made_[i] = false;
        }
        if (!RemoveDirectoryA(root_))
            removed = false;
        created_ = false;
        return removed;
    }

    const char* root() const { return root_; }
    char* path(Subdirectory which) { return paths_[which]; }

private:
    bool created_;
    bool made_[kSubdirectoryCount];
    char root_[MAX_PATH];
    char paths_[kSubdirectoryCount][MAX_PATH];
};

double Now(double ticksPerSecond)
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticksPerSecond;
}

// Each timing answers seconds per entry.

// Writes go to `distinct` entries (or files) in turn, kEntries writes in all.
struct WriteSet {
    VmrPhoneBook* book;
    const char* rawDirectory;
    char (*rawPaths)[MAX_PATH];
    unsigned distinct;
};

double TimeWriteEntry(const WriteSet& set, double ticksPerSecond)
{
    double start = Now(ticksPerSecond);
    for (unsigned i = 0; i < kEntries; ++i) {
        if (!set.book->WriteEntry(g_entryNames[i % set.distinct]))
            ++g_failures;
    }
    return (Now(ticksPerSecond) - start) / kEntries;
}

double TimeWriteFloor(const WriteSet& set, double ticksPerSecond)
{
    double start = Now(ticksPerSecond);
    for (unsigned i = 0; i < kEntries; ++i) {
        memcpy(g_buffer, g_record, kRecordBytes);
        EncryptRecord(g_buffer, static_cast<unsigned short>(kRecordBytes));
        HANDLE file = CreateFileA(set.rawPaths[i % set.distinct], GENERIC_READ | GENERIC_WRITE, 0, NULL,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            ++g_failures;
            continue;
        }
        DWORD written = 0;
        if (!WriteFile(file, g_buffer, kRecordBytes, &written, NULL) || written != kRecordBytes)
            ++g_failures;
        if (!CloseHandle(file))
            ++g_failures;
    }
    return (Now(ticksPerSecond) - start) / kEntries;
}

// WriteEntry's own sequence by hand: a temporary file beside the entry, the
// enciphered record into it and flushed, and a rename over the entry.
double TimeReplaceFloor(const WriteSet& set, double ticksPerSecond)
{
    double start = Now(ticksPerSecond);
    for (unsigned i = 0; i < kEntries; ++i) {
        memcpy(g_buffer, g_record, kRecordBytes);
        EncryptRecord(g_buffer, static_cast<unsigned short>(kRecordBytes));
        char temporary[MAX_PATH];
        if (GetTempFileNameA(set.rawDirectory, "vmr", 0, temporary) == 0) {
            ++g_failures;
            continue;
        }
        HANDLE file = CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            ++g_failures;
            DeleteFileA(temporary);
            continue;
        }
        DWORD written = 0;
        if (!WriteFile(file, g_buffer, kRecordBytes, &written, NULL) || written != kRecordBytes)
            ++g_failures;
        if (!FlushFileBuffers(file))
            ++g_failures;
        if (!CloseHandle(file))
            ++g_failures;
        if (!MoveFileExA(temporary, set.rawPaths[i % set.distinct],
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            ++g_failures;
            DeleteFileA(temporary);
        }
    }
    return (Now(ticksPerSecond) - start) / kEntries;
}

double TimeReadEntry(VmrPhoneBook& book, double ticksPerSecond)
{
    double start = Now(ticksPerSecond);
    for (unsigned i = 0; i < kEntries; ++i) {
        if (!book.ReadEntry(g_entryNames[i]))
            ++g_failures;
    }
    double seconds = (Now(ticksPerSecond) - start) / kEntries;
    g_sink = g_sink + book.GetConnectTimeout();
    return seconds;
}

enum ReadFloor {
    kRawRead,            // CreateFileA + ReadFile + CloseHandle
    kRawReadDecipher,    // and DecryptRecord
    kRawReadDecipherFind // and FindFirstFileA of the entry, as ReadEntry does for the stored name
};

double TimeReadFloor(ReadFloor floor, double ticksPerSecond)
{
    double start = Now(ticksPerSecond);
    for (unsigned i = 0; i < kEntries; ++i) {
        HANDLE file = CreateFileA(g_entryPaths[i], GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE) {
            ++g_failures;
            continue;
        }
        DWORD read = 0;
        if (!ReadFile(file, g_buffer, kRecordBytes, &read, NULL) || read != kRecordBytes)
            ++g_failures;
        if (!CloseHandle(file))
            ++g_failures;
        if (floor != kRawRead)
            DecryptRecord(g_buffer, static_cast<unsigned short>(read));
        g_sink = g_sink + g_buffer[i % kRecordBytes];
        if (floor == kRawReadDecipherFind) {
            WIN32_FIND_DATAA found;
            HANDLE find = FindFirstFileA(g_entryPaths[i], &found);
            if (find == INVALID_HANDLE_VALUE) {
                ++g_failures;
                continue;
            }
            g_sink = g_sink + static_cast<unsigned char>(found.cFileName[0]);
            FindClose(find);
        }
    }
    return (Now(ticksPerSecond) - start) / kEntries;
}

int PHONEBK_CALLBACK CountEntry(char* entry, long)
{
    g_listed = g_listed + 1;
    g_sink = g_sink + static_cast<unsigned char>(entry[0]);
    return 1;
}

double TimeEnumEntryNames(VmrPhoneBook& book, double ticksPerSecond)
{
    g_listed = 0;
    double start = Now(ticksPerSecond);
    if (!book.EnumEntryNames(CountEntry, 0))
        ++g_failures;
    double seconds = (Now(ticksPerSecond) - start) / kListedEntries;
    if (g_listed != kListedEntries)
        ++g_failures;
    return seconds;
}

double TimeEnumFloor(double ticksPerSecond)
{
    unsigned listed = 0;
    double start = Now(ticksPerSecond);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA(g_listPattern, &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            ++listed;
            g_sink = g_sink + static_cast<unsigned char>(found.cFileName[0]);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    double seconds = (Now(ticksPerSecond) - start) / kListedEntries;
    if (listed != kListedEntries)
        ++g_failures;
    return seconds;
}

bool PreparePaths(BenchDirectory& directory)
{
    for (unsigned i = 0; i < kEntries; ++i) {
        if (!Format(g_entryNames[i], sizeof(g_entryNames[i]), "e%04u", i) ||
            !Format(g_entryPaths[i], sizeof(g_entryPaths[i]), "%s%s.vmr", directory.path(kEntriesDirectory),
                    g_entryNames[i]) ||
            !Format(g_rawPaths[i], sizeof(g_rawPaths[i]), "%sr%04u.vmr", directory.path(kRawDirectory), i))
            return false;
    }
    for (unsigned i = 0; i < kFewEntries; ++i) {
        if (!Format(g_fewRawPaths[i], sizeof(g_fewRawPaths[i]), "%sr%04u.vmr", directory.path(kFewDirectory), i))
            return false;
    }
    return Format(g_listPattern, sizeof(g_listPattern), "%s*.vmr", directory.path(kListedDirectory));
}

// Empty entry files e00000.vmr and on, for the listing.
bool CreateListedEntries(const char* listed)
{
    for (unsigned i = 0; i < kListedEntries; ++i) {
        char path[MAX_PATH];
        if (!Format(path, sizeof(path), "%se%05u.vmr", listed, i))
            return false;
        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        if (!CloseHandle(file))
            return false;
    }
    return true;
}

// Runs every timing once per round, starting each round one timing further
// on, and keeps the fastest result of each.
template <size_t Count>
double RunRounds(const std::function<double()> (&timings)[Count], double (&best)[Count], int rounds,
                 double ticksPerSecond)
{
    double start = Now(ticksPerSecond);
    for (int round = 0; round < rounds; ++round) {
        for (size_t step = 0; step < Count; ++step) {
            size_t which = (round + step) % Count;
            double seconds = timings[which]();
            if (round == 0 || seconds < best[which])
                best[which] = seconds;
        }
    }
    return Now(ticksPerSecond) - start;
}

void PrintRatio(const char* what, double library, const char* floorName, double floor, double aim)
{
    double ratio = floor > 0 ? library / floor : 0.0;
    printf("%s: %.1f us/entry, %s %.1f us/entry, ratio %.2f", what, library * 1e6, floorName, floor * 1e6, ratio);
    if (aim > 0)
        printf(" (aim: at most %g%s)", aim, ratio > aim ? ", MISSED" : "");
    printf("\n");
}

int Run(BenchDirectory& directory, double ticksPerSecond)
{
    if (!PreparePaths(directory)) {
        fprintf(stderr, "entry_bench: the temporary directory's path is too long\n");
        return 1;
    }
    double setupStart = Now(ticksPerSecond);
    if (!CreateListedEntries(directory.path(kListedDirectory))) {
        fprintf(stderr, "entry_bench: cannot create the %u listed entries (error %lu)\n", kListedEntries,
                GetLastError());
        return 1;
    }
    double setupSeconds = Now(ticksPerSecond) - setupStart;

    char login[] = "bench.user";
    char phone[] = "555 0100";
    char line[] = "Bench Modem";
    VmrPhoneBook book;
    VmrPhoneBook fewBook;
    VmrPhoneBook* writers[2] = {&book, &fewBook};
    for (VmrPhoneBook* writer : writers) {
        writer->SetLoginName(login);
        writer->SetConnectPhoneNumber(phone);
        writer->SetTapiLineName(line);
        writer->SetConnectTimeout(60);
    }
    book.SetPath(directory.path(kEntriesDirectory));
    fewBook.SetPath(directory.path(kFewDirectory));
    // The floors encipher other bytes than the library's record; the cipher's
    // cost does not depend on them.
    Fill(g_record, sizeof(g_record), 0xC0FFEEu);

    VmrPhoneBook lister;
    lister.SetPath(directory.path(kListedDirectory));

    const WriteSet many = {&book, directory.path(kRawDirectory), g_rawPaths, kEntries};
    const WriteSet few = {&fewBook, directory.path(kFewDirectory), g_fewRawPaths, kFewEntries};
    const std::function<double()> writes[5] = {
        [&] { return TimeWriteEntry(many, ticksPerSecond); },
        [&] { return TimeWriteFloor(many, ticksPerSecond); },
        [&] { return TimeReplaceFloor(many, ticksPerSecond); },
        [&] { return TimeWriteEntry(few, ticksPerSecond); },
        [&] { return TimeWriteFloor(few, ticksPerSecond); },
    };
    const std::function<double()> reads[4] = {
        [&] { return TimeReadEntry(book, ticksPerSecond); },
        [&] { return TimeReadFloor(kRawRead, ticksPerSecond); },
        [&] { return TimeReadFloor(kRawReadDecipher, ticksPerSecond); },
        [&] { return TimeReadFloor(kRawReadDecipherFind, ticksPerSecond); },
    };
    const std::function<double()> lists[2] = {
        [&] { return TimeEnumEntryNames(lister, ticksPerSecond); },
        [&] { return TimeEnumFloor(ticksPerSecond); },
    };

    // Warm up: every entry and raw file exists before the timed rounds, so
    // that both sides replace files that are there.
    g_failures = 0;
    double bestWrites[5], bestReads[4], bestLists[2];
    RunRounds(writes, bestWrites, 1, ticksPerSecond);
    RunRounds(reads, bestReads, 1, ticksPerSecond);
    RunRounds(lists, bestLists, 1, ticksPerSecond);
    if (g_failures != 0) {
        fprintf(stderr, "entry_bench: %u operations failed while warming up\n", g_failures);
        return 1;
    }
    char stored[64];
    book.GetLoginName(stored, sizeof(stored));
    if (strcmp(stored, login) != 0) {
        fprintf(stderr, "entry_bench: ReadEntry gave back \"%s\" for the login name\n", stored);
        return 1;
    }

    double writeSeconds = RunRounds(writes, bestWrites, kWriteRounds, ticksPerSecond);
    double readSeconds = RunRounds(reads, bestReads, kReadRounds, ticksPerSecond);
    double listSeconds = RunRounds(lists, bestLists, kEnumRounds, ticksPerSecond);
    if (g_failures != 0) {
        fprintf(stderr, "entry_bench: %u operations failed during the timed rounds\n", g_failures);
        return 1;
    }

    printf("in %s: %u entries of %u bytes written and read, %u listed (created in %.1f s)\n",
           directory.root(), kEntries, kRecordBytes, kListedEntries, setupSeconds);
    printf("best of %d, %d and %d rounds (%.1f s, %.1f s and %.1f s)\n", kWriteRounds, kReadRounds, kEnumRounds,
           writeSeconds, readSeconds, listSeconds);

    PrintRatio("WriteEntry", bestWrites[0], "floor", bestWrites[1], kWriteAim);
    PrintRatio("WriteEntry", bestWrites[0], "its own calls by hand", bestWrites[2], 0);
    printf("  floor: EncryptRecord of a copy, CreateFileA (CREATE_ALWAYS over the file) + WriteFile +\n"
           "  CloseHandle; its own calls add GetTempFileNameA before, FlushFileBuffers before the close\n"
           "  and MoveFileExA after\n");
    PrintRatio("WriteEntry, few entries", bestWrites[3], "floor", bestWrites[4], 0);
    printf("  note: the same %u writes to %u entries in turn, in a directory of %u files; a new name\n"
           "  (the temporary file's) costs more the more files its directory holds\n",
           kEntries, kFewEntries, 2 * kFewEntries);

    PrintRatio("ReadEntry", bestReads[0], "floor", bestReads[1], kReadAim);
    PrintRatio("ReadEntry", bestReads[0], "floor with DecryptRecord", bestReads[2], 0);
    PrintRatio("ReadEntry", bestReads[0], "its own calls by hand", bestReads[3], 0);
    printf("  note: the aim's floor is the raw read only (CreateFileA + ReadFile + CloseHandle), without\n"
           "  DecryptRecord; ReadEntry also deciphers the record (floor with DecryptRecord) and looks up\n"
           "  the name the directory stores with FindFirstFileA (its own calls by hand)\n");

    PrintRatio("EnumEntryNames", bestLists[0], "floor", bestLists[1], kEnumAim);
    printf("  floor: FindFirstFileA/FindNextFileA over the same \"*.vmr\" pattern; sink %02x\n",
           static_cast<unsigned>(g_sink & 0xff));
    return 0;
}

}  // namespace

int main()
{
    LARGE_INTEGER frequency;
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0) {
        fprintf(stderr, "entry_bench: no performance counter\n");
        return 1;
    }
    const double ticksPerSecond = static_cast<double>(frequency.QuadPart);

    ShellWindow shell;
    if (!shell.valid()) {
        fprintf(stderr, "entry_bench: cannot create the shell's window\n");
        return 1;
    }
    BenchDirectory directory;
    if (!directory.valid()) {
        fprintf(stderr, "entry_bench: cannot create a temporary directory\n");
        return 1;
    }

    int status = Run(directory, ticksPerSecond);
    if (!directory.remove()) {
        fprintf(stderr, "entry_bench: could not remove everything under %s\n", directory.root());
        status = 1;
    }
    return status;
}
