// pbtool - a console host of PhoneBk.dll.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "VmrPhoneBook.h"

namespace {

void PrintUsage(FILE* out)
{
    fputs("usage: pbtool [--path DIR] VERB [ARGS]\n"
          "\n"
          "  dir        print the phone book directory\n"
          "  defaults   print the fields of a new entry\n"
          "\n"
          "  --path DIR   use DIR as the phone book directory\n",
          out);
}

// The directory is not exported; it is what an entry name resolves against,
// so list it through the object's copy: the first field of the object.
void PrintDirectory(VmrPhoneBook& book)
{
    printf("%s\n", reinterpret_cast<const char*>(&book));
}

void PrintEntry(VmrPhoneBook& book)
{
    char text[512];
    book.GetConnectWorkstationName(text, sizeof(text));
    printf("workstation:          %s\n", text);
    book.GetConnectCountryCode(text, sizeof(text));
    printf("country code:         %s\n", text);
    book.GetConnectAreaCode(text, sizeof(text));
    printf("area code:            %s\n", text);
    book.GetConnectPhoneNumber(text, sizeof(text));
    printf("phone number:         %s\n", text);
    printf("use country and area: %d\n", book.UseCountryCodeAndAreaCode());
    book.GetLoginName(text, sizeof(text));
    printf("login name:           %s\n", text);
    book.GetPassword(text, sizeof(text));
    printf("password:             %s\n", text[0] ? "********" : "");
    printf("device type:          %u\n", book.GetDeviceType());
    book.GetTapiLineName(text, sizeof(text));
    printf("line:                 %s\n", text);
    book.GetAdapterName(text, sizeof(text));
    printf("adapter:              %s\n", text);
    book.GetRasLinkName(text, sizeof(text));
    printf("dial-up entry:        %s\n", text);
    book.GetInternetLocatorServer(text, sizeof(text));
    printf("locator server:       %s\n", text);
    printf("connect timeout:      %u\n", book.GetConnectTimeout());
    printf("connect dialog:       %d\n", book.GetDisplayConnectDialog());
    printf("startup utilities:   ");
    for (unsigned short slot = 0; slot < 10; ++slot)
        printf(" %d", book.IsStartupUtility(slot));
    printf("\n");
}

}  // namespace

int main(int argc, char** argv)
{
    int next = 1;
    const char* path = NULL;
    if (next + 1 < argc && strcmp(argv[next], "--path") == 0) {
        path = argv[next + 1];
        next += 2;
    }
    if (next >= argc || strcmp(argv[next], "--help") == 0) {
        PrintUsage(next >= argc ? stderr : stdout);
        return next >= argc ? 2 : 0;
    }

    VmrPhoneBook book;
    if (path != NULL)
        book.SetPath(const_cast<char*>(path));

    const char* verb = argv[next];
    if (strcmp(verb, "dir") == 0) {
        PrintDirectory(book);
        return 0;
    }
    if (strcmp(verb, "defaults") == 0) {
        PrintEntry(book);
        return 0;
    }
    fprintf(stderr, "pbtool: unknown verb '%s' (pbtool --help lists them)\n", verb);
    return 2;
}
