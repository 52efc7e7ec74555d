// Text conversion and the file formats of pbtool's export and import: CSV
// (RFC 4180), JSON (one array of objects) and a plain list of host names.
#include "PbtoolSupport.h"

#include <string.h>

namespace {

std::wstring ToWide(UINT codePage, DWORD flags, const std::string& text, bool* ok)
{
    *ok = true;
    if (text.empty())
        return std::wstring();
    int length = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), NULL, 0);
    if (length <= 0) {
        *ok = false;
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

std::string FromWide(UINT codePage, const std::wstring& wide, bool* exact)
{
    *exact = true;
    if (wide.empty())
        return std::string();
    // UTF-8 and UTF-7 take neither flag nor default character.
    bool unicodePage = codePage == CP_UTF8 || codePage == CP_UTF7;
    DWORD flags = unicodePage ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = unicodePage ? NULL : &usedDefault;
    int length = WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), NULL, 0, NULL,
                                     usedDefaultOut);
    if (length <= 0) {
        *exact = false;
        return std::string();
    }
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), static_cast<int>(wide.size()), &text[0], length, NULL,
                        usedDefaultOut);
    if (usedDefault)
        *exact = false;
    return text;
}

}  // namespace

namespace {

// ASCII is the same in every ANSI code page and in UTF-8; most fields are.
bool IsAscii(const std::string& text)
{
    for (unsigned char c : text) {
        if (c >= 0x80)
            return false;
    }
    return true;
}

}  // namespace

std::string AnsiToUtf8(const std::string& ansi)
{
    if (IsAscii(ansi))
        return ansi;
    bool ok = true;
    bool exact = true;
    return FromWide(CP_UTF8, ToWide(CP_ACP, 0, ansi, &ok), &exact);
}

std::wstring AnsiToWide(const std::string& ansi)
{
    bool ok = true;
    return ToWide(CP_ACP, 0, ansi, &ok);
}

bool WideToAnsiExactly(const std::wstring& wide, std::string* ansi)
{
    bool exact = true;
    *ansi = FromWide(CP_ACP, wide, &exact);
    // A best fit the flag does not catch shows when the text does not come back.
    return exact && AnsiToWide(*ansi) == wide;
}

TextConversion Utf8ToAnsi(const std::string& utf8, std::string* ansi)
{
    if (IsAscii(utf8) && utf8.find('\0') == std::string::npos) {
        *ansi = utf8;
        return kConverted;
    }
    bool ok = true;
    std::wstring wide = ToWide(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, &ok);
    if (!ok)
        return kNotUtf8;
    if (wide.find(L'\0') != std::wstring::npos)
        return kNotInCodePage;
    return WideToAnsiExactly(wide, ansi) ? kConverted : kNotInCodePage;
}

// ---- CSV ----------------------------------------------------------------------

void AppendCsvField(std::string* out, const std::string& value)
{
    if (value.find_first_of(",\"\r\n") == std::string::npos) {
        *out += value;
        return;
    }
    *out += '"';
    for (char c : value) {
        if (c == '"')
            *out += '"';
        *out += c;
    }
    *out += '"';
}

namespace {

// Reads the records of RFC 4180 text: fields separated by commas (or by the
// separator given), records ended by CR LF (a bare LF or CR is taken too),
// fields with a separator, a quote or a line break quoted, a quote inside
// them doubled. A record with a mistake is still read to its true end, its
// quoted fields and their line breaks included, so the next record starts
// where it really starts.
class CsvReader
{
public:
    CsvReader(const std::string& text, char separator) : text_(text), separator_(separator)
    {
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
            at_ = 3;
    }

    bool AtEnd() const { return at_ >= text_.size(); }
    size_t line() const { return line_; }

    // The next record; false with *error set (its first mistake) when it is
    // malformed.
    bool Next(std::vector<std::string>* fields, std::string* error)
    {
        fields->clear();
        error->clear();
        for (;;) {
            std::string field;
            ReadField(&field, error);
            fields->push_back(field);
            if (AtEnd())
                break;
            if (text_[at_] == separator_) {
                ++at_;
                continue;
            }
            EndLine();
            break;
        }
        return error->empty();
    }

private:
    bool IsLineEnd(size_t i) const { return text_[i] == '\r' || text_[i] == '\n'; }
    bool EndsField(size_t i) const { return text_[i] == separator_ || IsLineEnd(i); }

    void EndLine()
    {
        if (text_[at_] == '\r' && at_ + 1 < text_.size() && text_[at_ + 1] == '\n')
            ++at_;
        ++at_;
        ++line_;
    }

    void Mistake(std::string* error, const char* what)
    {
        if (error->empty())
            *error = what;
    }

    // Text up to the end of the field, taken as it is: a quote there is a
    // character of the field, as common CSV readers take it.
    void ReadLiteral(std::string* field, std::string* error)
    {
        size_t start = at_;
        while (!AtEnd() && !EndsField(at_)) {
            if (text_[at_] == '"')
                Mistake(error, "a quote inside a field that does not start with one (quote the field and double the quote)");
            ++at_;
        }
        field->append(text_, start, at_ - start);
    }

