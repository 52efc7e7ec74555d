// Copies into fixed fields and caller buffers. Every such copy in the library
// goes through here, so that none can run past its destination.
#ifndef PHONEBK_TEXTCOPY_H
#define PHONEBK_TEXTCOPY_H

#include <stddef.h>

// The multibyte-aware bounded copy (the C runtime's _mbsnbcpy): at most count
// bytes up to and including the terminator, never ending on the lead byte of a
// double-byte character, the rest of the count bytes zero-filled.
void CopyBounded(char* dest, const char* source, size_t count);

// Copies source into a buffer of size bytes as a whole string: at most
// size - 1 bytes of whole characters, then zeros. Cutting first and writing
// the terminator over the last byte could leave a lone lead byte before it.
void CopyTerminated(char* dest, const char* source, size_t size);

// A setter's copy into a field of width bytes: the text with its terminator
// when it fits, else its first width - 1 bytes (bounded copy) and a
// terminator. Nothing beyond the field is written. A null text is empty.
void StoreFieldText(char* field, size_t width, const char* text);

// A getter's copy of a field of width bytes into the caller's buffer of size
// bytes: at most size - 1 bytes through the bounded copy (whole characters
// only), then zeros to the end of the buffer; nothing read beyond the field.
// A null buffer or a size of 0 is left alone.
void FetchFieldText(const char* field, size_t width, char* buffer, size_t size);

// Appends text to the string in buffer (size bytes) only when the whole result
// with its terminator fits; answers false and leaves buffer alone otherwise.
bool AppendWhole(char* buffer, size_t size, const char* text);

// Copies text into buffer only when it fits whole with its terminator.
bool CopyWhole(char* buffer, size_t size, const char* text);

// True when the text's last character is a backslash, judged in the current
// multibyte code page (a 0x5C trail byte of a double-byte character is not one).
bool EndsWithBackslash(const char* text);

#endif
