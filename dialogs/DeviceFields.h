// The connection fields the wizard and the Properties sheet share: the
// "Connect using" device list, the fields each device type shows, and the
// step that stores a page's fields into the open phone book's entry.
//
// Every page function takes the page's dialog window and works on
// CurrentPhoneBook.
#ifndef PHONEBK_DEVICEFIELDS_H
#define PHONEBK_DEVICEFIELDS_H

#include <windows.h>

// One device of the Connect using combo box, attached as the item's data and
// owned by the combo box until FreeDeviceItems.
struct DeviceItem {
    char name[256];
    DWORD id;
    char adapter[260];
};

// Lists the device library's devices in its order and selects the open
// entry's device, or value when it is listed.
void FillDeviceList(HWND combo, const char* value);

// The device library's enumeration callback; context is the combo box.
int CALLBACK AddDeviceItem(const char* name, unsigned short type, DWORD id, const char* adapter, DWORD context);

// Frees every item's DeviceItem.
void FreeDeviceItems(HWND combo);

// The chosen device's name, type and adapter, and the Use Dial-Up Networking
// tick, into the entry; with the tick clear, the entry names no Dial-Up
// Networking connection either.
void StoreDeviceSelection(HWND page);

// Enables Use Dial-Up Networking for network devices (types 3 to 5) only.
void UpdateDialUpCheck(HWND page);

// Shows the phone number, network and ILS fields of the General page as the
// entry's device type wants them.
void ShowFieldsForDeviceType(HWND page);

// The Configure button: the selected device's own settings dialog.
void ConfigureDevice(HWND page);

// Copies the page's connection fields into the entry and updates the
// histories. Always 1.
int StoreConnectFields(HWND page);

#endif
