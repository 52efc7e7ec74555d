/*
 * GATEUI.DLL - the product's security login.
 *
 * QuerySecurityLogin(owner, right) answers 0 when the user at the owner window
 * is granted the right, and an error code when not: ERROR_CANCELLED when the
 * user cancelled the password prompt, ERROR_ACCESS_DENIED otherwise. Callers
 * only tell 0 from the rest.
 *
 * GATEUI.INI beside this DLL (or in the folder the environment variable
 * GATEUI_DIR names, when it is set) decides, and is read again at every call,
 * so an administrator's change counts at once:
 *     [Security]
 *     Mode=Grant       every right is granted
 *     Mode=Refuse      every right is refused
 *     Mode=Password    a modal prompt, owned by the owner window, asks for the
 *     Password=...     password; the right one grants, a wrong one or Cancel
 *                      refuses (one try per call: the caller asks again when
 *                      it needs the right again)
 * Without the file every right is refused: this build stands in for the
 * product's own security login where the product is not installed, and a copy
 * of it that lands beside the product by mistake must not open what the
 * product's login guards. Whoever wants rights granted writes Mode=Grant.
 * Anything the file does not say plainly refuses too: a Mode other than the
 * three words (in any letter case), no Mode, Password mode with no password or
 * one longer than the prompt takes, or a prompt that cannot be shown. The
 * right asked for does not change the answer. Nothing is written.
 */
#include <windows.h>
#include <string.h>

#include "ComponentFiles.h"
#include "GateUiRes.h"

#define SECURITY_SECTION "Security"
#define SETTINGS_NAME "GATEUI.INI"
#define FOLDER_VARIABLE "GATEUI_DIR"

/* The prompt takes no more than this; a longer password in the file could
   never be typed, so it refuses without asking. */
#define MAX_PASSWORD 127

/* Long enough for the three words; a longer Mode is cut and so refuses. */
#define MODE_SIZE 16

static HINSTANCE gateUiInstance;

typedef struct PasswordPrompt {
    const char* password;
    BOOL matched;
} PasswordPrompt;

static INT_PTR OnInitPrompt(HWND dialog, LPARAM param)
{
    SetWindowLongPtrA(dialog, DWLP_USER, param);
    SendDlgItemMessageA(dialog, IDC_PASSWORD, EM_LIMITTEXT, MAX_PASSWORD, 0);
    return TRUE;   /* the focus goes to the password field, the first stop */
}

static INT_PTR OnPromptOk(HWND dialog)
{
    PasswordPrompt* prompt = (PasswordPrompt*)GetWindowLongPtrA(dialog, DWLP_USER);
    /* One byte more than a password can have: text set past the field's limit
       is cut to a length no stored password has, so it cannot match. */
    char typed[MAX_PASSWORD + 2];
    GetDlgItemTextA(dialog, IDC_PASSWORD, typed, sizeof(typed));
    prompt->matched = strcmp(typed, prompt->password) == 0;
    SecureZeroMemory(typed, sizeof(typed));
    EndDialog(dialog, IDOK);
    return TRUE;
}

static INT_PTR OnPromptCancel(HWND dialog)
{
    EndDialog(dialog, IDCANCEL);
    return TRUE;
}

static INT_PTR CALLBACK PasswordPromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitPrompt(dialog, lParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK)
            return OnPromptOk(dialog);
        if (LOWORD(wParam) == IDCANCEL)
            return OnPromptCancel(dialog);
        break;
    }
    return FALSE;
}

static DWORD AskForPassword(HWND owner, const char* settings)
{
    char password[MAX_PASSWORD + 2];
    DWORD length = GetPrivateProfileStringA(SECURITY_SECTION, "Password", "", password,
                                            sizeof(password), settings);
    DWORD answer = ERROR_ACCESS_DENIED;
    if (length > 0 && length <= MAX_PASSWORD) {
        PasswordPrompt prompt = {password, FALSE};
        /* An invalid owner makes the prompt fail with 0 or -1, never IDOK. */
        INT_PTR result = DialogBoxParamA(gateUiInstance, MAKEINTRESOURCEA(IDD_PASSWORD), owner,
                                         PasswordPromptProc, (LPARAM)&prompt);
        if (result == IDOK && prompt.matched)
            answer = 0;
        else if (result == IDCANCEL)
            answer = ERROR_CANCELLED;
    }
    SecureZeroMemory(password, sizeof(password));
    return answer;
}

DWORD WINAPI QuerySecurityLogin(HWND owner, DWORD right)
{
    (void)right;
    char settings[MAX_PATH];
    if (!LocateComponentFile(gateUiInstance, FOLDER_VARIABLE, SETTINGS_NAME, settings, sizeof(settings)))
        return ERROR_ACCESS_DENIED;

    /* A missing or unreadable file reads as no Mode, which refuses. */
    char mode[MODE_SIZE];
    GetPrivateProfileStringA(SECURITY_SECTION, "Mode", "", mode, sizeof(mode), settings);
    if (lstrcmpiA(mode, "Grant") == 0)
        return 0;
    if (lstrcmpiA(mode, "Password") == 0)
        return AskForPassword(owner, settings);
    return ERROR_ACCESS_DENIED;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        gateUiInstance = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
