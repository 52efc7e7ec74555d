/* Resource ids: the interface between the library's code and its templates.
   Shared by the code and by the resource scripts of every language. */
#ifndef PHONEBK_RESOURCE_H
#define PHONEBK_RESOURCE_H

/* Strings. 116, 200, 217 and 220 are never loaded by the library's code:
   they stay because the published string table lists them, with these ids,
   for hosts that load them. 220 names a minimum the library does not impose:
   a login password may have any length, as the help says. */
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
#define IDS_NAME_TOO_LONG               223
#define IDS_ENTRY_NOT_SAVED             224
#define IDS_CREATE_NEW_CONNECTION       5632
#define IDS_PROPERTIES_CAPTION          5633
#define IDS_SELECT_DIALUP_ENTRY         5634
#define IDS_DIALUP_NOT_INSTALLED        5635
#define IDS_DIALUP_PHONEBOOK_ERROR      5636


/* Icons and the wizard's picture */
#define IDI_CONNECTION                  101
#define IDI_REMOVE_ENTRY                107
#define IDI_REMOVE_ENTRIES              108
#define IDI_DEVICE                      109
#define IDB_WIZARD                      150

/* Properties sheet pages */
#define IDD_STARTUP_CONNECT_DIALOG      106     /* Startup without utilities */
#define IDD_GENERAL                     1200
#define IDD_LOGIN                       5007
#define IDD_STARTUP                     5010

/* The Create New Connection wizard: the connection type dialog and the pages */
#define IDD_CONNECTION_TYPE             5000
#define IDD_WIZ_NAME_DEVICE             5001
#define IDD_WIZ_WORKSTATION             5002
#define IDD_WIZ_LOGIN                   5003
#define IDD_WIZ_DIALUP_LINK             5004
#define IDD_WIZ_FINISH                  5006
#define IDD_WIZ_PHONE_NUMBER            5008
#define IDD_WIZ_UTILITIES               5009
#define IDC_WIZARD_BITMAP               10      /* bitmap IDB_WIZARD on every page */
#define IDC_TYPE_VELMORA                1000
#define IDC_TYPE_DIALUP                 1001
#define IDC_TYPE_BACK                   1002
#define IDC_TYPE_NEXT                   1003
#define IDC_DIALUP_CREATE               1004
#define IDC_DIALUP_PROPERTIES           1006
#define IDC_ESTABLISH_SESSION           1021
#define IDC_NEW_ENTRY_NAME              1201
#define IDC_WIZ_WORKSTATION_LABEL       1203    /* on page 5002 */
#define IDC_WIZ_ILS_LABEL               1204    /* on page 5002 */
#define IDC_WIZ_PHONE_NUMBER_LABEL      1205    /* on page 5008 */

/* Confirmations the host shows before deleting entries */
#define IDD_CONFIRM_DELETE              1500
#define IDD_CONFIRM_DELETE_MANY         1510
#define IDC_CONFIRM_TEXT                1501

/* Connection fields shared by the wizard pages and the General page */
#define IDC_DIALUP_ENTRY                1005    /* Dial-Up Networking entry list or combo box */
#define IDC_CONNECT_USING               1009    /* device combo box */
#define IDC_REMOTE_CONTROL              1015    /* StartupUtility slots 0 to 4: 1015 to 1019 */
#define IDC_FILE_TRANSFER               1016
#define IDC_VOICE_CHAT                  1017
#define IDC_REMOTE_CLIPBOARD            1018
#define IDC_REMOTE_PRINTING             1019
#define IDC_DISPLAY_CONNECT_DIALOG      1020
#define IDC_WORKSTATION                 1010
#define IDC_ILS                         1011
#define IDC_DIALUP_ENTRY_LABEL          1023
#define IDC_ILS_LABEL                   1024
#define IDC_USE_DIALUP                  1025
#define IDC_GENERAL_ICON                1200
#define IDC_ENTRY_NAME                  1202
#define IDC_AREA_CODE_LABEL             1203
#define IDC_AREA_CODE                   1204
#define IDC_PHONE_NUMBER_LABEL          1206
#define IDC_PHONE_NUMBER                1207
#define IDC_WORKSTATION_LABEL           1210
#define IDC_COUNTRY                     1211
#define IDC_COUNTRY_LABEL               1212
#define IDC_USE_COUNTRY_AREA            1213
#define IDC_LOGIN_NAME                  1205
#define IDC_PASSWORD                    1209
#define IDC_CONFIRM_PASSWORD            1214    /* on the Login pages */
#define IDC_CONNECT_USING_GROUP         1214    /* on the General page */
#define IDC_DEVICE_ICON                 1218
#define IDC_CONFIGURE                   1216
#define IDC_NETWORK_GROUP               1222
#define IDC_PHONE_GROUP                 1223

#endif