    void ReadField(std::string* field, std::string* error)
    {
        if (AtEnd() || text_[at_] != '"') {
            ReadLiteral(field, error);
            return;
        }
        size_t startLine = line_;
        ++at_;
        for (;;) {
            if (AtEnd()) {
                line_ = startLine;
                Mistake(error, "a quoted field that is never closed");
                return;
            }
            char c = text_[at_++];
            if (c == '"') {
                if (!AtEnd() && text_[at_] == '"') {
                    *field += '"';
                    ++at_;
                    continue;
                }
                if (!AtEnd() && !EndsField(at_)) {
                    Mistake(error, "text after the closing quote of a field");
                    ReadLiteral(field, error);
                }
                return;
            }
            if (c == '\n' || (c == '\r' && (AtEnd() || text_[at_] != '\n')))
                ++line_;
            *field += c;
        }
    }

    const std::string& text_;
    char separator_;
    size_t at_ = 0;
    size_t line_ = 1;
};

// Spreadsheets write ';' between fields where the decimal separator is a
// comma. A header names fields, whose names hold neither: its first line
// tells which it is.
char SeparatorOf(const std::string& text)
{
    size_t end = text.find_first_of("\r\n");
    std::string header = text.substr(0, end);
    return header.find(',') == std::string::npos && header.find(';') != std::string::npos ? ';' : ',';
}

}  // namespace

void ParseCsv(const std::string& text, std::vector<SourceRow>* rows, std::vector<Problem>* problems)
{
    CsvReader reader(text, SeparatorOf(text));
    std::vector<std::string> header;
    std::string error;
    if (reader.AtEnd() || !reader.Next(&header, &error)) {
        problems->push_back({1, "header", error.empty() ? "the file is empty; it needs a header of field names" : error});
        return;
    }
    std::vector<std::string> fields;
    while (!reader.AtEnd()) {
        size_t line = reader.line();
        if (!reader.Next(&fields, &error)) {
            problems->push_back({line, "row", error});
            continue;
        }
        if (fields.size() == 1 && fields[0].empty())
            continue;   // an empty line
        if (fields.size() != header.size()) {
            problems->push_back({line, "row", std::to_string(fields.size()) + " fields, but the header names " +
                                                  std::to_string(header.size())});
            continue;
        }
        SourceRow row;
        row.line = line;
        for (size_t i = 0; i < fields.size(); ++i) {
            SourceValue value;
            value.field = header[i];
            value.value = fields[i];
            value.line = line;
            row.values.push_back(value);
        }
        rows->push_back(row);
    }
}

bool IsUtf8(const std::string& text)
{
    if (IsAscii(text))
        return true;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), NULL, 0) > 0;
}

// ---- JSON ---------------------------------------------------------------------

void AppendJsonString(std::string* out, const std::string& value)
{
    static const char kHex[] = "0123456789abcdef";
    *out += '"';
    for (unsigned char c : value) {
        switch (c) {
        case '"': *out += "\\\""; break;
        case '\\': *out += "\\\\"; break;
        case '\n': *out += "\\n"; break;
        case '\r': *out += "\\r"; break;
        case '\t': *out += "\\t"; break;
        default:
            if (c < 0x20) {
                *out += "\\u00";
                *out += kHex[c >> 4];
                *out += kHex[c & 15];
            } else {
                *out += static_cast<char>(c);
            }
        }
    }
    *out += '"';
}

namespace {

class JsonReader
{
public:
    explicit JsonReader(const std::string& text) : text_(text)
    {
        if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0)
            at_ = 3;
    }

