/* Resource ids: the interface between the library's code and its templates.
   Shared by the code and by the resource scripts of every language. */
#ifndef PHONEBK_RESOURCE_H
#define PHONEBK_RESOURCE_H

/* Strings */
#define IDS_PHONE_BOOK                  115
#define IDS_LINE_CONFIG_FAILED          116
#define IDS_COMPLETE_PHONE_NUMBER       200
#define IDS_NAME_INVALID_CHARACTERS     201
#define IDS_NAME_EXISTS                 213
#define IDS_NAME_RESERVED               216
#define IDS_MODEM_IN_USE                217
#define IDS_NAME_BLANK                  218
#define IDS_PASSWORD_WITHOUT_LOGIN      219
#define IDS_PASSWORD_TOO_SHORT          220
#define IDS_PASSWORDS_DIFFER            221
#define IDS_ENTRY_INCOMPATIBLE          222
#define IDS_CREATE_NEW_CONNECTION       5632
#define IDS_PROPERTIES_CAPTION          5633
#define IDS_SELECT_DIALUP_ENTRY         5634
#define IDS_DIALUP_NOT_INSTALLED        5635
#define IDS_DIALUP_PHONEBOOK_ERROR      5636


/* Icons */
#define IDI_REMOVE_ENTRY                107
#define IDI_REMOVE_ENTRIES              108

/* Confirmations the host shows before deleting entries */
#define IDD_CONFIRM_DELETE              1500
#define IDD_CONFIRM_DELETE_MANY         1510
#define IDC_CONFIRM_TEXT                1501

#endif
