#include "BaseControl.h"

#include <windowsx.h>

#include <algorithm>
#include <charconv>

namespace fw {

namespace {

constexpr UINT_PTR kSubclassId = 0x4C56; // one subclass per control window
constexpr wchar_t kControlProp[] = L"fw.TControl"; // the control of a window, for reflection
UINT nextControlId = 1000;

UINT NewControlId() noexcept
{
    if (nextControlId >= 0x7F00)
        nextControlId = 1000;
    return nextControlId++;
}

} // namespace

std::wstring WindowText(HWND h)
{
    if (!h)
        return {};
    int length = ::GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
    int got = ::GetWindowTextW(h, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

bool IsTrue(std::wstring_view v)
{
    return v == L"1" || v == L"true" || v == L"True";
}

std::vector<std::wstring> SplitList(std::wstring_view text, wchar_t separator)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(separator, start);
        if (end == std::wstring_view::npos)
            end = text.size();
        parts.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::optional<int> ParseInt(std::wstring_view text)
{
    std::string narrow;
    for (wchar_t c : text) {
        if (c > 127)
            return std::nullopt;
        narrow.push_back(static_cast<char>(c));
    }
    int value = 0;
    auto [end, ec] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (ec != std::errc() || end != narrow.data() + narrow.size() || narrow.empty())
        return std::nullopt;
    return value;
}

// ---- TControl

TControl::TControl(TComponent* owner, std::wstring name) : TComponent(owner, std::move(name)) {}

TControl::~TControl()
{
    for (TControl* child : children)
        child->parent = nullptr;
    if (parent)
        std::erase(parent->children, this);
    if (handle) {
        HWND h = handle;
        Detach();
        if (ownsWindow)
            ::DestroyWindow(h);
    }
}

void TControl::Detach() noexcept
{
    if (handle) {
        ::RemovePropW(handle, kControlProp);
        ::RemoveWindowSubclass(handle, SubclassProc, kSubclassId);
    }
    handle = nullptr;
}

bool TControl::CreateWnd(TControl* parentControl, const wchar_t* className, const std::wstring& text,
                         DWORD style, DWORD exStyle, const RECT& bounds, UINT id)
{
    static const bool registered = [] {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                                  ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
        return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)registered;
    HWND parentHandle = parentControl ? parentControl->Handle() : nullptr;
    if (parentHandle) {
        style |= WS_CHILD | WS_CLIPSIBLINGS;
        if (!id)
            id = NewControlId();
    }
    HWND h = ::CreateWindowExW(exStyle, className, text.c_str(), style, bounds.left, bounds.top,
                               bounds.right - bounds.left, bounds.bottom - bounds.top, parentHandle,
                               parentHandle ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)) : nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
    if (!h)
        return false;
    ownsWindow = true;
    if (!Adopt(parentControl, h)) {
        ::DestroyWindow(h);
        return false;
    }
    return true;
}

bool TControl::AttachWnd(TControl* parentControl, HWND window)
{
    ownsWindow = false;
    return window && Adopt(parentControl, window);
}

bool TControl::Adopt(TControl* parentControl, HWND h)
{
    if (!::SetPropW(h, kControlProp, this))
        return false;
    if (!::SetWindowSubclass(h, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        ::RemovePropW(h, kControlProp);
        return false;
    }
    handle = h;
    parent = parentControl;
    if (parent) {
        parent->children.push_back(this);
        if (HFONT f = reinterpret_cast<HFONT>(::SendMessageW(parent->Handle(), WM_GETFONT, 0, 0)))
            ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(f), FALSE);
        parent->ChildAdded(this);
    }
    return true;
}

TControl* TControl::FromHandle(HWND hwnd) noexcept
{
    return hwnd ? static_cast<TControl*>(::GetPropW(hwnd, kControlProp)) : nullptr;
}

LRESULT CALLBACK TControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) noexcept
{
    auto* self = reinterpret_cast<TControl*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemovePropW(hwnd, kControlProp);
        ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        if (self->handle == hwnd)
            self->handle = nullptr;
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    return self->WndProc(msg, wParam, lParam);
}

LRESULT TControl::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    return ::DefSubclassProc(handle, msg, wParam, lParam);
}

