// pbtool import: entries from CSV, JSON or a list of host names. Every row is
// checked before anything is written, and each problem is named by the file,
// its line and its field.
#include "PbtoolBulk.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <set>

#include "Handles.h"
#include "PbtoolSupport.h"
#include "PbtoolWrite.h"

namespace {

// "FILE:LINE: FIELD: WHAT" on stderr; names are ANSI, shown in the console's
// code page on a console.
void PrintProblem(const std::string& fileLabel, size_t line, const std::string& field, const std::string& what)
{
    std::string text = fileLabel + ":" + std::to_string(line) + ": " + field + ": " + what + "\n";
    fputs(ForConsole(stderr, text).c_str(), stderr);
}

// Names are compared as the file system compares them: case aside. The
// ANSI call upper-cases: Windows 95/98 answer CharUpperBuffW with nothing.
std::wstring NameKey(const std::string& ansiName)
{
    std::string upper = ansiName;
    if (!upper.empty())
        CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    return AnsiToWide(upper);
}

struct PreparedRow {
    size_t line;
    std::string name;   // ANSI
    std::string path;   // the entry's file
    bool exists = false;   // by any spelling the file system takes, when checked
    std::vector<std::pair<const EntryField*, std::string> > values;
};

std::string FieldList()
{
    std::string list = kNameField;
    for (const EntryField& field : EntryFields())
        list += std::string(", ") + field.name;
    return list;
}

class Validator
{
public:
    Validator(VmrPhoneBook& book, const ImportOptions& options, std::vector<Problem>* problems)
        : book_(book), directory_(DirectoryOf(book)), options_(options), problems_(problems)
    {
        // Every file's name and its short name, as the file system finds a
        // name by either ("BRANCH~1.VMR" for "Branch Office London.vmr").
        WIN32_FIND_DATAA found;
        FindHandle find(FindFirstFileA((directory_ + "*").c_str(), &found));
        if (!find)
            return;
        do {
            taken_.insert(NameKey(found.cFileName));
            if (found.cAlternateFileName[0] != '\0')
                taken_.insert(NameKey(found.cAlternateFileName));
        } while (FindNextFileA(find.get(), &found));
    }

    bool Check(const SourceRow& row, PreparedRow* prepared)
    {
        size_t before = problems_->size();
        prepared->line = row.line;
        std::set<std::string> seen;
        const SourceValue* name = NULL;
        for (const SourceValue& value : row.values) {
            if (!seen.insert(value.field).second) {
                Report(value.line, value.field, "given twice");
                continue;
            }
            if (value.field == kNameField) {
                name = &value;
                continue;
            }
            const EntryField* field = FindEntryField(value.field);
            if (field == NULL) {
                Report(value.line, value.field, "unknown field; the fields are " + FieldList());
                continue;
            }
            std::string stored;
            std::string refusal = ValidateFieldValue(*field, value, &stored);
            if (!refusal.empty())
                Report(value.line, value.field, refusal);
            else
                prepared->values.push_back(std::make_pair(field, stored));
        }
        if (name == NULL)
            Report(row.line, kNameField, "missing: every entry needs a name");
        else
            CheckName(*name, prepared);
        return problems_->size() == before;
    }

private:
    void Report(size_t line, const std::string& field, const std::string& what)
    {
        problems_->push_back({line, field, what});
    }

