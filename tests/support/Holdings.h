// What a process holds that a leak makes grow, and the soak that checks that
// a cycle of work gives all of it back.
#ifndef PHONEBK_HOLDINGS_H
#define PHONEBK_HOLDINGS_H

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"

// Handles (counted one by one, and GetProcessHandleCount's answer, 0 under
// Wine; a handle of an object whose name holds one of systemHandleNames is
// counted apart, as the system's own), USER and GDI objects (GuiObjects), the
// busy blocks and bytes of every heap of the process (the C runtime's heap is
// one of them), the private memory committed (what VirtualAlloc and the
// heaps' own growth take), and, when a folder is named, the files and
// folders directly in it.
struct Holdings {
    unsigned long handles = 0;
    DWORD handlesReported = 0;
    unsigned long systemHandles = 0;
    GuiObjects gui;
    size_t heapBlocks = 0;
    size_t heapBytes = 0;
    SIZE_T privateBytes = 0;
    size_t files = 0;
    std::string text() const;
};
Holdings MeasureHoldings(const std::string& folder = "",
                         const std::vector<std::wstring>& systemHandleNames = {});

// How a soak runs: `warmUp` cycles first (the first may make what is made
// once a process: classes, caches, the loaded doubles), then the holdings
// are taken, `cycles` more run, and the holdings must not have grown at all.
// One object kept per cycle shows as `cycles` more. PHONEBK_SOAK_CYCLES
// overrides `cycles` (the long soak of the "soak" label runs many more).
// `gdiPerCycle` is what the system's own controls are known to keep of each
// cycle (the caller says why).
struct Soak {
    int warmUp = 2;
    int cycles = 3;
    std::string folder;        // whose files are counted; "" for none
    DWORD gdiPerCycle = 0;
    std::vector<std::wstring> systemHandleNames;   // handles the system keeps (the caller says why)
    std::string keep;          // the check's own proof: see below
};

// Runs the soak; `cycle` answers false (and reports why) when a cycle itself
// failed, which ends the soak. The result names every holding that grew,
// with the holdings before and after.
//
// The check's own proof: with `keep` set to handle, gdi, user, heap, memory or
// file, one such object (an event, a brush, a window, a heap block, a page of
// VirtualAlloc, a file in the folder) is kept after every measured cycle, and
// the soak must then fail.
// The variable PHONEBK_SOAK_LEAK sets it for every soak of a test program.
::testing::AssertionResult SoakGivesEverythingBack(const Soak& soak, const std::function<bool(int)>& cycle);

#endif
