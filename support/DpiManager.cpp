#include "DpiManager.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace support {

namespace {

constexpr UINT_PTR kSubclassId = 0x44706920; // one manager per form

using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

std::wstring ClassOf(HWND h)
{
    wchar_t name[64] = {};
    ::GetClassNameW(h, name, 64);
    return name;
}

bool IsEmpty(const RECT& r) noexcept
{
    return r.right <= r.left || r.bottom <= r.top;
}

} // namespace

int SystemDpiOf(HWND window) noexcept
{
    // Only when already loaded: the program does not pull the library in for this.
    if (HMODULE shcore = ::GetModuleHandleW(L"shcore.dll")) {
        auto fn = reinterpret_cast<GetDpiForMonitorFn>(
            reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")));
        if (fn) {
            UINT x = 0, y = 0;
            HMONITOR monitor = ::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
            if (monitor && SUCCEEDED(fn(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)))
                return static_cast<int>(std::max(x, y));
        }
    }
    int dpi = 0;
    if (HDC dc = ::GetDC(nullptr)) {
        dpi = std::max(::GetDeviceCaps(dc, LOGPIXELSX), ::GetDeviceCaps(dc, LOGPIXELSY));
        ::ReleaseDC(nullptr, dc);
    }
    return dpi;
}

TCustomDpiManager::TCustomDpiManager(fw::TComponent* owner, std::wstring name, HWND form)
    : fw::TComponent(owner, std::move(name)), form(form)
{
    if (form && ::SetWindowSubclass(form, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        ::PostMessageW(form, WM_DPI_CHECK, 0, 0);
    else
        this->form = nullptr;
}

TCustomDpiManager::~TCustomDpiManager()
{
    if (form)
        ::RemoveWindowSubclass(form, SubclassProc, kSubclassId);
}

int TCustomDpiManager::CurrentDpi() const
{
    int dpi = DpiProbe ? DpiProbe(form) : SystemDpiOf(form);
    if (dpi > 0)
        return dpi;
    return PixelsPerInch > 0 ? PixelsPerInch : 96;
}

int TCustomDpiManager::Scale(int value)
{
    if (pending && !shown)
        Check();
    int dpi = current;
    if (dpi == PixelsPerInch || PixelsPerInch <= 0)
        return value;
    return ::MulDiv(value, dpi, PixelsPerInch);
}

void TCustomDpiManager::Check()
{
    pending = false;
    int now = CurrentDpi();
    if (now == current)
        return;
    previous = current;
    current = now;
    RECT r{};
    if (form)
        ::GetWindowRect(form, &r);
    const int ppi = PixelsPerInch > 0 ? PixelsPerInch : 96;
    RECT newRect{r.left, r.top, r.left + ::MulDiv(r.right - r.left, now, ppi),
                 r.top + ::MulDiv(r.bottom - r.top, now, ppi)};
    fw::Raise(OnChange, this, previous, current, newRect, TDpiState::Check);
    if (AutoSize)
        Resize(current, previous, RECT{});
}

void TCustomDpiManager::SystemNotice(int dpi, const RECT& suggested)
{
    if (dpi <= 0 || dpi == current)
        return;
    previous = current;
    current = dpi;
    fw::Raise(OnChange, this, previous, current, suggested, TDpiState::System);
    if (AutoSize)
        Resize(current, previous, suggested);
}

void TCustomDpiManager::Resize(int n, int d, RECT r)
{
    if (!form || n <= 0 || d <= 0)
        return;
    if (IsEmpty(r)) {
        RECT w{};
        ::GetWindowRect(form, &w);
        r = {w.left, w.top, w.left + ::MulDiv(w.right - w.left, n, d),
             w.top + ::MulDiv(w.bottom - w.top, n, d)};
    }
    ::SetWindowPos(form, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOOWNERZORDER);
    if (n == d)
        return;
    if (OnScaleContents)
        OnScaleContents(n, d);
    else
        ScaleContents(n, d);
}

void TCustomDpiManager::ScaleContents(int n, int d)
{
    std::vector<HWND> direct;
    std::vector<HWND> all;
    for (HWND c = ::GetWindow(form, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT))
        direct.push_back(c);
    ::EnumChildWindows(
        form,
        [](HWND h, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));

    for (HWND c : direct) {
        RECT b{};
        ::GetWindowRect(c, &b);
        ::MapWindowPoints(nullptr, form, reinterpret_cast<POINT*>(&b), 2);
        ::SetWindowPos(c, nullptr, ::MulDiv(b.left, n, d), ::MulDiv(b.top, n, d),
                       ::MulDiv(b.right - b.left, n, d), ::MulDiv(b.bottom - b.top, n, d),
                       SWP_NOACTIVATE | SWP_NOZORDER);
    }
    for (HWND c : all) {
        const std::wstring cls = ClassOf(c);
        if (_wcsicmp(cls.c_str(), L"ListBox") == 0) {
            LRESULT h = ::SendMessageW(c, LB_GETITEMHEIGHT, 0, 0);
            if (h > 0)
                ::SendMessageW(c, LB_SETITEMHEIGHT, 0, ::MulDiv(static_cast<int>(h), n, d));
        } else if (_wcsicmp(cls.c_str(), L"ComboBox") == 0) {
            for (WPARAM which : {static_cast<WPARAM>(-1), static_cast<WPARAM>(0)}) {
                LRESULT h = ::SendMessageW(c, CB_GETITEMHEIGHT, which, 0);
                if (h > 0)
                    ::SendMessageW(c, CB_SETITEMHEIGHT, which, ::MulDiv(static_cast<int>(h), n, d));
            }
        }
    }
    if (font) {
        LOGFONTW lf{};
        ::GetObjectW(font.get(), sizeof(lf), &lf);
        lf.lfHeight = ::MulDiv(lf.lfHeight, n, d);
        SetFont(lf);
    }
}

void TCustomDpiManager::SetFont(const LOGFONTW& lf)
{
    fw::UniqueHfont old(font.release());
    font.reset(::CreateFontIndirectW(&lf));
    if (!font) {
        font.reset(old.release());
        return;
    }
    ApplyFont(old.get());
}

void TCustomDpiManager::ApplyFont(HFONT old)
{
    if (!form)
        return;
    struct Swap {
        HFONT from, to;
    } swap{old, font.get()};
    // Every control that showed the form's font (or none yet) takes the new one.
    ::EnumChildWindows(
        form,
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Swap*>(p);
            auto f = reinterpret_cast<HFONT>(::SendMessageW(h, WM_GETFONT, 0, 0));
            if (!f || f == s->from)
                ::SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(s->to), TRUE);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&swap));
}

LRESULT TCustomDpiManager::FormProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (msg) {
    case WM_DPI_CHECK:
        if (pending)
            Check();
        break;
    case WM_SHOWWINDOW:
        if (wParam && !shown) {
            shown = true;
            Check();
        }
        break;
    case 0x02E0: // WM_DPICHANGED
        if (lParam)
            SystemNotice(std::max<int>(LOWORD(wParam), HIWORD(wParam)),
                         *reinterpret_cast<const RECT*>(lParam));
        break;
    default:
        break;
    }
    return ::DefSubclassProc(form, msg, wParam, lParam);
}

LRESULT CALLBACK TCustomDpiManager::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR data) noexcept
{
    auto* self = reinterpret_cast<TCustomDpiManager*>(data);
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        self->form = nullptr;
        return ::DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    return self->FormProc(msg, wParam, lParam);
}

} // namespace support