    void CheckName(const SourceValue& value, PreparedRow* row)
    {
        std::string* name = &row->name;
        if (value.number) {
            Report(value.line, kNameField, "must be text in double quotes");
            return;
        }
        TextConversion conversion = Utf8ToAnsi(value.value, name);
        if (conversion != kConverted) {
            Report(value.line, kNameField,
                   conversion == kNotUtf8 ? "is not UTF-8 text"
                                          : "holds characters that the ANSI code page " + std::to_string(GetACP()) +
                                                " cannot hold");
            return;
        }
        // As the wizard takes a name: without the spaces around it.
        size_t first = name->find_first_not_of(' ');
        size_t last = name->find_last_not_of(' ');
        *name = first == std::string::npos ? std::string() : name->substr(first, last - first + 1);
        std::string refusal = NameRefusal(directory_, *name);
        if (!refusal.empty()) {
            Report(value.line, kNameField, refusal);
            return;
        }
        row->path = directory_ + EntryFileName(*name);
        // "Office" and "Office.vmr" are one file.
        std::wstring key = NameKey(EntryFileName(*name));
        auto earlier = firstLine_.insert(std::make_pair(key, value.line));
        if (!earlier.second) {
            Report(value.line, kNameField,
                   "'" + *name + "' is in the file twice; first on line " + std::to_string(earlier.first->second));
            return;
        }
        row->exists = taken_.count(key) != 0;
        if (!row->exists)
            return;
        if (!options_.replace) {
            Report(value.line, kNameField, "an entry named '" + *name + "' exists already (--replace replaces it)");
            return;
        }
        // What the file does not say is kept: the entry is read first.
        if (reads_.Read(book_, row->path) != QuietReads::kRead)
            Report(value.line, kNameField, "an entry named '" + *name +
                                               "' exists but cannot be read now (busy, damaged, or of another "
                                               "version); it is not replaced");
    }

    VmrPhoneBook& book_;
    QuietReads reads_;
    std::set<std::wstring> taken_;
    std::string directory_;
    const ImportOptions& options_;
    std::vector<Problem>* problems_;
    std::map<std::wstring, size_t> firstLine_;
};

bool CheckHeader(const SourceRow& row, const std::string& fileLabel)
{
    bool named = false;
    bool good = true;
    std::set<std::string> seen;
    for (const SourceValue& value : row.values) {
        const char* what = NULL;
        if (!seen.insert(value.field).second)
            what = "named twice in the header";
        else if (value.field != kNameField && FindEntryField(value.field) == NULL)
            what = "unknown field";
        named = named || value.field == kNameField;
        if (what != NULL) {
            fprintf(stderr, "%s:1: %s: %s; the fields are %s\n", fileLabel.c_str(), value.field.c_str(), what,
                    FieldList().c_str());
            good = false;
        }
    }
    if (!named)
        fprintf(stderr, "%s:1: header: no field 'name'; the fields are %s\n", fileLabel.c_str(), FieldList().c_str());
    return good && named;
}

// The record a row makes: a new entry's defaults, or, for an entry it
// replaces, the entry as it is now, with the row's fields over them.
bool ComposeRecord(VmrPhoneBook& book, const VmrEntryRecord& fresh, const PreparedRow& row, bool replace,
                   QuietReads& reads)
{
    if (replace && row.exists) {
        if (reads.Read(book, row.path) != QuietReads::kRead)
            return false;
    } else {
        RecordOf(book) = fresh;
    }
    for (const auto& value : row.values)
        value.first->set(book, value.second);
    return true;
}

void ReportRow(const std::string& fileLabel, const PreparedRow& row, const std::string& what)
{
    PrintProblem(fileLabel, row.line, kNameField, what);
}

// Puts the rows' entries in place, all or none: each a new entry unless
// the row found its entry there and --replace was given. With --partial a
// row that cannot be written is reported and the others are written again
// without it. Returns how many were written.
size_t WriteRows(VmrPhoneBook& book, const VmrEntryRecord& fresh, const std::string& fileLabel,
                 std::vector<PreparedRow> rows, const ImportOptions& options)
{
    const char* outcome = options.partial ? "; not imported" : "; nothing is imported";
    QuietReads reads;
    while (!rows.empty()) {
        EntryBatch batch(DirectoryOf(book));
        if (!batch.begun()) {
            fprintf(stderr, "%s: nothing imported: the writes could not be begun (error %lu)\n", fileLabel.c_str(),
                    GetLastError());
            return 0;
        }
        Progress progress("import", rows.size());
        size_t dropped = rows.size();
        for (size_t i = 0; i < rows.size() && dropped == rows.size(); ++i) {
            const PreparedRow& row = rows[i];
            bool replace = options.replace && row.exists;
            if (!ComposeRecord(book, fresh, row, replace, reads)) {
                ReportRow(fileLabel, row, "the entry " + row.path + " can no longer be read" + outcome);
                dropped = i;
            } else if (!batch.Add(book, row.path, replace)) {
                ReportRow(fileLabel, row, "the entry could not be prepared beside " + row.path + " (error " +
                                              std::to_string(GetLastError()) + ")" + outcome);
                dropped = i;
            }
            progress.Step(i + 1);
        }
        if (dropped == rows.size()) {
            switch (batch.Commit(&dropped)) {
            case EntryBatch::kDone:
                return rows.size();
            case EntryBatch::kNameTaken:
                ReportRow(fileLabel, rows[dropped], "an entry of that name exists now (made meanwhile, or the same "
                                                    "file by another spelling)" + std::string(outcome));
                break;
            case EntryBatch::kFailed:
                ReportRow(fileLabel, rows[dropped], "the entry could not take its place at " + rows[dropped].path +
                                                        " (error " + std::to_string(GetLastError()) + ")" + outcome);
                break;
            }
        }
        if (!options.partial || dropped >= rows.size())
            return 0;
        rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(dropped));
    }
    return 0;
}

}  // namespace

