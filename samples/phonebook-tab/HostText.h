// The host's own texts: loaded from its resources in the user's language and
// filled in through the system's message formatting, as the library fills the
// texts of its delete confirmations.
#ifndef PHONEBOOK_TAB_HOSTTEXT_H
#define PHONEBOOK_TAB_HOSTTEXT_H

#include <windows.h>
#include <string>
#include <vector>

// String `id` of the program's resources; empty when there is none.
std::string LoadText(UINT id);

// `pattern` with its inserts (%1, %2!d!, ...) filled from `inserts`: text
// pointers for !s! and numbers for !d! and !u!. Empty when the pattern does not
// format (a malformed translation), so a caller never shows half a message.
std::string FormatText(const std::string& pattern, const std::vector<DWORD_PTR>& inserts);
std::string FormatText(UINT id, const std::vector<DWORD_PTR>& inserts);

// Inserts for FormatText.
inline DWORD_PTR TextInsert(const std::string& text) { return reinterpret_cast<DWORD_PTR>(text.c_str()); }
inline DWORD_PTR NumberInsert(unsigned long number) { return static_cast<DWORD_PTR>(number); }

// The file name part of a path, after its last backslash; a trail byte that
// looks like a backslash in a double-byte code page does not count.
std::string FileNamePart(const std::string& path);
// The path up to and including its last backslash.
std::string DirectoryPart(const std::string& path);
// Whether `text` ends with `suffix`, without regard to case.
bool EndsWithNoCase(const std::string& text, const std::string& suffix);
// Whether `text` holds one of `characters`, read character by character.
bool HoldsAnyOf(const std::string& text, const char* characters);
// `text` without blanks at either end.
std::string TrimBlanks(const std::string& text);
// `text` in capitals as the user's locale writes them, for finding text
// without regard to case.
std::string FoldCase(const std::string& text);
// Whether `text` holds `part` beginning on a whole character: in a
// double-byte code page a trail byte and the next lead byte are no match.
bool HoldsText(const std::string& text, const std::string& part);
// The order of two texts in the user's locale, without regard to case:
// negative, zero or positive.
int CompareNoCase(const std::string& a, const std::string& b);
// The sort key of `text` in the user's locale, without regard to case: two
// keys compare as bytes as the texts compare with CompareNoCase, at a
// fraction of its cost.
std::string SortKey(const std::string& text);
// Copies `text` into a buffer of `size` bytes, ending on a whole character
// when it must be cut.
void CopyText(char* buffer, int size, const std::string& text);

#endif