std::optional<LRESULT> TControl::ReflectToChild(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    HWND from = nullptr;
    switch (msg) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        from = reinterpret_cast<HWND>(lParam);
        break;
    case WM_NOTIFY:
        from = reinterpret_cast<NMHDR*>(lParam)->hwndFrom;
        break;
    case WM_DRAWITEM:
        if (wParam)
            from = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    default:
        return std::nullopt;
    }
    TControl* child = FromHandle(from);
    if (!child)
        return std::nullopt;
    try {
        return child->Reflect(msg, wParam, lParam);
    } catch (...) {
        return std::nullopt; // nothing leaves a window procedure
    }
}

LRESULT TControl::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    if (std::optional<LRESULT> r = ReflectToChild(msg, wParam, lParam))
        return *r;
    try {
        if (msg == WM_SETFOCUS) {
            LRESULT r = DefaultProc(msg, wParam, lParam);
            Raise(OnEnter, this);
            return r;
        }
        if (msg == WM_KILLFOCUS) {
            LRESULT r = DefaultProc(msg, wParam, lParam);
            Raise(OnExit, this);
            return r;
        }
    } catch (...) {
        return 0;
    }
    return DefaultProc(msg, wParam, lParam);
}

std::optional<LRESULT> TControl::Reflect(UINT, WPARAM, LPARAM)
{
    return std::nullopt;
}

bool TControl::SetProperty(std::wstring_view, std::wstring_view)
{
    return false;
}

std::wstring TControl::Caption() const
{
    return WindowText(handle);
}

void TControl::SetCaption(const std::wstring& text)
{
    if (handle)
        ::SetWindowTextW(handle, text.c_str());
}

bool TControl::Enabled() const noexcept
{
    return handle && ::IsWindowEnabled(handle);
}

void TControl::SetEnabled(bool on)
{
    if (!handle)
        return;
    // A disabled control cannot keep the keyboard: the next control of the tab order takes it.
    if (!on && Focused()) {
        HWND root = ::GetAncestor(handle, GA_ROOT);
        if (HWND next = ::GetNextDlgTabItem(root, handle, FALSE); next && next != handle)
            ::SetFocus(next);
        else
            ::SetFocus(root);
    }
    ::EnableWindow(handle, on);
}

bool TControl::Visible() const noexcept
{
    return handle && (::GetWindowLongW(handle, GWL_STYLE) & WS_VISIBLE) != 0;
}

void TControl::SetVisible(bool on)
{
    if (handle)
        ::ShowWindow(handle, on ? SW_SHOWNA : SW_HIDE);
}

bool TControl::Focused() const noexcept
{
    HWND f = ::GetFocus();
    return handle && (f == handle || ::IsChild(handle, f));
}

bool TControl::CanFocus() const noexcept
{
    for (HWND h = handle; h; h = ::GetParent(h)) {
        if (!::IsWindowEnabled(h) || !(::GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE))
            return false;
        if (!(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD))
            break;
    }
    return handle != nullptr;
}

void TControl::SetFocus()
{
    if (handle)
        ::SetFocus(handle);
}

RECT TControl::BoundsRect() const
{
    RECT r{};
    if (!handle)
        return r;
    ::GetWindowRect(handle, &r);
    if (HWND p = ::GetParent(handle); p && (::GetWindowLongW(handle, GWL_STYLE) & WS_CHILD))
        ::MapWindowPoints(HWND_DESKTOP, p, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int TControl::Width() const
{
    RECT r = BoundsRect();
    return r.right - r.left;
}

int TControl::Height() const
{
    RECT r = BoundsRect();
    return r.bottom - r.top;
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    if (handle)
        ::SetWindowPos(handle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TControl::SetHeight(int height)
{
    RECT r = BoundsRect();
    SetBounds(r.left, r.top, r.right - r.left, height);
}

void TControl::SetFont(HFONT font)
{
    if (handle)
        ::SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    for (TControl* child : children)
        child->SetFont(font);
}

void TControl::ScaleBy(int n, int d)
{
    if (d == 0 || n == d)
        return;
    ScaleItems(n, d);
    for (TControl* child : children) {
        RECT r = child->BoundsRect();
        child->SetBounds(::MulDiv(r.left, n, d), ::MulDiv(r.top, n, d), ::MulDiv(r.right - r.left, n, d),
                         ::MulDiv(r.bottom - r.top, n, d));
        child->ScaleBy(n, d);
    }
}

} // namespace fw
