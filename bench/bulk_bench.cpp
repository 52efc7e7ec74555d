// pbtool's import and export of a whole phone book, each as a multiple of the
// library calls underneath them, measured side by side in one run:
//   import of 10,000 CSV rows (read, parse, check every row, one listing of
//   the phone book, write)  against 10,000 bare WriteEntry calls of the same
//   records into an empty directory;
//   export of 10,000 entries (listing, reads, getters, UTF-8, the file)
//   against 10,000 bare ReadEntry calls of the same files.
// Rounds alternate the two sides, and the fastest of each counts. The export
// of the imported phone book must give the imported file back byte for byte.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BenchShell.h"
#include "PbtoolBulk.h"
#include "PbtoolSupport.h"
#include "VmrPhoneBook.h"

namespace {

const unsigned kEntries = 10000;
const int kImportRounds = 1;
const int kExportRounds = 5;
const double kAim = 1.3;

double g_ticksPerSecond;

double Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / g_ticksPerSecond;
}


void EmptyDirectory(const std::string& directory)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((directory + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            DeleteFileA((directory + found.cFileName).c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

// Rows as the export writes them, so that the export of the import can be
// compared with the file: a mix of telephone and network entries.
std::string SampleCsv()
{
    std::string csv = "name";
    for (const EntryField& field : EntryFields()) {
        if (strcmp(field.name, kPasswordField) != 0)
            csv += std::string(",") + field.name;
    }
    csv += "\r\n";
    char row[256];
    for (unsigned i = 0; i < kEntries; ++i) {
        bool phone = i % 3 == 0;   // else a network entry, with a workstation
        std::string workstation = phone ? std::string() : "ws-" + std::to_string(i);
        snprintf(row, sizeof(row), "Host %05u,%u,%s,%s,,1,%s,,user%u,%s,,,0,%u,1,1000000000\r\n", i,
                 phone ? 1u : 3u, phone ? "555 0100" : "", phone ? "030" : "", workstation.c_str(), i % 50,
                 phone ? "Bench Modem" : "", i % 120);
        csv += row;
    }
    return csv;
}

int Run()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string root = std::string(temp) + "pb-bulk-bench-" + std::to_string(GetCurrentProcessId()) + "\\";
    std::string floorDirectory = root + "floor\\";
    std::string importDirectory = root + "import\\";
    CreateDirectoryA(root.c_str(), NULL);
    CreateDirectoryA(floorDirectory.c_str(), NULL);
    CreateDirectoryA(importDirectory.c_str(), NULL);

    ShellWindow shell;
    VmrPhoneBook floorBook;
    VmrPhoneBook importBook;
    std::vector<char> floorPath(floorDirectory.begin(), floorDirectory.end());
    floorPath.push_back('\0');
    std::vector<char> importPath(importDirectory.begin(), importDirectory.end());
    importPath.push_back('\0');
    floorBook.SetPath(floorPath.data());
    importBook.SetPath(importPath.data());

    std::string csv = SampleCsv();
    std::string csvFile = root + "in.csv";
    if (!ReplaceFileWhole(csvFile, csv, false).empty()) {
        fprintf(stderr, "bulk_bench: cannot write %s\n", csvFile.c_str());
        return 1;
    }
    ImportOptions options;
    ImportResult result;
    unsigned failures = 0;
    auto timeImport = [&] {
        EmptyDirectory(importDirectory);
        double start = Now();
        std::string bytes;
        if (!ReadInputFile(csvFile, &bytes).empty() || !ImportText(importBook, csvFile, bytes, options, &result))
            ++failures;
        return Now() - start;
    };

    // Every write lists its directory for the leftovers of ended writes, so
    // a side of 10,000 writes into a growing directory takes minutes under
    // Wine: one round of each, import first. The floor's records are the very
    // records the import made.
    double bestImport = timeImport();
    std::vector<std::string> paths = ListEntryFiles(importBook);
    std::vector<std::string> floorPaths;
    std::vector<VmrEntryRecord> records(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        std::vector<char> path(paths[i].begin(), paths[i].end());
        path.push_back('\0');
        floorBook.ReadEntry(path.data());
        records[i] = RecordOf(floorBook);
        floorPaths.push_back(floorDirectory + FileNameOf(paths[i]));
    }
    auto timeWrites = [&] {
        EmptyDirectory(floorDirectory);
        double start = Now();
        for (size_t i = 0; i < floorPaths.size(); ++i) {
            RecordOf(floorBook) = records[i];
            std::vector<char> path(floorPaths[i].begin(), floorPaths[i].end());
            path.push_back('\0');
            if (!floorBook.WriteEntry(path.data()))
                ++failures;
        }
        return Now() - start;
    };
    double bestWrites = timeWrites();

    double bestExport = 1e9, bestReads = 1e9;
    std::string exportFile = root + "out.csv";
    std::vector<std::string> imported = ListEntryFiles(importBook);
    for (int round = 0; round < kExportRounds; ++round) {
        for (int side = 0; side < 2; ++side) {
            double start = Now();
            if ((side + round) % 2 == 0) {
                std::string exported;
                if (ExportText(importBook, kFormatCsv, false, &exported) != kExportWhole ||
                    !ReplaceFileWhole(exportFile, exported, false).empty() ||
                    exported != csv)
                    ++failures;
                bestExport = std::min(bestExport, Now() - start);
            } else {
                for (const std::string& file : imported) {
                    std::vector<char> path(file.begin(), file.end());
                    path.push_back('\0');
                    if (!importBook.ReadEntry(path.data()))
                        ++failures;
                }
                bestReads = std::min(bestReads, Now() - start);
            }
        }
    }

    EmptyDirectory(floorDirectory);
    EmptyDirectory(importDirectory);
    EmptyDirectory(root);
    RemoveDirectoryA(floorDirectory.c_str());
    RemoveDirectoryA(importDirectory.c_str());
    RemoveDirectoryA(root.c_str());
    if (failures != 0 || paths.size() != kEntries) {
        fprintf(stderr, "bulk_bench: %u operations failed or gave other bytes (%lu entries)\n", failures,
                static_cast<unsigned long>(paths.size()));
        return 1;
    }

    printf("%u entries; best of %d import and %d export rounds\n", kEntries, kImportRounds, kExportRounds);
    struct Line {
        const char* what;
        double seconds;
        const char* floorName;
        double floor;
    };
    const Line lines[] = {
        {"import of a CSV file", bestImport, "bare WriteEntry calls", bestWrites},
        {"export to a CSV file", bestExport, "bare ReadEntry calls", bestReads},
    };
    for (const Line& line : lines) {
        double ratio = line.floor > 0 ? line.seconds / line.floor : 0.0;
        printf("%s: %.2f s, %s %.2f s, ratio %.2f (aim: at most %g%s)\n", line.what, line.seconds, line.floorName,
               line.floor, ratio, kAim, ratio > kAim ? ", MISSED" : "");
    }
    return 0;
}

}  // namespace

int main()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_ticksPerSecond = static_cast<double>(frequency.QuadPart);
    return Run();
}
