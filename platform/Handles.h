// One small non-copyable owner per kind of handle. Nothing else in the library
// closes a handle by hand.
#ifndef PHONEBK_HANDLES_H
#define PHONEBK_HANDLES_H

#include <windows.h>

// Services and desktops exist on Windows NT only; their close functions are
// bound at run time with the ones that open them (SystemApiTable.cpp).
void CloseBoundServiceHandle(SC_HANDLE handle);
void CloseBoundDesktop(HDESK desktop);

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
    static void Close(Type h) { CloseBoundServiceHandle(h); }
};
struct DesktopTraits {
    typedef HDESK Type;
    static Type Empty() { return NULL; }
    static void Close(Type h) { CloseBoundDesktop(h); }
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

#endif
