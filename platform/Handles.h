// One small non-copyable owner per kind of handle. Nothing else in the library
// closes a handle by hand.
#ifndef PHONEBK_HANDLES_H
#define PHONEBK_HANDLES_H

#include <windows.h>

#include "SystemApiTable.h"

template <typename Traits>
class UniqueHandle
{
public:
    typedef typename Traits::Type Type;

    UniqueHandle() : value_(Traits::Empty()) {}
    explicit UniqueHandle(Type value) : value_(value) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    // Ownership moves, so a function can hand a handle to its caller.
    UniqueHandle(UniqueHandle&& other) : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other)
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Type get() const { return value_; }
    bool valid() const { return value_ != Traits::Empty(); }
    explicit operator bool() const { return valid(); }

    Type release()
    {
        Type value = value_;
        value_ = Traits::Empty();
        return value;
    }

    void reset(Type value = Traits::Empty())
    {
        if (valid())
            Traits::Close(value_);
        value_ = value;
    }

    // For APIs that return the handle through an out parameter.
    Type* receive()
    {
        reset();
        return &value_;
    }

private:
    Type value_;
};

struct KernelHandleTraits {   // processes, threads, tokens
    typedef HANDLE Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FileHandleTraits {
    typedef HANDLE Type;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { CloseHandle(h); }
};
struct FindHandleTraits {
    typedef HANDLE Type;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) { FindClose(h); }
};
struct RegKeyTraits {
    typedef HKEY Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { RegCloseKey(h); }
};
struct ServiceHandleTraits {
    typedef SC_HANDLE Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { SystemApi().pfnCloseServiceHandle(h); }   // bound with the opening
};
struct DesktopTraits {
    typedef HDESK Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { SystemApi().pfnCloseDesktop(h); }   // bound with the opening
};
struct LocalMemTraits {
    typedef HLOCAL Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { LocalFree(h); }
};

typedef UniqueHandle<KernelHandleTraits>  KernelHandle;
typedef UniqueHandle<FileHandleTraits>    FileHandle;
typedef UniqueHandle<FindHandleTraits>    FindHandle;
typedef UniqueHandle<RegKeyTraits>        RegKey;
typedef UniqueHandle<ServiceHandleTraits> ServiceHandle;
typedef UniqueHandle<DesktopTraits>       DesktopHandle;
typedef UniqueHandle<LocalMemTraits>      LocalMem;

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
