// The product's communications-devices library, Linkdevs.dll, and ordinal 9
// of its registry library, regstore.dll: the one declaration of every call the
// library makes into them. Both DLLs include this header too, so a definition
// that drifts from what the library calls fails to compile instead of
// corrupting the stack at run time.
//
// Everything is __stdcall. Linkdevs.dll exports its functions by their plain
// names; regstore.dll exports ordinal 9 only, without a name. The MinGW import
// libraries of both map the declarations below onto those exports.
#ifndef PHONEBK_DEVICELIBRARY_H
#define PHONEBK_DEVICELIBRARY_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Called once per device by EnumDeviceNames: the device's name, its DeviceType,
// its id and its adapter's name (either text may be longer than 255 bytes),
// and the context given to EnumDeviceNames. Answers 1 when it took the device
// and 0 when it could not; the enumeration goes on either way.
typedef int(CALLBACK* DeviceEnumProc)(LPCSTR name, WORD type, DWORD id, LPCSTR adapter,
                                      DWORD context);

// Calls proc for every device, in the library's own order, before returning.
void WINAPI EnumDeviceNames(DeviceEnumProc proc, DWORD context);

// The DeviceType of the device with this id; 0 when no device has it.
WORD WINAPI GetDeviceTypeFromID(DWORD id);

// Shows the device's settings dialog, owned by owner, and returns when it
// closes.
void WINAPI QueryDeviceProperties(HWND owner, LPCSTR name, WORD type, DWORD id);

// Nonzero when a telephony device can be installed through InstallTapiDevice.
int WINAPI IsCdTapiInstalled(void);

// Offers to install a telephony device; the caller reads the device list
// again afterwards.
void WINAPI InstallTapiDevice(HWND owner);

// The shared ILS server list as a multi-string (NUL-terminated strings ended
// by an empty one). With a null buffer, stores in *size the bytes the list
// needs and answers nonzero. With a buffer of *size bytes, copies the list and
// answers nonzero when it fits; otherwise answers 0 and stores the size needed.
BOOL WINAPI ILSGetList(LPSTR buffer, DWORD* size);

// Replaces the stored list with this multi-string.
void WINAPI ILSPutList(LPCSTR list);

// Appends one server name to the stored list.
void WINAPI ILSAddEntry(LPCSTR name);

// regstore.dll ordinal 9: nonzero when the Dial-Up Networking dialogs should
// run with telephony started and as the interactive user.
int WINAPI RegStoreDialUpAsUser(void);

#ifdef __cplusplus
}
#endif

#endif
