// What pbtool's export, import and check share: the fields of an entry by
// their file names, the file formats, text conversion, the name rule, the
// write's leftovers, quiet reads and progress on the console.
#ifndef PBTOOL_SUPPORT_H
#define PBTOOL_SUPPORT_H

#include <windows.h>
#include <stdio.h>

#include <string>
#include <utility>
#include <vector>

#include "VmrPhoneBook.h"

// ---- The object as the header lays it out --------------------------------
// The host allocates the object, so its layout is published: the directory,
// the current entry's name as stored, a flag, then the record. Fields that
// have no setter (or a getter that tells less than is stored) are reached
// there, as the library's own dialogs reach them.
static_assert(sizeof(VmrPhoneBook) == 260 + 256 + 4 + sizeof(VmrEntryRecord), "published layout");
std::string DirectoryOf(VmrPhoneBook& book);
std::string StoredEntryNameOf(VmrPhoneBook& book);
VmrEntryRecord& RecordOf(VmrPhoneBook& book);

// ---- Text ------------------------------------------------------------------
// The entries' text is ANSI in the system code page; files are UTF-8.
std::string AnsiToUtf8(const std::string& ansi);
enum TextConversion { kConverted, kNotUtf8, kNotInCodePage };
// Never replaces a character by "?" or by a look-alike: such text is refused.
TextConversion Utf8ToAnsi(const std::string& utf8, std::string* ansi);
std::wstring AnsiToWide(const std::string& ansi);
// Whether text is UTF-8 throughout (ASCII is).
bool IsUtf8(const std::string& text);
// False when the name cannot be written in the ANSI code page exactly.
bool WideToAnsiExactly(const std::wstring& wide, std::string* ansi);

// ---- Rows of a file ----------------------------------------------------------
struct SourceValue {
    std::string field;
    std::string value;    // UTF-8, as the file holds it
    bool number = false;  // a JSON number rather than a string
    size_t line = 0;
};

struct SourceRow {
    size_t line = 0;
    std::vector<SourceValue> values;
};

struct Problem {
    size_t line;
    std::string field;
    std::string what;
};

void AppendCsvField(std::string* out, const std::string& value);
void AppendJsonString(std::string* out, const std::string& value);

// Each parser appends the rows it understood and a problem for what it did
// not; a row with a problem of its shape is not returned. CSV takes ';' for
// its separator where the header's line holds ';' and no ','. JSON stops at
// its first mistake: the rows before it are returned, and the problem.
void ParseCsv(const std::string& text, std::vector<SourceRow>* rows, std::vector<Problem>* problems);
void ParseJson(const std::string& text, std::vector<SourceRow>* rows, std::vector<Problem>* problems);
void ParseHostList(const std::string& text, std::vector<SourceRow>* rows);

// ---- Fields ------------------------------------------------------------------
enum FieldKind { kTextField, kNumberField, kUtilitiesField };

struct EntryField {
    const char* name;
    FieldKind kind;
    size_t width;         // text: bytes of the record's field, terminator included
    unsigned long most;   // number: the largest value
    unsigned long least;  // number: the smallest value
    // The value as the file writes it (ANSI for text), from the getters.
    std::string (*get)(VmrPhoneBook& book);
    // Stores a value that Validate accepted (ANSI for text).
    void (*set)(VmrPhoneBook& book, const std::string& value);
};

extern const char kNameField[];       // "name": the entry file's name
extern const char kPasswordField[];   // written only when asked for
const std::vector<EntryField>& EntryFields();
const EntryField* FindEntryField(const std::string& name);

// Checks a value of the file (UTF-8) for its field and gives the value to
// store; an empty result, or the reason it is refused.
std::string ValidateFieldValue(const EntryField& field, const SourceValue& value, std::string* stored);

// ---- Names -------------------------------------------------------------------
// Why pbtool refuses an entry name (ANSI) for the phone book directory given,
// or an empty text: the library's own name rule (EntryNames.h), which the
// wizard asks too, in pbtool's words.
std::string NameRefusal(const std::string& directory, const std::string& name);

// ---- Reading ------------------------------------------------------------------
// While one lives, a window the library would open on this thread (the
// message that an entry is of another version) is refused before it shows:
// a console tool tells that in a line, and nobody is there to press OK.
class QuietReads
{
public:
    QuietReads();
    ~QuietReads();
    QuietReads(const QuietReads&) = delete;
    QuietReads& operator=(const QuietReads&) = delete;

    enum Outcome { kRead, kUnreadable, kOtherVersion };
    Outcome Read(VmrPhoneBook& book, const std::string& path);

private:
    HHOOK hook_;
};

// The entry files of the phone book directory (full paths, names ending in
// ".vmr"), in a stable order: by name, case aside, then byte for byte. An
// empty text, or why the folder could not be listed (missing, not a folder,
// or a listing that ended part-way).
std::string ListEntryFiles(VmrPhoneBook& book, std::vector<std::string>* files);
// The same, where a folder that cannot be listed counts as empty.
std::vector<std::string> ListEntryFiles(VmrPhoneBook& book);
std::string FileNameOf(const std::string& path);
// The file of an entry name, as the library names it: "Office" ->
// "Office.vmr"; a name that ends in ".vmr" (any case) is its file's name.
std::string EntryFileName(const std::string& name);
// "Office.vmr" -> "Office"
std::string EntryNameOfFile(const std::string& fileName);
bool HasEntryExtension(const std::string& fileName);

// ---- Console ------------------------------------------------------------------
// "VERB: DONE of TOTAL" on one line of stderr while it is a console; nothing
// when stderr goes to a file or a pipe.
class Progress
{
public:
    Progress(const char* verb, size_t total);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;
    void Step(size_t done);

private:
    const char* verb_;
    size_t total_;
    bool console_;
    bool shown_ = false;
    DWORD last_ = 0;
};

// Reads the whole of an input file, in binary; an empty text, or why not.
// Files past kMostInputBytes are refused: every row of a file is checked
// before anything is written, so a file is held whole.
const DWORD kMostInputBytes = 4 * 1024 * 1024;
std::string ReadInputFile(const std::string& path, std::string* bytes);

// Writes the file whole through a temporary file beside it, flushed and
// closed, which then takes its place: the previous file stays until the new
// one is whole. ownerOnly: readable by the process's user only, where the
// file system keeps permissions. An empty text, or what failed.
std::string ReplaceFileWhole(const std::string& path, const std::string& bytes, bool ownerOnly);
bool WriteToStdout(const std::string& bytes);

// ANSI text as the console shows it: in the console's code page when the
// stream is a console (850 shows 0xFC of code page 1252 as "³"), else as it is.
std::string ForConsole(FILE* stream, const std::string& ansi);

// Why the phone book's directory cannot be used by a verb, or an empty text.
std::string DirectoryRefusal(VmrPhoneBook& book);

#endif
