#include "Holdings.h"

#include <stdlib.h>
#include <string.h>
#include <winternl.h>

#include <vector>

namespace {

// The kernel object's name ("" for none): a registry key's is its full path,
// \REGISTRY\User\<user>\Software\...
std::wstring ObjectName(HANDLE handle)
{
    union {
        OBJECT_NAME_INFORMATION info;
        BYTE bytes[2048];
    } name;
    ULONG length = 0;
    if (!NT_SUCCESS(NtQueryObject(handle, ObjectNameInformation, &name, sizeof(name) - sizeof(WCHAR), &length)) ||
        name.info.Name.Buffer == NULL)
        return L"";
    return std::wstring(name.info.Name.Buffer, name.info.Name.Length / sizeof(WCHAR));
}

// The handles this process holds, one by one as CountOwnHandles counts them;
// those whose object's name holds one of the system's own names are counted
// apart.
void CountHandles(const std::vector<std::wstring>& systemNames, Holdings* holdings)
{
    const ULONG_PTR kHighestProbed = 0x4000;
    for (ULONG_PTR value = 4; value <= kHighestProbed; value += 4) {
        HANDLE handle = reinterpret_cast<HANDLE>(value);
        DWORD flags = 0;
        if (!GetHandleInformation(handle, &flags))
            continue;
        bool system = false;
        if (!systemNames.empty()) {
            std::wstring name = ObjectName(handle);
            for (const std::wstring& part : systemNames)
                system = system || name.find(part) != std::wstring::npos;
        }
        ++(system ? holdings->systemHandles : holdings->handles);
    }
}

void CountHeapBlocks(Holdings* holdings)
{
    std::vector<HANDLE> heaps(64);
    DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count > heaps.size()) {
        heaps.resize(count);
        count = GetProcessHeaps(count, heaps.data());
    }
    for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
        if (!HeapLock(heaps[i]))
            continue;
        PROCESS_HEAP_ENTRY entry;
        entry.lpData = NULL;
        while (HeapWalk(heaps[i], &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) {
                ++holdings->heapBlocks;
                holdings->heapBytes += entry.cbData;
            }
        }
        HeapUnlock(heaps[i]);
    }
}

// The private memory committed in this process's address space, region by
// region: Wine's GetProcessMemoryInfo answers 0 for the private bytes.
SIZE_T CommittedPrivateBytes()
{
    SIZE_T committed = 0;
    MEMORY_BASIC_INFORMATION region;
    const BYTE* address = NULL;
    while (VirtualQuery(address, &region, sizeof(region)) == sizeof(region)) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            committed += region.RegionSize;
        const BYTE* next = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
    }
    return committed;
}

// The object PHONEBK_SOAK_LEAK names, kept for good: the check's own proof.
void KeepOneObject(const std::string& kind, const std::string& folder, int cycle)
{
    if (kind == "handle") {
        CreateEventA(NULL, TRUE, FALSE, NULL);
    } else if (kind == "gdi") {
        CreateSolidBrush(RGB(cycle & 0xFF, 0, 0));
    } else if (kind == "user") {
        CreateWindowA("Static", "kept", WS_POPUP, 0, 0, 1, 1, NULL, NULL, GetModuleHandleA(NULL), NULL);
    } else if (kind == "heap") {
        HeapAlloc(GetProcessHeap(), 0, 16);
    } else if (kind == "memory") {
        VirtualAlloc(NULL, 4096, MEM_COMMIT, PAGE_READWRITE);
    } else if (kind == "file" && !folder.empty()) {
        std::string name = folder + "\\kept-" + std::to_string(cycle);
        WriteFileBytes(name, "x", 1);
    }
}

std::string Variable(const char* name)
{
    char value[64];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof(value));
    return length > 0 && length < sizeof(value) ? std::string(value, length) : std::string();
}

}  // namespace

Holdings MeasureHoldings(const std::string& folder, const std::vector<std::wstring>& systemHandleNames)
{
    Holdings holdings;
    CountHandles(systemHandleNames, &holdings);
    GetProcessHandleCount(GetCurrentProcess(), &holdings.handlesReported);
    holdings.gui = CountGuiObjects();
    CountHeapBlocks(&holdings);
    holdings.privateBytes = CommittedPrivateBytes();
    if (!folder.empty())
        holdings.files = FilesIn(folder).size();
    return holdings;
}

std::string Holdings::text() const
{
    return std::to_string(handles) + " handles (" + std::to_string(handlesReported) + " reported, " +
           std::to_string(systemHandles) + " the system's own); " + gui.text() +
           "; " + std::to_string(heapBlocks) + " heap blocks of " + std::to_string(heapBytes) + " bytes; " +
           std::to_string(privateBytes) + " private bytes; " + std::to_string(files) + " files";
}

::testing::AssertionResult SoakGivesEverythingBack(const Soak& soak, const std::function<bool(int)>& cycle)
{
    int cycles = soak.cycles;
    std::string wanted = Variable("PHONEBK_SOAK_CYCLES");
    if (!wanted.empty() && atoi(wanted.c_str()) > 0)
        cycles = atoi(wanted.c_str());
    const std::string leak = soak.keep.empty() ? Variable("PHONEBK_SOAK_LEAK") : soak.keep;

    for (int round = 0; round < soak.warmUp; ++round) {
        if (!cycle(round))
            return ::testing::AssertionFailure() << "warm-up cycle " << round << " failed";
    }
    const Holdings before = MeasureHoldings(soak.folder, soak.systemHandleNames);
    for (int round = 0; round < cycles; ++round) {
        if (!cycle(soak.warmUp + round))
            return ::testing::AssertionFailure() << "cycle " << soak.warmUp + round << " failed";
        if (!leak.empty())
            KeepOneObject(leak, soak.folder, round);
    }
    const Holdings after = MeasureHoldings(soak.folder, soak.systemHandleNames);

    std::string grown;
    auto compare = [&](const char* what, unsigned long long was, unsigned long long now,
                       unsigned long long allowed) {
        if (now > was + allowed)
            grown += std::string(grown.empty() ? "" : ", ") + what + " +" + std::to_string(now - was) +
                     (allowed != 0 ? " (" + std::to_string(allowed) + " allowed)" : "");
    };
    compare("handles", before.handles, after.handles, 0);
    compare("handles reported", before.handlesReported, after.handlesReported, 0);
    compare("USER objects reported", before.gui.userReported, after.gui.userReported, 0);
    compare("GDI objects reported", before.gui.gdiReported, after.gui.gdiReported,
            static_cast<unsigned long long>(soak.gdiPerCycle) * cycles);
    compare("windows", before.gui.windows, after.gui.windows, 0);
    compare("GDI objects", before.gui.gdiCounted, after.gui.gdiCounted,
            static_cast<unsigned long long>(soak.gdiPerCycle) * cycles);
    compare("heap blocks", before.heapBlocks, after.heapBlocks, 0);
    compare("private bytes", before.privateBytes, after.privateBytes, 0);
    compare("files", before.files, after.files, 0);
    if (grown.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "after " << cycles << " cycles (" << soak.warmUp
                                         << " before them to warm up) these grew: " << grown
                                         << "\n  before: " << before.text() << "\n  after:  " << after.text();
}
