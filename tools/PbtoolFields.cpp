// The fields of an entry as pbtool's files name them, in the order they are
// written, with the getter that reads each and the setter (or the published
// record layout) that stores it.
#include "PbtoolSupport.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>

const char kNameField[] = "name";
const char kPasswordField[] = "password";

std::string DirectoryOf(VmrPhoneBook& book)
{
    const char* path = reinterpret_cast<const char*>(&book);
    return std::string(path, strnlen(path, 260));
}

std::string StoredEntryNameOf(VmrPhoneBook& book)
{
    const char* name = reinterpret_cast<const char*>(&book) + 260;
    return std::string(name, strnlen(name, 256));
}

VmrEntryRecord& RecordOf(VmrPhoneBook& book)
{
    return *reinterpret_cast<VmrEntryRecord*>(reinterpret_cast<char*>(&book) + 260 + 256 + 4);
}

namespace {

typedef void (VmrPhoneBook::*TextGetter)(char*, unsigned short);

template <TextGetter get>
std::string GetText(VmrPhoneBook& book)
{
    char text[600];
    (book.*get)(text, sizeof(text));
    return text;
}

template <void (VmrPhoneBook::*set)(char*)>
void SetText(VmrPhoneBook& book, const std::string& value)
{
    std::vector<char> text(value.begin(), value.end());
    text.push_back('\0');
    (book.*set)(text.data());
}

template <size_t N>
void StoreInField(char (&field)[N], const std::string& value)
{
    // Validation keeps value below N bytes; the bytes after the terminator
    // stay as the reset left them.
    size_t length = std::min(value.size(), N - 1);
    memcpy(field, value.data(), length);
    field[length] = '\0';
}

std::string Number(unsigned long value)
{
    return std::to_string(value);
}

unsigned long ToNumber(const std::string& value)
{
    return strtoul(value.c_str(), NULL, 10);
}

std::string GetUtilities(VmrPhoneBook& book)
{
    std::string slots;
    for (unsigned short slot = 0; slot < 10; ++slot)
        slots += book.IsStartupUtility(slot) != 0 ? '1' : '0';
    return slots;
}

void SetUtilities(VmrPhoneBook& book, const std::string& value)
{
    for (size_t slot = 0; slot < 10; ++slot)
        RecordOf(book).StartupUtility[slot] = value[slot] == '1' ? 1 : 0;
}

const std::vector<EntryField> kFields = {
    {"device-type", kNumberField, 0, 5, 0,
     [](VmrPhoneBook& book) { return Number(book.GetDeviceType()); },
     // SetDeviceType takes 1, 3, 4 and 5; the dialogs also store 0 (no
     // device) and 2, which the record then holds as they stored it.
     [](VmrPhoneBook& book, const std::string& v) { RecordOf(book).DeviceType = static_cast<unsigned short>(ToNumber(v)); }},
    {"phone", kTextField, sizeof(VmrEntryRecord::ConnectPhoneNumber), 0, 0,
     GetText<&VmrPhoneBook::GetConnectPhoneNumber>, SetText<&VmrPhoneBook::SetConnectPhoneNumber>},
    {"area", kTextField, sizeof(VmrEntryRecord::ConnectAreaCode), 0, 0,
     GetText<&VmrPhoneBook::GetConnectAreaCode>, SetText<&VmrPhoneBook::SetConnectAreaCode>},
    {"country", kTextField, sizeof(VmrEntryRecord::ConnectCountryCode), 0, 0,
     GetText<&VmrPhoneBook::GetConnectCountryCode>, SetText<&VmrPhoneBook::SetConnectCountryCode>},
    {"use-country-and-area", kNumberField, 0, 0xFFFFFFFFul, 0,
     [](VmrPhoneBook& book) { return Number(static_cast<unsigned int>(book.UseCountryCodeAndAreaCode())); },
     [](VmrPhoneBook& book, const std::string& v) { RecordOf(book).UseCountryCodeAndAreaCode = ToNumber(v); }},
    {"workstation", kTextField, sizeof(VmrEntryRecord::ConnectWorkstationName), 0, 0,
     GetText<&VmrPhoneBook::GetConnectWorkstationName>, SetText<&VmrPhoneBook::SetConnectWorkstationName>},
    {"ils", kTextField, sizeof(VmrEntryRecord::InternetLocatorServer), 0, 0,
     GetText<&VmrPhoneBook::GetInternetLocatorServer>,
     [](VmrPhoneBook& book, const std::string& v) {
         SetText<&VmrPhoneBook::SetInternetLocatorServer>(book, v);
         book.SetUseInternet(1);   // as the dialogs do whenever they store the server
     }},
    {"login", kTextField, sizeof(VmrEntryRecord::LoginName), 0, 0,
     GetText<&VmrPhoneBook::GetLoginName>, SetText<&VmrPhoneBook::SetLoginName>},
    {kPasswordField, kTextField, sizeof(VmrEntryRecord::Password), 0, 0,
     GetText<&VmrPhoneBook::GetPassword>,
     [](VmrPhoneBook& book, const std::string& v) {
         std::vector<char> text(v.begin(), v.end());
         text.push_back('\0');
         book.SetPassword(text.data());
     }},
    {"line", kTextField, sizeof(VmrEntryRecord::TapiLineName), 0, 0,
     GetText<&VmrPhoneBook::GetTapiLineName>, SetText<&VmrPhoneBook::SetTapiLineName>},
    {"adapter", kTextField, sizeof(VmrEntryRecord::AdapterName), 0, 0,
     GetText<&VmrPhoneBook::GetAdapterName>, SetText<&VmrPhoneBook::SetAdapterName>},
    {"dial-up-entry", kTextField, sizeof(VmrEntryRecord::RasLinkName), 0, 0,
     GetText<&VmrPhoneBook::GetRasLinkName>,
     [](VmrPhoneBook& book, const std::string& v) { StoreInField(RecordOf(book).RasLinkName, v); }},
    // No getter gives the flag but IsRasLinkEntry, which reads the file again.
    {"use-dial-up", kNumberField, 0, 0xFFFFFFFFul, 0,
     [](VmrPhoneBook& book) { return Number(RecordOf(book).UseDialUpNetworking); },
     [](VmrPhoneBook& book, const std::string& v) { RecordOf(book).UseDialUpNetworking = ToNumber(v); }},
    {"timeout", kNumberField, 0, 65535, 0,
     [](VmrPhoneBook& book) { return Number(book.GetConnectTimeout()); },
     [](VmrPhoneBook& book, const std::string& v) { book.SetConnectTimeout(static_cast<unsigned short>(ToNumber(v))); }},
    {"connect-dialog", kNumberField, 0, 0xFFFFFFFFul, 0,
     [](VmrPhoneBook& book) { return Number(static_cast<unsigned int>(book.GetDisplayConnectDialog())); },
     [](VmrPhoneBook& book, const std::string& v) { book.SetDisplayConnectDialog(static_cast<int>(ToNumber(v))); }},
    {"startup-utilities", kUtilitiesField, 0, 0, 0, GetUtilities, SetUtilities},
};

}  // namespace