bool ImportText(VmrPhoneBook& book, const std::string& fileLabel, const std::string& text,
                const ImportOptions& options, ImportResult* result)
{
    *result = ImportResult();
    // The record as a new entry starts; reads below change the book's.
    VmrEntryRecord fresh = RecordOf(book);
    std::vector<SourceRow> rows;
    std::vector<Problem> problems;
    if (options.format == kFormatJson) {
        ParseJson(text, &rows, &problems);
        if (!problems.empty()) {
            // Past a mistake nothing in the file can be told apart: no row is
            // counted, and none is imported.
            fprintf(stderr, "%s:%lu: %s: %s; the file is read no further and nothing is imported\n",
                    fileLabel.c_str(), static_cast<unsigned long>(problems[0].line), problems[0].field.c_str(),
                    problems[0].what.c_str());
            result->unreadable = true;
            return false;
        }
    } else {
        // A spreadsheet's plain CSV and a list saved by a text editor are
        // ANSI: a file that is not UTF-8 throughout is taken as ANSI.
        std::string utf8 = IsUtf8(text) ? std::string() : AnsiToUtf8(text);
        const std::string& source = utf8.empty() ? text : utf8;
        if (options.format == kFormatCsv) {
            ParseCsv(source, &rows, &problems);
        } else {
            ParseHostList(source, &rows);
            for (SourceRow& row : rows) {
                for (const auto& option : options.hostFields) {
                    SourceValue value;
                    value.field = option.first;
                    value.value = option.second;
                    value.line = row.line;
                    row.values.push_back(value);
                }
            }
        }
    }
    result->rows = rows.size() + problems.size();

    // A wrong header makes every row wrong the same way: said once, for line 1.
    if (options.format == kFormatCsv && !rows.empty() && !CheckHeader(rows[0], fileLabel)) {
        result->bad = result->rows;
        return false;
    }

    std::vector<PreparedRow> good;
    {
        Validator validator(book, options, &problems);
        for (const SourceRow& row : rows) {
            PreparedRow prepared;
            if (validator.Check(row, &prepared))
                good.push_back(prepared);
        }
    }
    result->bad = result->rows - good.size();
    std::stable_sort(problems.begin(), problems.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    for (const Problem& problem : problems)
        PrintProblem(fileLabel, problem.line, problem.field, problem.what);

    if (options.dryRun || (result->bad != 0 && !options.partial)) {
        RecordOf(book) = fresh;
        return result->bad == 0;
    }
    result->written = WriteRows(book, fresh, fileLabel, good, options);
    RecordOf(book) = fresh;
    return result->written == result->rows;
}

int ImportCommand(VmrPhoneBook& book, const std::vector<std::string>& args)
{
    ImportOptions options;
    std::string file;
    std::string format;
    bool hosts = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--dry-run") {
            options.dryRun = true;
        } else if (arg == "--replace") {
            options.replace = true;
        } else if (arg == "--partial") {
            options.partial = true;
        } else if (arg == "--hosts") {
            hosts = true;
        } else if (arg == "--format" && i + 1 < args.size()) {
            format = args[++i];
        } else if (arg.compare(0, 2, "--") == 0 && i + 1 < args.size() && FindEntryField(arg.substr(2)) != NULL &&
                   arg != "--workstation") {
            // The command line is in the ANSI code page; the fields are checked as a file's UTF-8.
            options.hostFields.push_back(std::make_pair(arg.substr(2), AnsiToUtf8(args[++i])));
        } else if (arg.compare(0, 2, "--") != 0 && file.empty()) {
            file = arg;
        } else {
            fprintf(stderr, "pbtool: import: unexpected '%s' (pbtool --help lists the verbs)\n", arg.c_str());
            return 2;
        }
    }
    if (hosts)
        format = "hosts";
    if (format.empty()) {
        bool json = file.size() > 5 && _stricmp(file.c_str() + file.size() - 5, ".json") == 0;
        format = json ? "json" : "csv";
    }
    if (file.empty() || (format != "csv" && format != "json" && format != "hosts")) {
        fprintf(stderr, "pbtool: import takes a FILE and the format csv, json or hosts (pbtool --help lists the verbs)\n");
        return 2;
    }
    options.format = format == "csv" ? kFormatCsv : format == "json" ? kFormatJson : kFormatHosts;
    if (options.format != kFormatHosts && !options.hostFields.empty()) {
        fprintf(stderr, "pbtool: import: field options (--%s) go with --hosts only; a CSV or JSON file gives its fields\n",
                options.hostFields[0].first.c_str());
        return 2;
    }
    if (options.format == kFormatHosts) {
        bool typed = false;
        for (const auto& option : options.hostFields)
            typed = typed || option.first == "device-type";
        if (!typed)
            options.hostFields.insert(options.hostFields.begin(), std::make_pair(std::string("device-type"), "3"));
        for (const auto& option : options.hostFields) {
            if (option.first == "device-type" && option.second != "3" && option.second != "4" && option.second != "5") {
                fprintf(stderr, "pbtool: import: a host is a network entry: --device-type 3, 4 or 5, not '%s'\n",
                        option.second.c_str());
                return 2;
            }
        }
    }
    std::string refusal = DirectoryRefusal(book);
    std::string text;
    if (refusal.empty())
        refusal = ReadInputFile(file, &text);
    if (!refusal.empty()) {
        fprintf(stderr, "pbtool: import: %s\n", refusal.c_str());
        return 1;
    }

    ImportResult result;
    bool complete = ImportText(book, file, text, options, &result);
    if (result.unreadable)
        printf("%s: nothing imported: the file cannot be read past its mistake\n", file.c_str());
    else if (options.dryRun)
        printf("%s: %lu of %lu entries would be imported (a dry run: nothing written)\n", file.c_str(),
               static_cast<unsigned long>(result.rows - result.bad), static_cast<unsigned long>(result.rows));
    else if (result.bad != 0 && !options.partial)
        printf("%s: nothing imported: %lu of %lu entries are wrong (--partial imports the others)\n", file.c_str(),
               static_cast<unsigned long>(result.bad), static_cast<unsigned long>(result.rows));
    else
        printf("%s: %lu of %lu entries imported\n", file.c_str(), static_cast<unsigned long>(result.written),
               static_cast<unsigned long>(result.rows));
    return complete ? 0 : 1;
}
