/*
 * GATEUI.DLL for the tests: QuerySecurityLogin counts its calls, records the
 * owner and the right, and answers what the test set. See DoubleControl.h.
 *
 * gateui.def exports it; gateui-without-export.def does not, for the library
 * that loads but lacks the function.
 */
#include <windows.h>

#include "DoubleControl.h"
#include "DoubleCounters.h"

static GateDoubleState state;

GateDoubleState* WINAPI GateDoubleControl(void)
{
    return &state;
}

DWORD WINAPI QuerySecurityLogin(HWND owner, DWORD right)
{
    ++state.calls;
    state.lastOwner = owner;
    state.lastRight = right;
    return state.answer;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        IncrementCounter(GATE_DOUBLE_ATTACHES);
    else if (reason == DLL_PROCESS_DETACH)
        IncrementCounter(GATE_DOUBLE_DETACHES);
    return TRUE;
}
