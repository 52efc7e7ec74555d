// What pbtool's export, import and check share: the fields of an entry by
// their file names, the file formats, text conversion, the name rule, the
// write's leftovers, quiet reads and progress on the console.
#ifndef PBTOOL_SUPPORT_H
#define PBTOOL_SUPPORT_H

#include <windows.h>

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
// not; a row with a problem of its shape is not returned.
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

// The entry files the library lists (full paths, names ending in ".vmr"),
// in a stable order: by name, case aside, then byte for byte.
std::vector<std::string> ListEntryFiles(VmrPhoneBook& book);
std::string FileNameOf(const std::string& path);
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

// Whole files, in binary: the bytes written are the bytes read back.
bool ReadWholeFile(const std::string& path, std::string* bytes);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
bool WriteToStdout(const std::string& bytes);

#endif
