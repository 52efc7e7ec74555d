/*
 * RASAPI32.DLL for the tests: a default phone book in memory that the test
 * fills, empties, grows or makes fail, behind the three functions PhoneBk.dll
 * binds, with the system's signatures. See DoubleControl.h.
 *
 * rasapi32.def exports all three; rasapi32-without-edit.def leaves out
 * RasEditPhonebookEntryA, for the binding that must refuse a partial DLL.
 */
#include <windows.h>
#include <ras.h>
#include <raserror.h>

#include "DoubleControl.h"
#include "DoubleCounters.h"

static RasDoubleState state;

RasDoubleState* WINAPI RasDoubleControl(void)
{
    return &state;
}

void WINAPI RasDoubleReset(void)
{
    ZeroMemory(&state, sizeof(state));
}

/* Inserts the name where RAS would list it; FALSE when the book is full. */
BOOL WINAPI RasDoubleAddEntry(const char* name)
{
    if (name == NULL || state.entryCount >= RAS_DOUBLE_CAPACITY)
        return FALSE;
    DWORD at = 0;
    while (at < state.entryCount && lstrcmpiA(state.entries[at], name) <= 0)
        ++at;
    for (DWORD i = state.entryCount; i > at; --i)
        CopyMemory(state.entries[i], state.entries[i - 1], RAS_DOUBLE_NAME_SIZE);
    lstrcpynA(state.entries[at], name, RAS_DOUBLE_NAME_SIZE);
    ++state.entryCount;
    return TRUE;
}

static void NoteBookArguments(const void* reserved, LPCSTR phonebook)
{
    if (reserved != NULL || phonebook != NULL)
        state.sawPhonebookPath = TRUE;
}

DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR phonebook, LPRASENTRYNAMEA names,
                             LPDWORD bytes, LPDWORD entries)
{
    DWORD call = state.enumCalls++;
    NoteBookArguments(reserved, phonebook);
    if (call < RAS_DOUBLE_LOGGED_CALLS) {
        state.enumBytesIn[call] = bytes != NULL ? *bytes : 0;
        state.enumSizeWord[call] = names != NULL ? names->dwSize : 0;
    }
    if (bytes == NULL || entries == NULL)
        return ERROR_INVALID_PARAMETER;

    if (state.enumFailCalls > 0) {
        --state.enumFailCalls;
        if (state.enumFailBytes != RAS_DOUBLE_KEEP_BYTES)
            *bytes = state.enumFailBytes;
        return state.enumFailCode;
    }

    if (names == NULL || names->dwSize != sizeof(RASENTRYNAMEA))
        return ERROR_INVALID_SIZE;
    DWORD needed = state.entryCount * (DWORD)sizeof(RASENTRYNAMEA);
    if (*bytes < needed) {
        *bytes = needed;
        *entries = state.entryCount;
        return ERROR_BUFFER_TOO_SMALL;
    }
    for (DWORD i = 0; i < state.entryCount; ++i) {
        ZeroMemory(&names[i], sizeof(names[i]));
        names[i].dwSize = sizeof(RASENTRYNAMEA);
        lstrcpynA(names[i].szEntryName, state.entries[i], sizeof(names[i].szEntryName));
    }
    *bytes = needed;
    *entries = state.entryCount;
    return 0;
}

DWORD WINAPI RasCreatePhonebookEntryA(HWND owner, LPCSTR phonebook)
{
    HANDLE token = NULL;
    ++state.createCalls;
    state.createOwner = owner;
    state.createImpersonating = OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
    if (token != NULL)
        CloseHandle(token);
    NoteBookArguments(NULL, phonebook);
    for (DWORD i = 0; i < state.createAddCount && i < RAS_DOUBLE_CREATE_ADDS; ++i)
        RasDoubleAddEntry(state.createAdds[i]);
    return state.createResult;
}

DWORD WINAPI RasEditPhonebookEntryA(HWND owner, LPCSTR phonebook, LPCSTR entry)
{
    ++state.editCalls;
    state.editOwner = owner;
    NoteBookArguments(NULL, phonebook);
    lstrcpynA(state.editEntry, entry != NULL ? entry : "", sizeof(state.editEntry));
    return state.editResult;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        IncrementCounter(RAS_DOUBLE_ATTACHES);
    else if (reason == DLL_PROCESS_DETACH)
        IncrementCounter(RAS_DOUBLE_DETACHES);
    return TRUE;
}