const std::vector<EntryField>& EntryFields()
{
    return kFields;
}

const EntryField* FindEntryField(const std::string& name)
{
    for (const EntryField& field : kFields) {
        if (name == field.name)
            return &field;
    }
    return NULL;
}

std::string ValidateFieldValue(const EntryField& field, const SourceValue& value, std::string* stored)
{
    switch (field.kind) {
    case kTextField: {
        if (value.number)
            return "must be text in double quotes";
        TextConversion conversion = Utf8ToAnsi(value.value, stored);
        if (conversion == kNotUtf8)
            return "is not UTF-8 text";
        if (conversion == kNotInCodePage)
            return "holds characters that the ANSI code page " + std::to_string(GetACP()) + " cannot hold";
        if (stored->size() >= field.width)
            return "is " + std::to_string(stored->size()) + " bytes long; at most " +
                   std::to_string(field.width - 1) + " fit";
        return std::string();
    }
    case kNumberField: {
        const std::string& text = value.value;
        bool digits = !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
        unsigned long long number = digits ? strtoull(text.c_str(), NULL, 10) : 0;
        if (!digits || number < field.least || number > field.most)
            return "must be a whole number from " + std::to_string(field.least) + " to " +
                   std::to_string(field.most) + ", not '" + text + "'";
        *stored = std::to_string(number);
        return std::string();
    }
    case kUtilitiesField:
        if (value.number || value.value.size() != 10 || value.value.find_first_not_of("01") != std::string::npos)
            return "must be ten digits 0 or 1, one for each start-up utility slot, not '" + value.value + "'";
        *stored = value.value;
        return std::string();
    }
    return "unknown kind of field";
}
