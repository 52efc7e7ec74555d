/* Resource ids of the Phone Book tab sample host: its menu, accelerators and
   texts. The library's own dialogs and icons keep their ids in PhoneBk.dll. */
#ifndef PHONEBOOK_TAB_RESOURCES_H
#define PHONEBOOK_TAB_RESOURCES_H

#define IDR_MAIN_MENU           100
#define IDR_ACCELERATORS        101
#define IDB_VIEW_BUTTONS        102     /* large icons, small icons, list, details */

/* Commands: menu, toolbar and accelerators share them. */
#define IDM_NEW                 200
#define IDM_NEW_DIALUP          201
#define IDM_PROPERTIES          202
#define IDM_DELETE              203
#define IDM_RENAME              204
#define IDM_COPY                205
#define IDM_ADD_EXAMPLES        206
#define IDM_LOG_OUT             207
#define IDM_EXIT                208
#define IDM_VIEW_LARGE_ICONS    209
#define IDM_VIEW_DETAILS        210
#define IDM_REFRESH             211
#define IDM_FIND                212

/* Texts */
#define IDS_APP_TITLE           1000
#define IDS_TAB_PHONE_BOOK      1001
#define IDS_TAB_ABOUT           1002
#define IDS_COLUMN_NAME         1003
#define IDS_COLUMN_KIND         1004
#define IDS_COLUMN_ADDRESS      1005
#define IDS_COLUMN_LOGIN        1006
#define IDS_KIND_MODEM          1007
#define IDS_KIND_CABLE          1008
#define IDS_KIND_NETWORK        1009
#define IDS_KIND_NETWORK_DIALUP 1010
#define IDS_KIND_DIALUP         1011
#define IDS_KIND_UNREADABLE     1012
#define IDS_TOOL_NEW            1013
#define IDS_TOOL_PROPERTIES     1014
#define IDS_TOOL_DELETE         1015
#define IDS_TOOL_RENAME         1016
#define IDS_TOOL_COPY           1017
#define IDS_TOOL_REFRESH        1018
#define IDS_STATUS_COUNT        1019
#define IDS_STATUS_SESSION      1020
#define IDS_STATUS_LOGGED_OUT   1021
#define IDS_ABOUT               1022
#define IDS_DETAILS             1023
#define IDS_YES                 1024
#define IDS_NO                  1025
#define IDS_PASSWORD_SET        1026
#define IDS_NONE                1027
#define IDS_COPY_OF             1028
#define IDS_COPY_N_OF           1029
#define IDS_REFUSED_BLANK          1030
#define IDS_REFUSED_INVALID        1031
#define IDS_REFUSED_TOO_LONG       1032
#define IDS_REFUSED_EXISTS         1033
#define IDS_ACCESS_REFUSED      1034
#define IDS_CANNOT_DELETE       1035
#define IDS_CANNOT_RENAME       1036
#define IDS_CANNOT_COPY         1037
#define IDS_CANNOT_OPEN         1038
#define IDS_CANNOT_CREATE       1039
#define IDS_DIALUP_UNSUPPORTED  1040
#define IDS_GONE                1041
#define IDS_CANNOT_WRITE        1042
#define IDS_EXAMPLES            1043    /* three names, separated by | */
#define IDS_FIND_LABEL          1044
#define IDS_STATUS_COUNT_ONE    1045    /* the count when it is 1 */
#define IDS_STATUS_FOUND        1046
#define IDS_STATUS_READING      1047
#define IDS_ABOUT_OWN_FOLDER    1048    /* About, when the library chose the folder */
#define IDS_CANNOT_START        1049
#define IDS_KIND_READING        1050    /* a row whose entry is not read yet */
#define IDS_KIND_OTHER_VERSION  1051
#define IDS_PASSWORD_NONE       1052    /* the password's own "none": its gender may differ */
#define IDS_SINGULAR_COUNTS     1053    /* the counts, blank-separated, that take IDS_STATUS_COUNT_ONE */
/* "none" for the adapter, the Dial-Up Networking entry and the start-up
   utilities, where a language makes the word agree with the field's name
   (fr "Carte : aucune", it "Utilità all'avvio: nessuna"); IDS_NONE for the
   others. */
#define IDS_NONE_ADAPTER        1054
#define IDS_NONE_DIALUP         1055
#define IDS_NONE_UTILITIES      1056
#define IDS_STATUS_LISTING      1057    /* a refresh's listing is under way */
#define IDS_LAST_TEXT           IDS_STATUS_LISTING

#endif
