/* Counting a double's attaches and detaches in the process environment. */
#ifndef PHONEBK_DOUBLECOUNTERS_H
#define PHONEBK_DOUBLECOUNTERS_H

#include <windows.h>

static inline DWORD ReadCounter(const char* variable)
{
    char text[16];
    DWORD length = GetEnvironmentVariableA(variable, text, sizeof(text));
    DWORD value = 0;
    if (length == 0 || length >= sizeof(text))
        return 0;
    for (DWORD i = 0; i < length && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (DWORD)(text[i] - '0');
    return value;
}

static inline void IncrementCounter(const char* variable)
{
    char digits[16];
    char text[16];
    DWORD value = ReadCounter(variable) + 1;
    int count = 0;
    do {
        digits[count++] = (char)('0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (int i = 0; i < count; ++i)
        text[i] = digits[count - 1 - i];
    text[count] = '\0';
    SetEnvironmentVariableA(variable, text);
}

#endif
