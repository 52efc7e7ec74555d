// pbtool - a console host of PhoneBk.dll: lists, shows, creates, changes,
// deletes, renames and copies the entries of a phone book, and opens the
// library's Create New Connection wizard and Properties sheet.
//
// It uses the library only through its public header and import library, as
// any host does, and compiles in the library's rule for device names, so
// that it can say why such a name is refused. Every failure prints one line
// to stderr and exits with 1; a wrong command line exits with 2.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <new>
#include <string>
#include <vector>

#include "PbtoolBulk.h"
#include "PbtoolSupport.h"
#include "PbtoolWrite.h"
#include "VmrPhoneBook.h"

namespace {

const char kUsage[] =
    "usage: pbtool [--path DIR] VERB [ARGS]\n"
    "\n"
    "  dir                      print the phone book directory\n"
    "  list                     list the entries: name, device type, phone number or workstation\n"
    "  show NAME [--reveal]     print every field of an entry (the password masked unless --reveal)\n"
    "  defaults                 print the fields of a new entry\n"
    "  new NAME [OPTIONS]       create an entry\n"
    "  set NAME FIELD=VALUE...  change fields of an entry\n"
    "  delete NAME              delete an entry\n"
    "  rename OLD NEW           rename an entry\n"
    "  copy SOURCE TARGET       copy an entry to a new name\n"
    "  create [--no-utilities]  run the Create New Connection wizard\n"
    "  properties NAME [--no-utilities]\n"
    "                           open the Properties sheet of an entry\n"
    "%s"
    "\n"
    "  --path DIR               use DIR as the phone book directory\n"
    "\n"
    "OPTIONS of new, and FIELDs of set (as --phone N or phone=N), the columns of\n"
    "import and export:\n"
    "  phone, area, country, workstation, ils, login, password, line, adapter,\n"
    "  dial-up-entry        texts\n"
    "  device-type          0 to 5\n"
    "  timeout              connect time-out in seconds, 0 to 65535\n"
    "  connect-dialog, use-country-and-area, use-dial-up\n"
    "                       0 for no, another number for yes (new: --no-connect-dialog)\n"
    "  startup-utilities    ten digits 0 or 1, one for each start-up utility\n"
    "\n"
    "NAME is an entry name, without directory or extension.\n";

class Failure
{
public:
    explicit Failure(const std::string& message) : message_(message) {}
    const std::string& message() const { return message_; }

private:
    std::string message_;
};

class UsageError : public Failure
{
public:
    using Failure::Failure;
};

// The phone book directory is the object's first field: the layout hosts
// allocate is the published one.
std::string Directory(VmrPhoneBook& book)
{
    const char* path = reinterpret_cast<const char*>(&book);
    return std::string(path, strnlen(path, 260));
}

// The wizard's rule (phonebook/EntryNames.h), which walks characters: a
// double-byte name whose trail byte is 0x5C holds no backslash.
void CheckName(const std::string& directory, const std::string& name)
{
    std::string refusal = NameRefusal(directory, name);
    if (!refusal.empty())
        throw Failure("the connection name" + (name.find_first_not_of(' ') == std::string::npos ? std::string() : " '" + name + "'") + " " + refusal);
}

std::string EntryFile(VmrPhoneBook& book, const std::string& name)
{
    std::string directory = Directory(book);
    CheckName(directory, name);
    if (directory.empty())
        throw Failure("the phone book has no usable directory");
    return directory + EntryFileName(name);
}

std::vector<char> Writable(const std::string& text)
{
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    return buffer;
}

// Sets one field by its command-line name, by the one table of fields that
// import and export use. The command line is ANSI, as the entry's text is.
void SetField(VmrPhoneBook& book, const std::string& field, const std::string& value)
{
    const EntryField* entryField = FindEntryField(field);
    if (entryField == NULL)
        throw UsageError("unknown field '" + field + "'");
    SourceValue source;
    source.field = field;
    source.value = AnsiToUtf8(value);
    std::string stored;
    std::string refusal = ValidateFieldValue(*entryField, source, &stored);
    if (!refusal.empty())
        throw Failure(field + " " + refusal);
    entryField->set(book, stored);
}

void Load(VmrPhoneBook& book, const std::string& name)
{
    std::string file = EntryFile(book, name);
    std::vector<char> path = Writable(file);
    if (!book.ReadEntry(path.data()))
        throw Failure("cannot read the entry '" + name + "' (" + file + ")");
}

void Store(VmrPhoneBook& book, const std::string& name)
{
    std::string file = EntryFile(book, name);
    std::vector<char> path = Writable(file);
    if (!book.WriteEntry(path.data()))
        throw Failure("cannot write the entry '" + name + "' (" + file + ")");
}

// Writes the book's record as a new entry: never over one that exists by
// then, by any spelling the file system takes (case, short name).
void StoreNew(VmrPhoneBook& book, const std::string& name, const std::string& doing = std::string())
{
    std::string file = EntryFile(book, name);
    EntryBatch batch(Directory(book));
    size_t failed = 0;
    if (!batch.Add(book, file, false))
        throw Failure("cannot write the entry '" + name + "' (" + file + ", error " + std::to_string(GetLastError()) + ")");
    switch (batch.Commit(&failed)) {
    case EntryBatch::kDone: return;
    case EntryBatch::kNameTaken: throw Failure(doing + "an entry named '" + name + "' exists already");
    case EntryBatch::kFailed: break;
    }
    throw Failure("cannot write the entry '" + name + "' (" + file + ", error " + std::to_string(GetLastError()) + ")");
}

std::string Text(VmrPhoneBook& book, void (VmrPhoneBook::*get)(char*, unsigned short))
{
    char text[600];
    (book.*get)(text, sizeof(text));
    return text;
}

void PrintFields(VmrPhoneBook& book, bool reveal)
{
    std::string password = Text(book, &VmrPhoneBook::GetPassword);
    if (!reveal && !password.empty())
        password = "********";
    printf("device type:          %u\n", book.GetDeviceType());
    printf("phone number:         %s\n", Text(book, &VmrPhoneBook::GetConnectPhoneNumber).c_str());
    printf("area code:            %s\n", Text(book, &VmrPhoneBook::GetConnectAreaCode).c_str());
    printf("country code:         %s\n", Text(book, &VmrPhoneBook::GetConnectCountryCode).c_str());
    printf("use country and area: %d\n", book.UseCountryCodeAndAreaCode());
    printf("workstation:          %s\n", Text(book, &VmrPhoneBook::GetConnectWorkstationName).c_str());
    printf("locator server:       %s\n", Text(book, &VmrPhoneBook::GetInternetLocatorServer).c_str());
    printf("login name:           %s\n", Text(book, &VmrPhoneBook::GetLoginName).c_str());
    printf("password:             %s\n", password.c_str());
    printf("line:                 %s\n", Text(book, &VmrPhoneBook::GetTapiLineName).c_str());
    printf("adapter:              %s\n", Text(book, &VmrPhoneBook::GetAdapterName).c_str());
    printf("dial-up entry:        %s\n", Text(book, &VmrPhoneBook::GetRasLinkName).c_str());
    printf("connect timeout:      %u\n", book.GetConnectTimeout());
    printf("connect dialog:       %d\n", book.GetDisplayConnectDialog());
    printf("startup utilities:   ");
    for (unsigned short slot = 0; slot < 10; ++slot)
        printf(" %d", book.IsStartupUtility(slot));
    printf("\n");
}

int CALLBACK CollectEntry(char* path, long list)
{
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(path);
    return 1;
}

void List(VmrPhoneBook& book)
{
    std::vector<std::string> files;
    book.EnumEntryNames(CollectEntry, reinterpret_cast<long>(&files));
    for (const std::string& file : files) {
        std::string name = file.substr(file.find_last_of('\\') + 1);
        name = name.substr(0, name.size() - 4);   // the listing matches *.vmr
        std::vector<char> path = Writable(file);
        if (!book.ReadEntry(path.data())) {
            printf("%-24s (unreadable)\n", ForConsole(stdout, name).c_str());
            continue;
        }
        std::string where = book.GetDeviceType() == 1 ? Text(book, &VmrPhoneBook::GetConnectPhoneNumber)
                                                      : Text(book, &VmrPhoneBook::GetConnectWorkstationName);
        printf("%-24s type %u  %s\n", ForConsole(stdout, name).c_str(), book.GetDeviceType(),
               ForConsole(stdout, where).c_str());
    }
}

void NewEntry(VmrPhoneBook& book, const std::string& name, const std::vector<std::string>& options)
{
    EntryFile(book, name);   // the name is judged before the options
    for (size_t i = 0; i < options.size(); ++i) {
        const std::string& option = options[i];
        if (option == "--no-connect-dialog") {
            book.SetDisplayConnectDialog(0);
            continue;
        }
        if (option.compare(0, 2, "--") != 0 || i + 1 >= options.size())
            throw UsageError("expected --FIELD VALUE, not '" + option + "'");
        SetField(book, option.substr(2), options[++i]);
    }
    StoreNew(book, name);
}

void SetFields(VmrPhoneBook& book, const std::string& name, const std::vector<std::string>& assignments)
{
    if (assignments.empty())
        throw UsageError("set needs at least one FIELD=VALUE");
    Load(book, name);
    for (const std::string& assignment : assignments) {
        size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            throw UsageError("expected FIELD=VALUE, not '" + assignment + "'");
        SetField(book, assignment.substr(0, equals), assignment.substr(equals + 1));
    }
    Store(book, name);
}

// Runs a verb that takes entry names, with the directory and extension the
// library's file verbs expect.
void FileVerb(VmrPhoneBook& book, const std::string& verb, const std::vector<std::string>& args)
{
    size_t wanted = verb == "delete" ? 1 : 2;
    if (args.size() != wanted)
        throw UsageError(verb + " takes " + (wanted == 1 ? "one name" : "two names"));
    std::vector<char> first = Writable(EntryFile(book, args[0]));
    if (verb == "delete") {
        if (!book.DeleteEntry(first.data()))
            throw Failure("cannot delete the entry '" + args[0] + "'");
        return;
    }
    std::string target = EntryFile(book, args[1]);
    std::vector<char> second = Writable(target);
    // A change of case alone names the same file: the library renames it.
    if (verb == "rename" && _stricmp(first.data(), second.data()) == 0) {
        if (!book.RenameEntry(first.data(), second.data()))
            throw Failure("cannot rename '" + args[0] + "' to '" + args[1] + "'");
        return;
    }
    if (!book.ReadEntry(first.data()))
        throw Failure("cannot " + verb + " '" + args[0] + "': there is no such entry, or it cannot be read");
    // The new name is made as a new entry, so nothing is replaced; a rename
    // then deletes the old one.
    StoreNew(book, args[1], "cannot " + verb + " '" + args[0] + "' to '" + args[1] + "': ");
    if (verb == "rename" && !book.DeleteEntry(first.data()))
        throw Failure("renamed '" + args[0] + "' to '" + args[1] + "', but could not delete '" + args[0] +
                      "': both exist now");
}

// The wizard's answer, told in words. "--no-utilities" leaves out the
// start-up utilities page.
void CreateWithWizard(VmrPhoneBook& book, const std::vector<std::string>& args)
{
    bool noUtilities = args.size() == 1 && args[0] == "--no-utilities";
    if (!args.empty() && !noUtilities)
        throw UsageError("create takes only --no-utilities");
    char created[MAX_PATH] = "";
    unsigned short result = book.QueryCreateEntry(NULL, created, sizeof(created), noUtilities ? 1 : 0);
    if ((result & 2) != 0) {
        printf("created %s\n", created);
        if ((result & 8) != 0)
            printf("a session was asked for\n");
    } else if (result == 4) {
        printf("created the Dial-Up Networking connection %s\n", created);
    } else if (result == 1) {
        printf("nothing was created\n");
    } else {
        throw Failure("the Create New Connection dialog could not be shown");
    }
}

void ShowProperties(VmrPhoneBook& book, const std::vector<std::string>& args)
{
    bool noUtilities = args.size() == 2 && args[1] == "--no-utilities";
    if (args.empty() || (args.size() == 2 && !noUtilities) || args.size() > 2)
        throw UsageError("properties takes a name and, optionally, --no-utilities");
    std::string file = EntryFile(book, args[0]);
    std::vector<char> path = Writable(file);
    if (!book.QueryProperties(NULL, path.data(), noUtilities ? 1 : 0))
        throw Failure("cannot open the properties of '" + args[0] + "' (" + file +
                      "): the login was refused or the entry cannot be read");
}

int Run(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string path;
    bool hasPath = false;
    if (args.size() >= 2 && args[0] == "--path") {
        path = args[1];
        hasPath = true;
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty())
        throw UsageError("no verb given");
    std::string verb = args[0];
    args.erase(args.begin());
    if (verb == "--help" || verb == "help") {
        printf(kUsage, kBulkUsage);
        return 0;
    }

    VmrPhoneBook book;
    if (hasPath) {
        std::vector<char> directory = Writable(path);
        book.SetPath(directory.data());
    }

    if (verb == "dir") {
        printf("%s\n", Directory(book).c_str());
    } else if (verb == "defaults") {
        PrintFields(book, false);
    } else if (verb == "list") {
        List(book);
    } else if (verb == "show") {
        if (args.empty() || args.size() > 2 || (args.size() == 2 && args[1] != "--reveal"))
            throw UsageError("show takes a name and, optionally, --reveal");
        Load(book, args[0]);
        PrintFields(book, args.size() == 2);
    } else if (verb == "new") {
        if (args.empty())
            throw UsageError("new takes a name");
        NewEntry(book, args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    } else if (verb == "set") {
        if (args.empty())
            throw UsageError("set takes a name");
        SetFields(book, args[0], std::vector<std::string>(args.begin() + 1, args.end()));
    } else if (verb == "delete" || verb == "rename" || verb == "copy") {
        FileVerb(book, verb, args);
    } else if (verb == "create") {
        CreateWithWizard(book, args);
    } else if (verb == "properties") {
        ShowProperties(book, args);
    } else if (verb == "export") {
        return ExportCommand(book, args);
    } else if (verb == "import") {
        return ImportCommand(book, args);
    } else if (verb == "check") {
        return CheckCommand(book, args);
    } else {
        throw UsageError("unknown verb '" + verb + "'");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const UsageError& error) {
        fprintf(stderr, "pbtool: %s (pbtool --help lists the verbs)\n", error.message().c_str());
        return 2;
    } catch (const Failure& error) {
        fprintf(stderr, "pbtool: %s\n", error.message().c_str());
        return 1;
    } catch (const std::bad_alloc&) {
        fprintf(stderr, "pbtool: out of memory; nothing more was done\n");
        return 1;
    }
}
