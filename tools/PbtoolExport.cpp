// pbtool export: every entry of the phone book, every field the getters give,
// in CSV or JSON, UTF-8.
#include "PbtoolBulk.h"

#include <stdio.h>
#include <string.h>

#include "DeviceNames.h"
#include "PbtoolSupport.h"

const char kBulkUsage[] =
    "  export [--format csv|json] [--with-passwords] [FILE]\n"
    "                           write every entry to FILE (or standard output); the\n"
    "                           format from --format, else FILE's extension, else CSV;\n"
    "                           passwords only with --with-passwords\n"
    "  import FILE [--format csv|json|hosts] [--hosts] [--dry-run] [--replace] [--partial]\n"
    "         [--device-type N] [--FIELD VALUE]...\n"
    "                           bring entries in from FILE; every row is checked first\n"
    "                           and nothing is written if one is wrong, unless --partial;\n"
    "                           an existing entry is replaced only with --replace;\n"
    "                           --hosts: one host name a line, each a network entry of\n"
    "                           that name (device type 3 unless --device-type), with the\n"
    "                           fields given as options\n"
    "  check [--repair]         look for entries that cannot be read, device names,\n"
    "                           leftovers of ended writes and names that differ; --repair\n"
    "                           moves unreadable files to the folder 'damaged' and removes\n"
    "                           the leftovers\n";

namespace {

// One row of the export: the entry's name and its fields' values, UTF-8.
void AppendRow(BulkFormat format, const std::vector<const EntryField*>& fields, const std::string& name,
               VmrPhoneBook& book, bool first, std::string* out)
{
    if (format == kFormatCsv) {
        AppendCsvField(out, AnsiToUtf8(name));
        for (const EntryField* field : fields) {
            *out += ',';
            AppendCsvField(out, AnsiToUtf8(field->get(book)));
        }
        *out += "\r\n";
        return;
    }
    *out += first ? "  {" : ",\n  {";
    AppendJsonString(out, kNameField);
    *out += ": ";
    AppendJsonString(out, AnsiToUtf8(name));
    for (const EntryField* field : fields) {
        *out += ", ";
        AppendJsonString(out, field->name);
        *out += ": ";
        if (field->kind == kNumberField)
            *out += field->get(book);
        else
            AppendJsonString(out, AnsiToUtf8(field->get(book)));
    }
    *out += '}';
}

bool Fail(const std::string& message, int* code, int value)
{
    fprintf(stderr, "pbtool: %s\n", message.c_str());
    *code = value;
    return false;
}

}  // namespace

ExportOutcome ExportText(VmrPhoneBook& book, BulkFormat format, bool withPasswords, std::string* text)
{
    text->clear();
    std::vector<std::string> files;
    std::string unlisted = ListEntryFiles(book, &files);
    if (!unlisted.empty()) {
        fprintf(stderr, "pbtool: %s\n", unlisted.c_str());
        return kExportNotListed;
    }
    std::vector<const EntryField*> fields;
    for (const EntryField& field : EntryFields()) {
        if (withPasswords || strcmp(field.name, kPasswordField) != 0)
            fields.push_back(&field);
    }
    if (format == kFormatCsv) {
        *text += kNameField;
        for (const EntryField* field : fields) {
            *text += ',';
            *text += field->name;
        }
        *text += "\r\n";
    } else {
        *text += "[\n";
    }

    QuietReads reads;
    Progress progress("export", files.size());
    bool complete = true;
    bool first = true;
    for (size_t i = 0; i < files.size(); ++i) {
        progress.Step(i + 1);
        QuietReads::Outcome outcome = reads.Read(book, files[i]);
        if (outcome != QuietReads::kRead) {
            fprintf(stderr, "pbtool: %s: left out: %s\n", AnsiToUtf8(files[i]).c_str(),
                    outcome == QuietReads::kOtherVersion ? "an entry of another version of the library"
                                                         : "it cannot be read (pbtool check tells more)");
            complete = false;
            continue;
        }
        AppendRow(format, fields, EntryNameOfFile(FileNameOf(files[i])), book, first, text);
        first = false;
    }
    if (format == kFormatJson)
        *text += first ? "]\n" : "\n]\n";
    return complete ? kExportWhole : kExportLeftOut;
}

int ExportCommand(VmrPhoneBook& book, const std::vector<std::string>& args)
{
    int code = 0;
    std::string format;
    std::string file;
    bool withPasswords = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--with-passwords") {
            withPasswords = true;
        } else if (args[i] == "--format" && i + 1 < args.size()) {
            format = args[++i];
        } else if (args[i].compare(0, 2, "--") != 0 && file.empty()) {
            file = args[i];
        } else {
            Fail("export: unexpected '" + args[i] + "' (pbtool --help lists the verbs)", &code, 2);
            return code;
        }
    }
    if (format.empty())
        format = file.size() > 5 && _stricmp(file.c_str() + file.size() - 5, ".json") == 0 ? "json" : "csv";
    if (format != "csv" && format != "json") {
        Fail("export: the format is csv or json, not '" + format + "'", &code, 2);
        return code;
    }
    std::string refusal = DirectoryRefusal(book);
    if (refusal.empty() && !file.empty() && NamesDevice(file.c_str()))
        refusal = "export: " + file + " names a device or a pipe, not a file";
    if (!refusal.empty()) {
        Fail(refusal, &code, 1);
        return code;
    }

    std::string text;
    ExportOutcome outcome = ExportText(book, format == "json" ? kFormatJson : kFormatCsv, withPasswords, &text);
    if (outcome == kExportNotListed) {
        Fail("export: nothing written", &code, 1);
        return code;
    }
    if (file.empty()) {
        if (!WriteToStdout(text)) {
            Fail("cannot write to standard output", &code, 1);
            return code;
        }
    } else {
        std::string failure = ReplaceFileWhole(file, text, withPasswords);
        if (!failure.empty()) {
            Fail(failure + "; the previous file, if any, is as it was", &code, 1);
            return code;
        }
    }
    if (withPasswords)
        fprintf(stderr, "pbtool: warning: %s holds the passwords in the clear; keep it safe and delete it after use\n",
                file.empty() ? "the output" : file.c_str());
    return outcome == kExportWhole ? 0 : 1;
}
