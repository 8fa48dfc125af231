#include "OnScreenDisplay.h"

#include "SystemInfo.h"

#include <shellapi.h>

#include <algorithm>

namespace display {

namespace {

constexpr UINT_PTR kHideTimer = 1, kFadeTimer = 2;
constexpr UINT kFadeInterval = 25; // ms per step of the fade
constexpr int kFadeSteps = 6;

template <typename Fn> Fn Bind(const wchar_t* module, const char* name)
{
    HMODULE m = ::GetModuleHandleW(module);
    if (!m)
        m = ::LoadLibraryW(module);
    return m ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m, name))) : nullptr;
}

int MonitorDpi(HMONITOR monitor)
{
    // Windows 8.1 and later tell each monitor's resolution; before, every monitor has the screen's.
    using Fn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const Fn getDpi = Bind<Fn>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (getDpi && SUCCEEDED(getDpi(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y)) && x > 0)
        return static_cast<int>(x);
    return fw::ScreenDpi();
}

TDisplayMonitor Describe(HMONITOR monitor)
{
    TDisplayMonitor d;
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    if (monitor && ::GetMonitorInfoW(monitor, &mi)) {
        d.Work = mi.rcWork;
        d.Area = mi.rcMonitor;
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &d.Work, 0);
        d.Area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    }
    d.Dpi = MonitorDpi(monitor);
    return d;
}

// The desktop and the shell's own windows are never a program in front.
bool IsShellWindow(HWND window)
{
    if (window == ::GetDesktopWindow() || window == ::GetShellWindow())
        return true;
    wchar_t name[32] = {};
    ::GetClassNameW(window, name, 32);
    for (const wchar_t* shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"}) {
        if (lstrcmpW(name, shell) == 0)
            return true;
    }
    return false;
}

} // namespace

TDisplaySystem TDisplaySystem::Real()
{
    TDisplaySystem s;
    s.CursorPos = [](POINT& p) { return ::GetCursorPos(&p) != FALSE; };
    s.Foreground = [] { return ::GetForegroundWindow(); };
    s.NotificationState = [] {
        // Windows Vista and later.
        using Fn = HRESULT(WINAPI*)(int*);
        static const Fn query = Bind<Fn>(L"shell32.dll", "SHQueryUserNotificationState");
        int state = 0;
        return query && SUCCEEDED(query(&state)) ? state : 0;
    };
    s.LightTheme = [] {
        HKEY key = nullptr;
        DWORD value = 1, size = sizeof(value), type = 0;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
                            0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
            return true;
        const bool read = ::RegQueryValueExW(key, L"AppsUseLightTheme", nullptr, &type,
                                             reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
                          type == REG_DWORD;
        ::RegCloseKey(key);
        return !read || value != 0;
    };
    return s;
}

TDisplayMonitor MonitorAt(POINT p)
{
    return Describe(::MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST));
}

TDisplayMonitor MonitorOf(HWND window)
{
    return Describe(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
}

TOnScreenDisplay::TOnScreenDisplay(TDisplaySystem system) : system(std::move(system)) {}

TOnScreenDisplay::~TOnScreenDisplay() = default;

bool TOnScreenDisplay::DarkLook() const
{
    if (Settings.Theme == lorvane::dtLight)
        return false;
    if (Settings.Theme == lorvane::dtDark)
        return true;
    return system.LightTheme && !system.LightTheme();
}

bool TOnScreenDisplay::FullScreenInFront() const
{
    if (system.NotificationState && FullScreenNotificationState(system.NotificationState()))
        return true;
    HWND front = system.Foreground ? system.Foreground() : nullptr;
    RECT r{};
    if (!front || IsShellWindow(front) || !::IsWindowVisible(front) || !::GetWindowRect(front, &r))
        return false;
    return CoversMonitor(r, MonitorOf(front).Area);
}

TDisplayMonitor TOnScreenDisplay::TargetMonitor() const
{
    if (Settings.Monitor == lorvane::dmForeground && system.Foreground) {
        // A hidden window (Wine makes the program's own the foreground one) stands nowhere.
        HWND front = system.Foreground();
        if (front && !IsShellWindow(front) && ::IsWindowVisible(front))
            return MonitorOf(front);
    }
    POINT p{};
    if (!system.CursorPos || !system.CursorPos(p))
        p = {0, 0};
    return MonitorAt(p);
}

bool TOnScreenDisplay::EnsureWindow()
{
    if (Handle())
        return true;
    // Layered and transparent: clicks go to what is below; no activation, no taskbar button.
    return CreateHidden(kClassName, L"", WS_POPUP,
                        WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, 0,
                        Owner);
}

bool TOnScreenDisplay::Show(const TDisplayContent& shownContent)
{
    if (!shown) {
        // A new appearance follows the theme and the language of the moment.
        look.Dark = DarkLook();
        look.FontName = FontName;
        look.Charset = FontCharset;
    }
    const TDisplayMonitor monitor = TargetMonitor();
    const TDisplayMetrics m = DisplayMetrics(Settings.Size, monitor.Dpi, !shownContent.Title.empty());
    if (!EnsureWindow() || !painter.Paint(m, look, shownContent))
        return false;
    ++paints;
    content = shownContent;
    content.Icon = nullptr; // the caller's, valid during the call only
    position = DisplayPosition(monitor.Work, {m.Width, m.Height}, Settings.Anchor, m.Margin);
    if (!Present(255))
        return false;
    ::KillTimer(Handle(), kFadeTimer);
    fadeStep = 0;
    if (!shown) {
        ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        shown = true;
    }
    // Every change starts the whole duration again.
    ::SetTimer(Handle(), kHideTimer, std::max(1u, Settings.Duration), nullptr);
    return true;
}

bool TOnScreenDisplay::Present(BYTE alpha)
{
    SIZE size = painter.Size();
    POINT origin{0, 0};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
    return ::UpdateLayeredWindow(Handle(), nullptr, &position, &size, painter.DC(), &origin, 0, &blend,
                                 ULW_ALPHA) != FALSE;
}

void TOnScreenDisplay::Hide()
{
    if (!Handle())
        return;
    ::KillTimer(Handle(), kHideTimer);
    ::KillTimer(Handle(), kFadeTimer);
    ::ShowWindow(Handle(), SW_HIDE);
    shown = false;
    fadeStep = 0;
}

void TOnScreenDisplay::TimerTick(UINT_PTR id)
{
    if (id == kHideTimer) {
        ::KillTimer(Handle(), kHideTimer);
        fadeStep = 0;
        ::SetTimer(Handle(), kFadeTimer, kFadeInterval, nullptr);
        return;
    }
    if (id != kFadeTimer)
        return;
    if (++fadeStep >= kFadeSteps) {
        Hide();
        return;
    }
    Present(static_cast<BYTE>(255 * (kFadeSteps - fadeStep) / kFadeSteps));
}

LRESULT TOnScreenDisplay::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) noexcept
{
    switch (msg) {
    case WM_TIMER:
        TimerTick(wParam);
        return 0;
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefaultProc(msg, wParam, lParam);
    }
}

} // namespace display
