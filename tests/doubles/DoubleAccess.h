// The tests' side of the doubles: the state of the double that is loaded in
// this process, or null when the module there is not our double (the
// system's DLL, or none).
#ifndef PHONEBK_DOUBLEACCESS_H
#define PHONEBK_DOUBLEACCESS_H

#include <windows.h>

#include "DoubleControl.h"
#include "DoubleCounters.h"

template <typename Fn>
inline Fn DoubleExport(const char* module, const char* name)
{
    HMODULE loaded = GetModuleHandleA(module);
    if (loaded == NULL)
        return NULL;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(loaded, name)));
}

inline RasDoubleState* RasDouble()
{
    RasDoubleControlFn control = DoubleExport<RasDoubleControlFn>("RASAPI32.DLL", "RasDoubleControl");
    return control != NULL ? control() : NULL;
}

inline void RasDoubleEmpty()
{
    RasDoubleResetFn reset = DoubleExport<RasDoubleResetFn>("RASAPI32.DLL", "RasDoubleReset");
    if (reset != NULL)
        reset();
}

inline bool RasDoubleAdd(const char* name)
{
    RasDoubleAddEntryFn add = DoubleExport<RasDoubleAddEntryFn>("RASAPI32.DLL", "RasDoubleAddEntry");
    return add != NULL && add(name) != FALSE;
}

inline GateDoubleState* GateDouble()
{
    GateDoubleControlFn control = DoubleExport<GateDoubleControlFn>("GATEUI.DLL", "GateDoubleControl");
    return control != NULL ? control() : NULL;
}

// The old common controls' double, where this program loads it.
inline ComctlDoubleState* ComctlDouble()
{
    ComctlDoubleControlFn control = DoubleExport<ComctlDoubleControlFn>("COMCTL32.DLL", "ComctlDoubleControl");
    return control != NULL ? control() : NULL;
}

#endif
