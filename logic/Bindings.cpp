#include "Bindings.h"

#include <algorithm>

namespace lorvane {

bool WheelCaptureWanted(const TWheelCaptureState& s, const std::function<bool()>& cursorInArea)
{
    if (s.busyCount >= 1)
        return false;
    if (!s.wheelEnabled)
        return false;
    if (s.wheelKeys != 0)
        return true;
    if (s.wheelAreas == waTrayIcon)
        return s.mouseInside;
    if (s.wheelAreas == 0)
        return false;
    return cursorInArea && cursorInArea();
}

bool WheelKeysMatch(uint8_t wheelKeys, fw::TShiftState shift, bool win) noexcept
{
    if (wheelKeys == 0)
        return false;
    unsigned held = 0;
    if (shift & fw::ssShift)
        held |= wkShift;
    if (shift & fw::ssAlt)
        held |= wkAlt;
    if (shift & fw::ssCtrl)
        held |= wkCtrl;
    if (win)
        held |= wkWin;
    return held == wheelKeys;
}

TWheelAreaSystem TWheelAreaSystem::System(std::function<bool(HWND)> isTaskbar,
                                          std::function<bool(HWND, HWND)> isDesktop)
{
    TWheelAreaSystem s;
    s.virtualDesktop = [] {
        const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN), y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
        return RECT{x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN),
                    y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    };
    s.windowFromPoint = [](POINT p) { return ::WindowFromPoint(p); };
    s.parent = [](HWND w) { return ::GetParent(w); };
    s.isTaskbar = std::move(isTaskbar);
    s.isDesktop = std::move(isDesktop);
    s.foreground = [] { return ::GetForegroundWindow(); };
    s.visible = [](HWND w) { return ::IsWindowVisible(w) != FALSE; };
    return s;
}

HWND TopLevelOf(HWND window, const std::function<HWND(HWND)>& parent)
{
    HWND top = window;
    // Bounded: a broken chain of owners must not hang the caller.
    for (int depth = 0; top && depth < 256; ++depth) {
        HWND up = parent(top);
        if (!up || up == top)
            break;
        top = up;
    }
    return top;
}

bool IsPointInWheelArea(POINT p, const TWheelAreaSettings& s, const TWheelAreaSystem& sys)
{
    if ((s.areas & (waTrayIcon | waTaskbar)) && s.mouseInside)
        return true;
    if (s.areas & waScreenEdge) {
        const RECT d = sys.virtualDesktop();
        // Held to the dialog's range, and summed in 64 bits: a file may hold any integer.
        const long long m = std::clamp(s.margin, 0, kWheelMarginMax);
        if (p.x < d.left + m || p.x >= d.right - m || p.y < d.top + m || p.y >= d.bottom - m)
            return true;
    }
    if (s.areas & (waTaskbar | waDesktop | waOutside)) {
        const HWND point = sys.windowFromPoint(p);
        const HWND top = TopLevelOf(point, sys.parent);
        if ((s.areas & waTaskbar) && sys.isTaskbar(top))
            return true;
        if ((s.areas & waDesktop) && sys.isDesktop(top, point))
            return true;
        if (s.areas & waOutside) {
            const HWND f = sys.foreground();
            if (f && sys.visible(f) && top != f && !sys.isDesktop(f, nullptr) && !sys.isTaskbar(f))
                return true;
        }
    }
    return false;
}

bool TMiddleButton::Down(const Where& where, bool bound) noexcept
{
    pending = false;
    byKeys = false;
    if (where.mouseInside)
        return false;
    if (where.inWheelArea && where.inWheelArea()) {
        pending = bound;
    } else if (where.keysMatch) {
        pending = bound;
        byKeys = bound;
    }
    return pending;
}

bool TMiddleButton::Up(const Where& where) noexcept
{
    const bool was = pending;
    pending = false;
    byKeys = false;
    return was && (where.mouseInside || (where.inWheelArea && where.inWheelArea()) || where.keysMatch);
}

} // namespace lorvane
