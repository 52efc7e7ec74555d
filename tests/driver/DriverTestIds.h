// Resource ids of the small dialogs the driver's own tests run against.
#ifndef PHONEBK_DRIVERTESTIDS_H
#define PHONEBK_DRIVERTESTIDS_H

#define IDD_CONTROLS        101
#define IDD_OTHER           102
#define IDD_PAGE_NAME       201
#define IDD_PAGE_CONFIRM    202
#define IDD_PAGE_GENERAL    203

#define IDC_NAME            1001
#define IDC_CITY            1002
#define IDC_KIND            1003
#define IDC_LIST            1004
#define IDC_BOX             1005
#define IDC_TRI             1006
#define IDC_RADIO_A         1007
#define IDC_RADIO_B         1008
#define IDC_DISABLED        1009
#define IDC_HIDDEN          1010
#define IDC_ASK             1011
#define IDC_READONLY        1012
#define IDC_OTHER           1101
#define IDC_PAGE_NAME       2001
#define IDC_PAGE_AGREE      2002
#define IDC_GENERAL_NAME    2003

#endif
