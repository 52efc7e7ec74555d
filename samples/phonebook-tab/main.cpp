// phonebook-tab.exe: the sample host of PhoneBk.dll.
//
//     phonebook-tab [--path DIR]
//
// --path DIR shows the phone book in DIR instead of the user's own below the
// program's folder.
#include <windows.h>
#include <commctrl.h>
#include <string.h>
#include <string>
#include <vector>

#include "HostText.h"
#include "PhoneBookTab.h"
#include "resources/TabResources.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    // On Windows NT the constructor finds the logged-on user through the
    // shell's window, waiting for it as at a logon.
    VmrPhoneBook book;
    const char* chosenFolder = NULL;
    for (int i = 1; i + 1 < __argc; ++i) {
        if (strcmp(__argv[i], "--path") == 0) {
            std::vector<char> directory(__argv[i + 1], __argv[i + 1] + strlen(__argv[i + 1]) + 1);
            book.SetPath(directory.data());
            chosenFolder = __argv[i + 1];
        }
    }
    RasPhoneBook dialUp;
    HWND window = CreatePhoneBookTab(instance, book, dialUp, chosenFolder, show);
    if (window == NULL) {
        MessageBoxA(NULL, LoadText(IDS_CANNOT_START).c_str(), LoadText(IDS_APP_TITLE).c_str(), MB_ICONERROR | MB_OK);
        return 1;
    }
    return RunPhoneBookTab(window);
}
