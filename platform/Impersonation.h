// Impersonations that end with the scope that began them, and give the
// calling thread back the identity it had.
#ifndef PHONEBK_IMPERSONATION_H
#define PHONEBK_IMPERSONATION_H

#include <windows.h>

#include "Handles.h"
#include "SystemApiTable.h"

// The identity the calling thread had when the object was made: its own, or
// the client it was impersonating. Restore() puts that identity back, so that
// the library's impersonations end without ending the caller's. When the
// thread's token cannot be opened it falls back to RevertToSelf. On a system
// without tokens (Windows 95/98) no thread has another identity: there is
// nothing to keep or to put back.
class CallerIdentity
{
public:
    CallerIdentity() : known_(true)
    {
        const SystemApiBindings& api = SystemApi();
        if (api.HasTokens() && !api.pfnOpenThreadToken(GetCurrentThread(), TOKEN_IMPERSONATE, TRUE, saved_.receive()))
            known_ = GetLastError() == ERROR_NO_TOKEN;
    }
    CallerIdentity(const CallerIdentity&) = delete;
    CallerIdentity& operator=(const CallerIdentity&) = delete;

    void Restore() const
    {
        const SystemApiBindings& api = SystemApi();
        if (!api.HasTokens())
            return;
        if (!known_ || !api.pfnSetThreadToken(NULL, saved_.get()))
            api.pfnRevertToSelf();
    }

private:
    KernelHandle saved_;
    bool known_;
};

// Keeps the calling thread impersonating until it goes out of scope, so that
// no path returns with the thread still wearing another user's identity; the
// thread then gets back the identity it had when the scope was made.
class ImpersonationScope
{
public:
    ImpersonationScope() : active_(false) {}
    ~ImpersonationScope() { end(); }
    ImpersonationScope(const ImpersonationScope&) = delete;
    ImpersonationScope& operator=(const ImpersonationScope&) = delete;

    bool begin(HANDLE token)
    {
        end();
        const SystemApiBindings& api = SystemApi();
        active_ = api.HasTokens() && api.pfnImpersonateLoggedOnUser(token) != FALSE;
        return active_;
    }
    // Takes over an impersonation the thread has just begun in another way
    // (when started is true), so that it ends with the scope too.
    void adopt(bool started)
    {
        end();
        active_ = started;
    }
    void end()
    {
        if (active_)
            caller_.Restore();
        active_ = false;
    }

private:
    CallerIdentity caller_;
    bool active_;
};

#endif
