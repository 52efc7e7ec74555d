// Dialog 5000: a Velmora connection or a Dial-Up Networking one. It looks
// like a wizard page but is a modal dialog of its own; its Back button never
// works.
#include "Wizard.h"

#include "ContextHelp.h"
#include "Messages.h"
#include "RasApiTable.h"
#include "resource.h"

namespace {

void InitConnectionType(HWND dialog)
{
    CheckDlgButton(dialog, IDC_TYPE_VELMORA, BST_CHECKED);
}

// Dial-Up Networking is offered even when it is not bound; the choice is
// refused only when it is made.
void ChooseConnectionType(HWND dialog)
{
    if (IsDlgButtonChecked(dialog, IDC_TYPE_VELMORA) != BST_UNCHECKED)
        EndDialog(dialog, kChoiceVelmora);
    else if (RasApiTable.RasApiModule != NULL)
        EndDialog(dialog, kChoiceDialUp);
    else
        ShowResourceMessage(GetFocus(), IDS_PHONE_BOOK, IDS_DIALUP_NOT_INSTALLED, kMessageStyle);
}

INT_PTR ConnectionTypeCommand(HWND dialog, WORD controlId)
{
    switch (controlId) {
    case IDCANCEL: EndDialog(dialog, kChoiceCancel); return TRUE;
    case IDHELP: ShowHelpTopic(kHelpConnectionType); return TRUE;
    case IDC_TYPE_NEXT: ChooseConnectionType(dialog); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

static INT_PTR CALLBACK ConnectionTypeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: InitConnectionType(dialog); return TRUE;
    case WM_COMMAND: return ConnectionTypeCommand(dialog, LOWORD(wParam));
    default: return FALSE;
    }
}

INT_PTR ShowConnectionTypeDialog(HWND parent)
{
    return DialogBoxParamA(ModuleInstance, MAKEINTRESOURCEA(IDD_CONNECTION_TYPE), parent,
                           ConnectionTypeDialogProc, 0);
}
