// The driver's own test dialogs: a dialog of every control kind that records
// what reaches it, a second small dialog, and a wizard of two pages and a
// Properties sheet of one built from 48-byte page descriptors.
#ifndef PHONEBK_DRIVERTESTDIALOGS_H
#define PHONEBK_DRIVERTESTDIALOGS_H

#include <windows.h>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

// Every WM_COMMAND the controls dialog saw and, on OK, its controls' values.
struct ControlsLog {
    std::vector<std::pair<int, int>> commands;   // control id, notification
    std::string name, city, kind, listItem;
    UINT box = 0, tri = 0;
    bool radioB = false;
    int answer = 0;

    int Count(int id, int code) const
    {
        return static_cast<int>(std::count(commands.begin(), commands.end(), std::make_pair(id, code)));
    }
};

// What the sheet's pages were told; refuseCancel makes them refuse PSN_QUERYCANCEL.
struct SheetLog {
    bool refuseCancel = false;
    std::vector<std::string> notifications;   // "page:NAME"
    std::string nameAtNext;

    bool Saw(const std::string& entry) const
    {
        return std::find(notifications.begin(), notifications.end(), entry) != notifications.end();
    }
};

// The controls dialog, modal; its result is the button that closed it.
INT_PTR ShowControls(ControlsLog* log);
// The other dialog, modal; text receives its edit's text on OK.
INT_PTR ShowOther(std::string* text);
// Dispatches this thread's messages until WM_QUIT; answers its wParam.
int PumpUntilQuit();
// Whether a WM_QUIT waits in this thread's queue (it is removed).
bool QuitPending();
// The wizard (two pages) or the Properties sheet (one), modal.
INT_PTR ShowSheet(SheetLog* log, bool wizard);
// Milliseconds since start, by GetTickCount.
DWORD Since(DWORD start);

#endif
