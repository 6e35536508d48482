// One small owner per kind of Win32 handle, so every path releases what it opened.
#pragma once
#ifdef UNICODE
#error Quillrest is an ANSI program: build without UNICODE.
#endif
#include <windows.h>
#include <objbase.h>
#include <utility>

namespace win {

// Generic owner: Traits supplies Invalid() and Close(h).
template <class Traits>
class Unique {
public:
    using Handle = typename Traits::Handle;
    Unique() noexcept : h_(Traits::Invalid()) {}
    explicit Unique(Handle h) noexcept : h_(h) {}
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Unique(Unique&& o) noexcept : h_(o.Release()) {}
    Unique& operator=(Unique&& o) noexcept { Reset(o.Release()); return *this; }
    ~Unique() { Reset(); }

    Handle Get() const noexcept { return h_; }
    Handle* Out() noexcept { Reset(); return &h_; }
    bool Valid() const noexcept { return h_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return Valid(); }
    Handle Release() noexcept { Handle h = h_; h_ = Traits::Invalid(); return h; }
    void Reset(Handle h = Traits::Invalid()) noexcept
    {
        if (h_ != Traits::Invalid())
            Traits::Close(h_);
        h_ = h;
    }

private:
    Handle h_;
};

struct HandleTraits {            // kernel objects; NULL means none
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FileTraits {              // CreateFile results; INVALID_HANDLE_VALUE means none
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FindTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
struct LibraryTraits {
    using Handle = HMODULE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};
struct GdiTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};

using UniqueHandle = Unique<HandleTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueFind = Unique<FindTraits>;
using UniqueKey = Unique<RegKeyTraits>;
using UniqueLibrary = Unique<LibraryTraits>;
using UniqueGdi = Unique<GdiTraits>;

// COM interface pointer.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { Reset(); }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    T** Out() { Reset(); return &p_; }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    explicit operator bool() const { return p_ != nullptr; }
    void Reset()
    {
        if (p_) {
            p_->Release();
            p_ = nullptr;
        }
    }

private:
    T* p_ = nullptr;
};

// A function looked up at run time in a library that may be missing on old Windows.
template <class Fn>
Fn LookUp(HMODULE library, const char* name)
{
    return library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name))) : nullptr;
}

// A KERNEL32 function looked up at run time (nullptr where this Windows lacks
// it); KERNEL32 is always loaded, so its handle needs no release.
template <class Fn>
Fn KernelFunction(const char* name)
{
    return LookUp<Fn>(GetModuleHandleA("KERNEL32.DLL"), name);
}

} // namespace win
