#include "Containers.h"

#include <windowsx.h>

#include <algorithm>

namespace fw {

namespace {

constexpr wchar_t kPanelClass[] = L"LorvanePanel";

bool RegisterPanelClass() noexcept
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    if (::GetClassInfoExW(instance, kPanelClass, &wc))
        return true;
    wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPanelClass;
    return ::RegisterClassExW(&wc) != 0;
}

} // namespace

// ---- Containers

bool TPanel::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    if (!RegisterPanelClass())
        return false;
    return CreateWnd(p, kPanelClass, L"", WS_VISIBLE | WS_CLIPCHILDREN | extraStyle, WS_EX_CONTROLPARENT,
                     bounds);
}

bool TGroupBox::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    if (!TPanel::CreateHandle(p, bounds, extraStyle))
        return false;
    // The frame paints only its edge and caption: the panel's own background must show
    // through inside it, so the panel paints under its children.
    ::SetWindowLongW(Handle(), GWL_STYLE, ::GetWindowLongW(Handle(), GWL_STYLE) & ~WS_CLIPCHILDREN);
    frame = ::CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0,
                              bounds.right - bounds.left, bounds.bottom - bounds.top, Handle(), nullptr,
                              ::GetModuleHandleW(nullptr), nullptr);
    if (!frame)
        return false;
    if (HFONT f = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0)))
        ::SendMessageW(frame, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
    return true;
}

std::wstring TGroupBox::Caption() const
{
    return WindowText(frame);
}

void TGroupBox::SetCaption(const std::wstring& text)
{
    if (frame)
        ::SetWindowTextW(frame, text.c_str());
}

void TGroupBox::SetFont(HFONT font)
{
    if (frame)
        ::SendMessageW(frame, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    TPanel::SetFont(font);
}

void TGroupBox::ScaleBy(int n, int d)
{
    TPanel::ScaleBy(n, d);
    RECT c{};
    ::GetClientRect(Handle(), &c);
    if (frame)
        ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, c.right, c.bottom, SWP_NOACTIVATE);
}

void TGroupBox::ChildAdded(TControl*)
{
    // Children are inserted below their older siblings; the frame stays below them all so
    // that it never hides them.
    if (frame)
        ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- Image

bool TImage::CreateHandle(TControl* p, const RECT& bounds, DWORD extraStyle)
{
    return CreateWnd(p, L"STATIC", L"",
                     WS_VISIBLE | SS_ICON | SS_REALSIZECONTROL | SS_CENTERIMAGE | extraStyle, 0, bounds);
}

void TImage::SetIcon(HICON icon)
{
    if (!Handle())
        return;
    RECT r = BoundsRect();
    ::SendMessageW(Handle(), STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    // The system sizes an icon control to its picture; the picture is stretched to the design.
    SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

} // namespace fw
