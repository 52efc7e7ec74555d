#include "Telephony.h"

#include <string.h>

#include "Handles.h"
#include "RasApiTable.h"
#include "Settings.h"
#include "SystemApiTable.h"
#include "TextCopy.h"

HLINEAPP LineApp = 0;

namespace {

// Entries are read in their TAPI 1.4 layout.
static_assert(sizeof(LINELOCATIONENTRY) == 17 * sizeof(DWORD), "location entry");
static_assert(sizeof(LINECOUNTRYENTRY) == 11 * sizeof(DWORD), "country entry");

const DWORD kFirstBlockSize = 512;
const size_t kCountryTextSize = 260;
// "%s (%lu)" with a name of kCountryTextSize - 1 bytes and the longest number.
const size_t kCountryFormatSize = kCountryTextSize + sizeof(" (4294967295)");

void CALLBACK IgnoreLineEvent(DWORD, DWORD, DWORD_PTR, DWORD_PTR, DWORD_PTR, DWORD_PTR)
{
}

// A TAPI variable-size structure: called once with 512 bytes, and once more
// with the size TAPI asks for when that is larger. Empty on failure.
template <typename Query>
LocalMem QueryVariable(Query query)
{
    LocalMem block(LocalAlloc(LPTR, kFirstBlockSize));
    if (!block)
        return LocalMem();
    DWORD* header = static_cast<DWORD*>(block.get());
    header[0] = kFirstBlockSize;   // dwTotalSize
    LONG result = query(block.get());
    DWORD needed = header[1];      // dwNeededSize
    if (result == 0 && needed > kFirstBlockSize) {
        block.reset(LocalAlloc(LPTR, needed));
        if (!block)
            return LocalMem();
        header = static_cast<DWORD*>(block.get());
        header[0] = needed;
        result = query(block.get());
    }
    if (result != 0)
        return LocalMem();
    return block;
}

// A string that TAPI placed at offset/size inside a block of total bytes,
// copied into out (outSize bytes, cut to fit); empty when it lies outside.
void CopyTapiString(const void* block, DWORD total, DWORD offset, DWORD size, char* out, size_t outSize)
{
    out[0] = '\0';
    if (size == 0 || offset >= total || size > total - offset)
        return;
    const char* text = static_cast<const char*>(block) + offset;
    // The text may run to the end of its space without a terminator: copy
    // only what lies inside it.
    size_t length = strnlen(text, size);
    if (length >= outSize)
        length = outSize - 1;
    CopyBounded(out, text, length);
    out[length] = '\0';
}

}  // namespace

LONG StartTelephony()
{
    LineApp = 0;
    // A system without telephony (Windows NT 3.51 has no TAPI32.DLL) answers
    // as one where it is switched off.
    const SystemApiBindings& tapi = TelephonyApi();
    if (!IsTapiAllowed() || !tapi.HasTelephony())
        return kTelephonyNotAllowed;
    DWORD devices = 0;
    return tapi.pfnLineInitialize(&LineApp, ModuleInstance, IgnoreLineEvent, NULL, &devices);
}

LONG StopTelephony()
{
    const SystemApiBindings& tapi = TelephonyApi();
    if (LineApp == 0 || !tapi.HasTelephony())
        return 0;
    LONG result = tapi.pfnLineShutdown(LineApp);
    LineApp = 0;
    return result;
}

int GetCurrentLocation(DWORD* countryId, char* areaCode, size_t areaSize)
{
    const SystemApiBindings& tapi = TelephonyApi();
    if (!tapi.HasTelephony())
        return 0;
    LocalMem block = QueryVariable([&tapi](void* caps) {
        return tapi.pfnLineGetTranslateCaps(LineApp, kTapiVersion, static_cast<LINETRANSLATECAPS*>(caps));
    });
    if (!block)
        return 0;
    const LINETRANSLATECAPS* caps = static_cast<const LINETRANSLATECAPS*>(block.get());
    DWORD total = caps->dwUsedSize < caps->dwTotalSize ? caps->dwUsedSize : caps->dwTotalSize;
    const DWORD entrySize = sizeof(LINELOCATIONENTRY);
    for (DWORD i = 0; i < caps->dwNumLocations; ++i) {
        DWORD offset = caps->dwLocationListOffset + i * entrySize;
        if (offset >= total || entrySize > total - offset)
            break;
        const LINELOCATIONENTRY* entry =
            reinterpret_cast<const LINELOCATIONENTRY*>(static_cast<const char*>(block.get()) + offset);
        if (entry->dwPermanentLocationID != caps->dwCurrentLocationID)
            continue;
        if (countryId != NULL)
            *countryId = entry->dwCountryID;
        if (areaCode != NULL && areaSize > 0)
            CopyTapiString(block.get(), total, entry->dwCityCodeOffset, entry->dwCityCodeSize, areaCode, areaSize);
        return 1;
    }
    return 0;
}

void FillCountryList(HWND combo, const char* value)
{
    // Country 0 asks for every country; asking for one gives corrupt names on
    // some systems.
    // Without telephony the list stays empty.
    const SystemApiBindings& tapi = TelephonyApi();
    LocalMem block;
    if (tapi.HasTelephony())
        block = QueryVariable([&tapi](void* list) {
            return tapi.pfnLineGetCountry(0, kTapiVersion, static_cast<LINECOUNTRYLIST*>(list));
        });
    DWORD currentCountry = 0;
    bool located = GetCurrentLocation(&currentCountry, NULL, 0) != 0;
    if (block) {
        const LINECOUNTRYLIST* list = static_cast<const LINECOUNTRYLIST*>(block.get());
        DWORD total = list->dwUsedSize < list->dwTotalSize ? list->dwUsedSize : list->dwTotalSize;
        const DWORD entrySize = sizeof(LINECOUNTRYENTRY);
        for (DWORD i = 0; i < list->dwNumCountries; ++i) {
            DWORD offset = list->dwCountryListOffset + i * entrySize;
            if (offset >= total || entrySize > total - offset)
                break;
            const LINECOUNTRYENTRY* entry =
                reinterpret_cast<const LINECOUNTRYENTRY*>(static_cast<const char*>(block.get()) + offset);
            char name[kCountryTextSize];
            CopyTapiString(block.get(), total, entry->dwCountryNameOffset, entry->dwCountryNameSize, name,
                           sizeof(name));
            // Composed whole, then cut to 259 bytes on a character boundary.
            // (wsprintfA rather than the C library's formatting, which would
            // bring locale code that imports Unicode-only functions.)
            char whole[kCountryFormatSize];
            static_assert(kCountryFormatSize <= 1024, "wsprintfA writes at most 1024 characters");
            wsprintfA(whole, "%s (%lu)", name, static_cast<unsigned long>(entry->dwCountryCode));
            char text[kCountryTextSize];
            CopyTerminated(text, whole, sizeof(text));
            LRESULT index = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
            if (located && index >= 0 && entry->dwCountryID == currentCountry)
                SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        }
    }
    if (value != NULL) {
        LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(value));
        if (index != CB_ERR)
            SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}
