#include "ChildControl.h"

#include <commctrl.h>

namespace support {

namespace {
constexpr UINT_PTR kSubclassId = 0x4C6F7276; // any constant: one subclass per window
}

TChildControl::~TChildControl()
{
    Detach();
    owned.reset();
}

bool TChildControl::CreateWnd(HWND parent, const wchar_t* className, DWORD style, DWORD exStyle,
                              const RECT& bounds, UINT id)
{
    Detach();
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)registered;
    owned.reset(::CreateWindowExW(exStyle, className, L"", style | WS_CHILD, bounds.left, bounds.top,
                                  bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                  ::GetModuleHandleW(nullptr), nullptr));
    if (!owned)
        return false;
    handle = owned.get();
    if (!::SetWindowSubclass(handle, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        handle = nullptr;
        owned.reset();
        return false;
    }
    return true;
}

void TChildControl::Detach() noexcept
{
    if (handle) {
        ::RemoveWindowSubclass(handle, SubclassProc, kSubclassId);
        handle = nullptr;
    }
}

LRESULT TChildControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return DefaultProc(msg, wParam, lParam);
}

LRESULT TChildControl::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::DefSubclassProc(handle, msg, wParam, lParam);
}

LRESULT CALLBACK TChildControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data) noexcept
{
    auto* self = reinterpret_cast<TChildControl*>(data);
    if (msg == WM_NCDESTROY) {
        // Destroyed with its parent: forget the window without destroying it again.
        LRESULT r = ::DefSubclassProc(hwnd, msg, wParam, lParam);
        ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        self->handle = nullptr;
        (void)self->owned.release();
        return r;
    }
    return self->WndProc(msg, wParam, lParam);
}

} // namespace support
