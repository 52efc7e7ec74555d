/* Resource ids of Linkdevs.dll. */
#ifndef LINKDEVS_RES_H
#define LINKDEVS_RES_H

#define IDD_DEVICE_PROPERTIES   100
#define IDC_DEVICE_NAME         101
#define IDC_DEVICE_TYPE         102
#define IDC_DEVICE_ID           103
#define IDC_DEVICE_ADAPTER      104

#define IDS_NO_ADAPTER          200
#define IDS_INSTALL_CAPTION     201
#define IDS_INSTALL_TEXT        202

#endif
