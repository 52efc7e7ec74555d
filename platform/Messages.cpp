#include "Messages.h"

#include "PxMsgBox.h"
#include "RasApiTable.h"

namespace {

const int kCaptionSize = 128;
const int kTextSize = 1024;

// Problems of the string table itself; the caption is not from the table.
void ShowInternalError(const char* text)
{
    PxMessageBox(GetFocus(), text, "LoadString()", kMessageStyle);
}

}  // namespace

int LoadResourceString(HINSTANCE module, UINT id, char* buffer, int size)
{
    if (size <= 0 || IsBadWritePtr(buffer, static_cast<UINT_PTR>(size))) {
        ShowInternalError("Internal Error: Invalid buffer pointer in call to LoadString().");
        return 0;
    }
    buffer[0] = '\0';
    int copied = LoadStringA(module, id, buffer, size);
    if (copied <= 0) {
        ShowInternalError("Internal Error: Invalid string ID in call to LoadString().");
        return 0;
    }
    // A text that fills the buffer may have been cut.
    if (copied >= size - 1) {
        ShowInternalError("Internal Error: Buffer size to small in call to LoadString().");
        return 0;
    }
    return 1;
}

void ShowResourceMessage(HWND owner, UINT captionId, UINT textId, UINT style)
{
    char caption[kCaptionSize];
    char text[kTextSize];
    if (!LoadResourceString(ModuleInstance, captionId, caption, sizeof(caption)) ||
        !LoadResourceString(ModuleInstance, textId, text, sizeof(text)))
        return;
    PxMessageBox(owner, text, caption, style);
}
