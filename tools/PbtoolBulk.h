// pbtool's verbs for whole phone books: export, import and check.
//
// They use the library only as any host does, through VmrPhoneBook.h and the
// import library. Each verb prints its own messages (stderr for problems,
// "pbtool: " first) and answers the process's exit code: 0 when everything
// was done, 1 when something was not, 2 for a wrong command line.
#ifndef PBTOOL_BULK_H
#define PBTOOL_BULK_H

#include <stddef.h>

#include <string>
#include <vector>

#include "VmrPhoneBook.h"

int ExportCommand(VmrPhoneBook& book, const std::vector<std::string>& args);
int ImportCommand(VmrPhoneBook& book, const std::vector<std::string>& args);
int CheckCommand(VmrPhoneBook& book, const std::vector<std::string>& args);

extern const char kBulkUsage[];

// The path of a file in directory without the DOS device rule, for a file
// named like a device: "\\?\C:\dir\COM1.vmr", and on a share
// "\\?\UNC\server\share\dir\COM1.vmr". Windows 95/98 know no such form:
// there the path as it is.
std::wstring VerbatimPath(const std::wstring& directory, const std::wstring& name);

enum BulkFormat { kFormatCsv, kFormatJson, kFormatHosts };

// The whole export of the phone book of book, as the file holds it. Entries
// that could not be read are reported on stderr and left out; a folder that
// cannot be listed is reported and gives no text.
enum ExportOutcome { kExportWhole, kExportLeftOut, kExportNotListed };
ExportOutcome ExportText(VmrPhoneBook& book, BulkFormat format, bool withPasswords, std::string* text);

struct ImportOptions {
    BulkFormat format = kFormatCsv;
    bool dryRun = false;
    bool replace = false;
    bool partial = false;
    // --hosts: field values every entry gets ("device-type" included), by
    // field name, in UTF-8 (converted from the command line's code page).
    std::vector<std::pair<std::string, std::string> > hostFields;
};

struct ImportResult {
    size_t rows = 0;       // rows (entries) the file holds
    size_t bad = 0;        // rows refused
    size_t written = 0;    // entries written
    bool unreadable = false;   // the file could not be read past a mistake
};

// Imports the text of one file (fileLabel names it in the reports); true when
// every row was imported (or, with dryRun, would be).
bool ImportText(VmrPhoneBook& book, const std::string& fileLabel, const std::string& text,
                const ImportOptions& options, ImportResult* result);

#endif
