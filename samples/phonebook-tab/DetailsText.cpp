#include "DetailsText.h"

#include <windows.h>

#include "HostText.h"
#include "resources/TabResources.h"

namespace phonebook_tab {

std::string FieldText(VmrPhoneBook& book, void (VmrPhoneBook::*get)(char*, unsigned short))
{
    char text[600];
    (book.*get)(text, sizeof(text));
    return text;
}

// The kind follows the device type; a network connection may run over
// Dial-Up Networking.
std::string KindText(VmrPhoneBook& book, char* path)
{
    switch (book.GetDeviceType()) {
    case 1: return LoadText(IDS_KIND_MODEM);
    case 2: return LoadText(IDS_KIND_CABLE);
    default: return LoadText(book.IsRasLinkEntry(path) ? IDS_KIND_NETWORK_DIALUP : IDS_KIND_NETWORK);
    }
}

std::string AddressText(VmrPhoneBook& book)
{
    unsigned short type = book.GetDeviceType();
    if (type == 2)
        return std::string();
    if (type != 1)
        return FieldText(book, &VmrPhoneBook::GetConnectWorkstationName);
    std::string number = FieldText(book, &VmrPhoneBook::GetConnectPhoneNumber);
    std::string area = FieldText(book, &VmrPhoneBook::GetConnectAreaCode);
    if (book.UseCountryCodeAndAreaCode() && !area.empty())
        return "(" + area + ") " + number;
    return number;
}

std::string DetailsText(VmrPhoneBook& book)
{
    // An empty field says "none" in the word its name agrees with.
    auto orNone = [](const std::string& text, UINT none) { return text.empty() ? LoadText(none) : text; };
    std::string device = orNone(FieldText(book, &VmrPhoneBook::GetTapiLineName), IDS_NONE);
    std::string adapter = orNone(FieldText(book, &VmrPhoneBook::GetAdapterName), IDS_NONE_ADAPTER);
    std::string country = FieldText(book, &VmrPhoneBook::GetConnectCountryCode);
    std::string area = FieldText(book, &VmrPhoneBook::GetConnectAreaCode);
    std::string codes =
        orNone(book.UseCountryCodeAndAreaCode() ? TrimBlanks(country + " " + area) : std::string(), IDS_NONE);
    std::string link = orNone(FieldText(book, &VmrPhoneBook::GetRasLinkName), IDS_NONE_DIALUP);
    std::string locator = orNone(
        book.UseInternet() ? FieldText(book, &VmrPhoneBook::GetInternetLocatorServer) : std::string(), IDS_NONE);
    std::string dialog = LoadText(book.GetDisplayConnectDialog() ? IDS_YES : IDS_NO);
    // The password's own "none", agreeing with "password" (es "ninguna").
    char password[64];
    book.GetPassword(password, sizeof(password));
    std::string passwordState = LoadText(password[0] != '\0' ? IDS_PASSWORD_SET : IDS_PASSWORD_NONE);
    SecureZeroMemory(password, sizeof(password));
    std::string utilities;
    for (unsigned short slot = 0; slot < 10; ++slot) {
        if (book.IsStartupUtility(slot))
            utilities += (utilities.empty() ? "" : ", ") + std::to_string(slot + 1);
    }
    utilities = orNone(utilities, IDS_NONE_UTILITIES);
    return FormatText(IDS_DETAILS, {TextInsert(device), TextInsert(adapter), TextInsert(codes), TextInsert(link),
                                    TextInsert(locator), NumberInsert(book.GetConnectTimeout()),
                                    TextInsert(dialog), TextInsert(passwordState), TextInsert(utilities)});
}

}  // namespace phonebook_tab