    // The whole document: one array of flat objects.
    bool Read(std::vector<SourceRow>* rows, Problem* problem)
    {
        SkipSpace();
        if (!Expect('[', "the file must hold one array of objects"))
            return Fail(problem);
        SkipSpace();
        if (Peek() == ']') {
            ++at_;
            return End(problem);
        }
        for (;;) {
            SourceRow row;
            if (!ReadObject(&row))
                return Fail(problem);
            rows->push_back(row);
            SkipSpace();
            if (Peek() == ',') {
                ++at_;
                SkipSpace();
                continue;
            }
            if (!Expect(']', "expected a comma or the end of the array"))
                return Fail(problem);
            return End(problem);
        }
    }

private:
    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }

    void SkipSpace()
    {
        while (at_ < text_.size() && strchr(" \t\r\n", text_[at_]) != NULL && text_[at_] != '\0') {
            if (text_[at_] == '\n')
                ++line_;
            ++at_;
        }
    }

    bool Expect(char c, const char* error)
    {
        if (Peek() != c) {
            error_ = error;
            return false;
        }
        ++at_;
        return true;
    }

    bool Fail(Problem* problem)
    {
        *problem = {line_, "json", error_};
        return false;
    }

    bool End(Problem* problem)
    {
        SkipSpace();
        if (at_ < text_.size()) {
            error_ = "text after the end of the array";
            return Fail(problem);
        }
        return true;
    }

    bool ReadObject(SourceRow* row)
    {
        row->line = line_;
        if (!Expect('{', "expected an object"))
            return false;
        SkipSpace();
        if (Peek() == '}') {
            ++at_;
            return true;
        }
        for (;;) {
            SourceValue value;
            value.line = line_;
            if (!ReadString(&value.field))
                return false;
            SkipSpace();
            if (!Expect(':', "expected a colon after the field name"))
                return false;
            SkipSpace();
            if (Peek() == '"') {
                if (!ReadString(&value.value))
                    return false;
            } else if (!ReadNumber(&value.value)) {
                return false;
            } else {
                value.number = true;
            }
            row->values.push_back(value);
            SkipSpace();
            if (Peek() == ',') {
                ++at_;
                SkipSpace();
                continue;
            }
            return Expect('}', "expected a comma or the end of the object");
        }
    }

    bool ReadNumber(std::string* number)
    {
        size_t start = at_;
        if (Peek() == '-')
            ++at_;
        size_t digits = at_;
        while (Peek() >= '0' && Peek() <= '9')
            ++at_;
        if (at_ == digits) {
            error_ = "expected a string or a whole number";
            return false;
        }
        if (Peek() == '.' || Peek() == 'e' || Peek() == 'E') {
            error_ = "expected a whole number";
            return false;
        }
        number->assign(text_, start, at_ - start);
        return true;
    }

    static void AppendUtf8(std::string* out, unsigned long code)
    {
        if (code < 0x80) {
            *out += static_cast<char>(code);
        } else if (code < 0x800) {
            *out += static_cast<char>(0xC0 | (code >> 6));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *out += static_cast<char>(0xE0 | (code >> 12));
            *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            *out += static_cast<char>(0xF0 | (code >> 18));
            *out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    bool ReadHex4(unsigned long* code)
    {
        if (at_ + 4 > text_.size()) {
            error_ = "a \\u escape needs four hexadecimal digits";
            return false;
        }
        *code = 0;
        for (int i = 0; i < 4; ++i) {
            char c = text_[at_++];
            int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (digit < 0) {
                error_ = "a \\u escape needs four hexadecimal digits";
                return false;
            }
            *code = *code * 16 + static_cast<unsigned long>(digit);
        }
        return true;
    }

    bool ReadString(std::string* out)
    {
        if (!Expect('"', "expected a string in double quotes"))
            return false;
        for (;;) {
            if (at_ >= text_.size()) {
                error_ = "a string that is never closed";
                return false;
            }
            unsigned char c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"')
                return true;
            if (c < 0x20) {
                error_ = "a control character inside a string (write it as an escape, such as \\n)";
                return false;
            }
            if (c != '\\') {
                *out += static_cast<char>(c);
                continue;
            }
            char escape = Peek();
            ++at_;
            const char* simple = strchr("\"\\/bfnrt", escape);
            if (escape != '\0' && simple != NULL) {
                static const char kValues[] = "\"\\/\b\f\n\r\t";
                *out += kValues[simple - "\"\\/bfnrt"];
                continue;
            }
            if (escape != 'u') {
                error_ = "an unknown escape in a string";
                return false;
            }
            unsigned long code = 0;
            if (!ReadHex4(&code))
                return false;
            if (code >= 0xD800 && code <= 0xDBFF) {
                unsigned long low = 0;
                if (Peek() != '\\' || at_ + 1 >= text_.size() || text_[at_ + 1] != 'u') {
                    error_ = "half of a surrogate pair";
                    return false;
                }
                at_ += 2;
                if (!ReadHex4(&low) || low < 0xDC00 || low > 0xDFFF) {
                    error_ = "half of a surrogate pair";
                    return false;
                }
                code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            } else if (code >= 0xDC00 && code <= 0xDFFF) {
                error_ = "half of a surrogate pair";
                return false;
            }
            AppendUtf8(out, code);
        }
    }

    const std::string& text_;
    size_t at_ = 0;
    size_t line_ = 1;
    std::string error_;
};

}  // namespace

void ParseJson(const std::string& text, std::vector<SourceRow>* rows, std::vector<Problem>* problems)
{
    JsonReader reader(text);
    Problem problem;
    if (!reader.Read(rows, &problem))
        problems->push_back(problem);
}

// ---- Host names ---------------------------------------------------------------

void ParseHostList(const std::string& text, std::vector<SourceRow>* rows)
{
    size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    size_t line = 1;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string host(text, start, end - start);
        size_t first = host.find_first_not_of(" \t\r");
        size_t last = host.find_last_not_of(" \t\r");
        host = first == std::string::npos ? std::string() : host.substr(first, last - first + 1);
        // Blank lines and comments are a list's own; they make no entry.
        if (!host.empty() && host[0] != '#') {
            SourceRow row;
            row.line = line;
            SourceValue name;
            name.field = kNameField;
            name.value = host;
            name.line = line;
            row.values.push_back(name);
            name.field = "workstation";
            row.values.push_back(name);
            rows->push_back(row);
        }
        start = end + 1;
        ++line;
    }
}
