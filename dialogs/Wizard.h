// The Create New Connection wizard inside the library: the connection type
// dialog, the pages, and what the pages share. VmrPhoneBook::QueryCreateEntry
// (Wizard.cpp) is the only way in.
//
// Every page works on CurrentPhoneBook and keeps no state of its own: the
// entry is the wizard's memory, so Back and Next again show what was stored.
#ifndef PHONEBK_WIZARD_H
#define PHONEBK_WIZARD_H

#include <windows.h>

// What dialog 5000 ends with, and so what QueryCreateEntry goes on with.
const INT_PTR kChoiceCancel = 1;
const INT_PTR kChoiceVelmora = 2;
const INT_PTR kChoiceDialUp = 4;

// Shows dialog 5000 modally, owned by parent; its result as DialogBoxParamA
// gives it (-1 when the dialog cannot be made, 0 for an invalid parent).
INT_PTR ShowConnectionTypeDialog(HWND parent);

// One page of the wizard: its template and its procedure. Each page file
// keeps its procedures to itself and hands them out through these.
struct WizardPage {
    int dialogId;
    DLGPROC proc;
};
WizardPage NameDevicePage();   // 5001
WizardPage WorkstationPage();  // 5002
WizardPage PhoneNumberPage();  // 5008
WizardPage DialUpLinkPage();   // 5004
WizardPage LoginPage();        // 5003
WizardPage UtilitiesPage();    // 5009
WizardPage FinishPage();       // 5006

// Every page's PSN_SETACTIVE: posts the page's buttons to the sheet, and the
// wizard's caption after them. comctl32 titles a wizard after the page it
// shows, and each page asks for an empty title: without the caption the
// title bar would stay blank.
void ShowWizardPage(HWND page, DWORD buttons);

// Page 5002: shows the ILS server fields for every device type but 3 and 4.
void ShowIlsFieldsForDeviceType(HWND page);
// Page 5002: the workstation and ILS server into the entry and their
// histories (saved at once, and kept even when the wizard is cancelled).
int StoreWorkstationFields(HWND page);

#endif
