/* Resource ids of GATEUI.DLL. */
#ifndef GATEUI_RES_H
#define GATEUI_RES_H

#define IDD_PASSWORD        100
#define IDC_PASSWORD_PROMPT 101
#define IDC_PASSWORD        102

#endif
