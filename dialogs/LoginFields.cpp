#include "LoginFields.h"

#include <mbstring.h>

#include "Messages.h"
#include "PageConventions.h"
#include "PhoneBookAccess.h"
#include "TextCopy.h"
#include "resource.h"

namespace {

// StartupUtility slots 0 to 4, in slot order.
const int kUtilityBoxes[] = {IDC_REMOTE_CONTROL, IDC_FILE_TRANSFER, IDC_VOICE_CHAT, IDC_REMOTE_CLIPBOARD,
                             IDC_REMOTE_PRINTING};

}  // namespace

void ShowUtilityTicks(HWND page)
{
    const VmrEntryRecord& entry = CurrentEntry();
    int slot = 0;
    for (int box : kUtilityBoxes)
        CheckDlgButton(page, box, entry.StartupUtility[slot++] != 0 ? BST_CHECKED : BST_UNCHECKED);
}

void StoreUtilityTicks(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    int slot = 0;
    for (int box : kUtilityBoxes)
        entry.StartupUtility[slot++] = GetDlgItem(page, box) != NULL && IsDlgButtonChecked(page, box) == BST_CHECKED;
}

int StoreLoginFields(HWND page)
{
    VmrEntryRecord& entry = CurrentEntry();
    char login[sizeof(entry.LoginName)];
    char password[sizeof(entry.Password)];
    char confirmation[sizeof(entry.Password)];
    GetDlgItemTextA(page, IDC_LOGIN_NAME, login, sizeof(login));
    GetDlgItemTextA(page, IDC_PASSWORD, password, sizeof(password));
    GetDlgItemTextA(page, IDC_CONFIRM_PASSWORD, confirmation, sizeof(confirmation));

    if (password[0] != '\0' && login[0] == '\0') {
        ShowResourceMessage(page, IDS_PHONE_BOOK, IDS_PASSWORD_WITHOUT_LOGIN, kMessageStyle);
        SetFocus(GetDlgItem(page, IDC_LOGIN_NAME));
        return 0;
    }
    if (password[0] != '\0' && _mbscmp(reinterpret_cast<const unsigned char*>(password),
                                       reinterpret_cast<const unsigned char*>(confirmation)) != 0) {
        ShowResourceMessage(page, IDS_PHONE_BOOK, IDS_PASSWORDS_DIFFER, kMessageStyle);
        HWND passwordEdit = GetDlgItem(page, IDC_PASSWORD);
        SetFocus(passwordEdit);
        SendMessageA(passwordEdit, EM_SETSEL, 0, -1);
        return 0;
    }
    StoreFieldText(entry.LoginName, sizeof(entry.LoginName), login);
    StoreFieldText(entry.Password, sizeof(entry.Password), password);
    return 1;
}
