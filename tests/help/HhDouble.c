/*
 * hh.exe for the tests: records how it was started, then exits. Built as
 * hh-double.exe; the tests put it in their Wine prefix's Windows directory as
 * hh.exe, where the library starts the viewer from, and plant copies of it
 * where no viewer must be started from.
 *
 * The record goes to the file named by PHONEBK_HH_RECORD, else to hh-record.txt
 * beside this program, one "name=value" line each:
 *   program       this program's full path (which hh.exe was found)
 *   command       the command line as received
 *   user, domain  the account of this process's token
 *   userName      what GetUserNameA answers
 *   shellPid      the process that owns the "Progman" window, 0 without one
 *   sameAsShell   1 when this process's user is that process's user
 *   flags, show   STARTUPINFO's dwFlags and wShowWindow, in hex and decimal
 *   desktop       STARTUPINFO's lpDesktop, "(null)" when none
 * It is written to a side file first and then renamed, so a reader never sees
 * half a record.
 */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#define TOKEN_INFO_BYTES 512

/* The user SID of the process's token into buffer; NULL when unreadable. */
static PSID ProcessUser(HANDLE process, BYTE* buffer)
{
    HANDLE token;
    DWORD returned = 0;
    BOOL ok;
    if (!OpenProcessToken(process, TOKEN_QUERY, &token))
        return NULL;
    ok = GetTokenInformation(token, TokenUser, buffer, TOKEN_INFO_BYTES, &returned);
    CloseHandle(token);
    return ok ? ((TOKEN_USER*)buffer)->User.Sid : NULL;
}

static void AccountOf(PSID sid, char* user, char* domain, DWORD size)
{
    DWORD userChars = size, domainChars = size;
    SID_NAME_USE use;
    user[0] = domain[0] = '\0';
    if (sid == NULL || !LookupAccountSidA(NULL, sid, user, &userChars, domain, &domainChars, &use))
        user[0] = domain[0] = '\0';
}

int main(void)
{
    char record[MAX_PATH], partial[MAX_PATH + 8], program[MAX_PATH];
    char user[256], domain[256], userName[256];
    DWORD userNameChars = sizeof(userName);
    BYTE ownInfo[TOKEN_INFO_BYTES], shellInfo[TOKEN_INFO_BYTES];
    PSID ownUser, shellUser = NULL;
    DWORD shellPid = 0, got;
    HWND shell;
    STARTUPINFOA startup;
    FILE* out;

    got = GetModuleFileNameA(NULL, program, sizeof(program));
    if (got == 0 || got >= sizeof(program))
        return 2;
    got = GetEnvironmentVariableA("PHONEBK_HH_RECORD", record, sizeof(record));
    if (got == 0 || got >= sizeof(record)) {
        char* slash = strrchr(program, '\\');
        size_t directory = slash != NULL ? (size_t)(slash - program + 1) : 0;
        if (directory + sizeof("hh-record.txt") > sizeof(record))
            return 2;
        memcpy(record, program, directory);
        memcpy(record + directory, "hh-record.txt", sizeof("hh-record.txt"));
    }
    if (snprintf(partial, sizeof(partial), "%s.part", record) >= (int)sizeof(partial))
        return 2;

    ownUser = ProcessUser(GetCurrentProcess(), ownInfo);
    shell = FindWindowA("Progman", "Program Manager");
    if (shell != NULL) {
        HANDLE owner;
        GetWindowThreadProcessId(shell, &shellPid);
        owner = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellPid);
        if (owner != NULL) {
            shellUser = ProcessUser(owner, shellInfo);
            CloseHandle(owner);
        }
    }
    AccountOf(ownUser, user, domain, sizeof(user));
    if (!GetUserNameA(userName, &userNameChars))
        userName[0] = '\0';
    GetStartupInfoA(&startup);

    out = fopen(partial, "w");
    if (out == NULL)
        return 3;
    fprintf(out, "program=%s\n", program);
    fprintf(out, "command=%s\n", GetCommandLineA());
    fprintf(out, "user=%s\n", user);
    fprintf(out, "domain=%s\n", domain);
    fprintf(out, "userName=%s\n", userName);
    fprintf(out, "shellPid=%lu\n", shellPid);
    fprintf(out, "sameAsShell=%d\n", ownUser != NULL && shellUser != NULL && EqualSid(ownUser, shellUser));
    fprintf(out, "flags=%lx\n", startup.dwFlags);
    fprintf(out, "show=%u\n", startup.wShowWindow);
    fprintf(out, "desktop=%s\n", startup.lpDesktop != NULL ? startup.lpDesktop : "(null)");
    fclose(out);
    return MoveFileExA(partial, record, MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
