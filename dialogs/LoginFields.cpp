#include "LoginFields.h"

#include <mbstring.h>

#include "EntryFiles.h"
#include "Messages.h"
#include "PhoneBookAccess.h"
#include "TextCopy.h"
#include "resource.h"

int StoreLoginFields(HWND page)
{
    VmrEntryRecord& entry = VmrPhoneBookAccess::Record(*CurrentPhoneBook);
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
