#pragma once
// One owning wrapper for every kind of platform handle: movable, not copyable, closed once.

#include <windows.h>
#include <objbase.h>

#include <memory>
#include <type_traits>
#include <utility>

namespace fw {

template <typename Traits>
class UniqueHandle {
public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Type value) noexcept : value(value) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Type get() const noexcept { return value; }
    explicit operator bool() const noexcept { return value != Traits::Invalid(); }

    void reset(Type newValue = Traits::Invalid()) noexcept
    {
        Type old = std::exchange(value, newValue);
        if (old != Traits::Invalid())
            Traits::Close(old);
    }

    [[nodiscard]] Type release() noexcept { return std::exchange(value, Traits::Invalid()); }

    // Closes the current value first, so the address can be handed to an out-parameter.
    Type* put() noexcept
    {
        reset();
        return &value;
    }

private:
    Type value = Traits::Invalid();
};

template <typename T, auto CloseFn>
struct HandleTraits {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { CloseFn(h); }
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

// CreateFileW reports failure as INVALID_HANDLE_VALUE rather than null.
struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};

struct MappedViewTraits {
    using Type = void*;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type p) noexcept { ::UnmapViewOfFile(p); }
};

inline void DeleteGdiObject(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void FreeCoTaskMem(wchar_t* p) noexcept { ::CoTaskMemFree(p); }

using UniqueHwnd = UniqueHandle<HandleTraits<HWND, ::DestroyWindow>>;
using UniqueHicon = UniqueHandle<HandleTraits<HICON, ::DestroyIcon>>;
using UniqueHmenu = UniqueHandle<HandleTraits<HMENU, ::DestroyMenu>>;
using UniqueHhook = UniqueHandle<HandleTraits<HHOOK, ::UnhookWindowsHookEx>>;
using UniqueHandleK = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueView = UniqueHandle<MappedViewTraits>;
using UniqueHbitmap = UniqueHandle<HandleTraits<HBITMAP, DeleteGdiObject>>;
using UniqueHfont = UniqueHandle<HandleTraits<HFONT, DeleteGdiObject>>;
using UniqueHbrush = UniqueHandle<HandleTraits<HBRUSH, DeleteGdiObject>>;
using UniqueCoTaskString = UniqueHandle<HandleTraits<wchar_t*, FreeCoTaskMem>>;

// An icon with several holders (a picture list and the tray icon showing it): destroyed with
// the last one, so handing it on costs no copy of its bitmaps.
using SharedHicon = std::shared_ptr<std::remove_pointer_t<HICON>>;
inline SharedHicon ShareIcon(UniqueHicon icon)
{
    HICON h = icon.release();
    return h ? SharedHicon(h, [](HICON i) { ::DestroyIcon(i); }) : SharedHicon();
}

} // namespace fw
