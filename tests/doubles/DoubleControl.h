/*
 * The test doubles of RASAPI32.DLL and GATEUI.DLL, as the tests drive them.
 *
 * PhoneBk.dll binds a double at load, exactly as it binds the system's DLL;
 * the test reaches the same module with GetModuleHandleA and configures it
 * through the exported *Control function, which hands out the double's state.
 * Each double also counts its process attaches and detaches in environment
 * variables of the process, which outlive the module: a test can tell that a
 * DLL was loaded and freed again.
 */
#ifndef PHONEBK_DOUBLECONTROL_H
#define PHONEBK_DOUBLECONTROL_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RAS_DOUBLE_NAME_SIZE 257          /* RAS_MaxEntryName + 1 */
#define RAS_DOUBLE_CAPACITY 64
#define RAS_DOUBLE_LOGGED_CALLS 8
#define RAS_DOUBLE_CREATE_ADDS 4
#define RAS_DOUBLE_KEEP_BYTES 0xFFFFFFFFu /* a scripted failure leaves *lpcb alone */

#define RAS_DOUBLE_ATTACHES "RASAPI32_DOUBLE_ATTACHES"
#define RAS_DOUBLE_DETACHES "RASAPI32_DOUBLE_DETACHES"
#define GATE_DOUBLE_ATTACHES "GATEUI_DOUBLE_ATTACHES"
#define GATE_DOUBLE_DETACHES "GATEUI_DOUBLE_DETACHES"

typedef struct RasDoubleState
{
    /* The default phone book, kept sorted without regard to case as RAS
       lists it. Change it through RasDoubleAddEntry and RasDoubleReset. */
    DWORD entryCount;
    char entries[RAS_DOUBLE_CAPACITY][RAS_DOUBLE_NAME_SIZE];

    /* RasEnumEntriesA. Each call is logged: the byte count and the first
       record's size word it was given. A record size other than 532 is
       refused (ERROR_INVALID_SIZE), a short buffer answered with
       ERROR_BUFFER_TOO_SMALL and the bytes needed, as RAS does. */
    DWORD enumCalls;
    DWORD enumBytesIn[RAS_DOUBLE_LOGGED_CALLS];
    DWORD enumSizeWord[RAS_DOUBLE_LOGGED_CALLS];
    /* Scripted failures: the next enumFailCalls calls answer enumFailCode and
       report enumFailBytes as the size (RAS_DOUBLE_KEEP_BYTES: unchanged). */
    DWORD enumFailCalls;
    DWORD enumFailCode;
    DWORD enumFailBytes;

    /* RasCreatePhonebookEntryA adds createAdds[0 .. createAddCount) to the
       phone book and answers createResult. createImpersonating: whether the
       calling thread wore an identity of its own (a thread token) at the
       last call. */
    DWORD createCalls;
    HWND createOwner;
    DWORD createResult;
    BOOL createImpersonating;
    DWORD createAddCount;
    char createAdds[RAS_DOUBLE_CREATE_ADDS][RAS_DOUBLE_NAME_SIZE];

    /* RasEditPhonebookEntryA records its calls and answers editResult. */
    DWORD editCalls;
    HWND editOwner;
    char editEntry[RAS_DOUBLE_NAME_SIZE];
    DWORD editResult;

    /* Set when any call named a phone book file or passed a reserved pointer:
       the library always speaks of the default phone book. */
    BOOL sawPhonebookPath;
} RasDoubleState;

typedef RasDoubleState* (WINAPI* RasDoubleControlFn)(void);
typedef void (WINAPI* RasDoubleResetFn)(void);
typedef BOOL (WINAPI* RasDoubleAddEntryFn)(const char* name);

typedef struct GateDoubleState
{
    DWORD calls;
    HWND lastOwner;
    DWORD lastRight;
    DWORD answer;   /* what QuerySecurityLogin returns: 0 grants */
} GateDoubleState;

typedef GateDoubleState* (WINAPI* GateDoubleControlFn)(void);

/* COMCTL32.DLL of the old common controls (OldComctlDouble.c): the first
   calls of PropertySheetA as they came, the pages walked by their own sizes. */
#define COMCTL_DOUBLE_LOGGED_CALLS 4
#define COMCTL_DOUBLE_LOGGED_PAGES 8

typedef struct ComctlDoubleCall
{
    DWORD headerSize;
    DWORD flags;
    DWORD pageCount;
    DWORD pageSize[COMCTL_DOUBLE_LOGGED_PAGES];
    DWORD pageTemplate[COMCTL_DOUBLE_LOGGED_PAGES];
} ComctlDoubleCall;

typedef struct ComctlDoubleState
{
    DWORD calls;
    ComctlDoubleCall log[COMCTL_DOUBLE_LOGGED_CALLS];
    /* A sheet that refuses every size, as where the sheet cannot be made. */
    BOOL refuseAll;
    /* A newer sheet instead, which takes every size but answers -1 after it
       has been shown and closed. */
    BOOL failAfterSheet;
} ComctlDoubleState;

typedef ComctlDoubleState* (WINAPI* ComctlDoubleControlFn)(void);

#ifdef __cplusplus
}
#endif

#endif
