#include "WheelCapture.h"

#include "Messages.h"
#include "NotifyIcon.h"
#include "SysMouseEvents.h"
#include "SystemInfo.h"

namespace lorvane {

namespace {

constexpr fw::TShiftState kModifiersAndButtons =
    fw::ssShift | fw::ssAlt | fw::ssCtrl | fw::ssLeft | fw::ssRight | fw::ssMiddle;

bool WinKeyDown() noexcept
{
    const input::KeyStateFn keyState = TSysMouseEvents::KeyState;
    return keyState(VK_LWIN) < 0 || keyState(VK_RWIN) < 0;
}

} // namespace

TWheelCapture::TWheelCapture()
    : system(TWheelAreaSystem::System([](HWND w) { return tray::IsTaskbarClass(w); },
                                      [vista = fw::SystemVersion().major >= 6](HWND top, HWND point) {
                                          return tray::IsShellDesktop(top, point, vista);
                                      }))
{
}

int TWheelCapture::HeldKeySet(fw::TShiftState shift, bool& win) const noexcept
{
    win = WinKeyDown();
    for (int i = 0; i < kWheelKeySetCount; ++i)
        if (WheelKeysMatch(State.keys[i], shift, win))
            return i;
    return -1;
}

bool TWheelCapture::InWheelArea(POINT p) const noexcept
{
    TWheelAreaSettings s;
    s.areas = State.areas;
    s.margin = State.margin;
    s.mouseInside = State.mouseInside;
    return IsPointInWheelArea(p, s, system);
}

bool TWheelCapture::Post(THookBinding binding, POINT p) noexcept
{
    if (!(State.bound & BindingBit(binding)))
        return false;
    HWND target = State.target;
    return target && ::PostMessageW(target, WM_HOOK_ACTION, static_cast<WPARAM>(binding), PackPoint(p));
}

bool TWheelCapture::Wheel(fw::TShiftState shift, int delta, POINT p) noexcept
{
    if (!State.on)
        return false;
    bool win = false;
    const int set = HeldKeySet(shift, win);
    // The turn's own point: where the pointer is now may already be off the area.
    if (set < 0 && !InWheelArea(p))
        return false;
    // Over a window whose application plays nothing, the turn is the window's own.
    if (set > 0) {
        const TPointApplications* applications = State.applications;
        if (!applications || !applications->PlaysAt(p))
            return false;
    }
    const TWheelKeySet& bindings = kWheelKeySets[set < 0 ? 0 : set];
    const bool handled = Post(delta > 0 ? bindings.up : bindings.down, p);
    if (handled && set >= 0 && win && (shift & kModifiersAndButtons) == 0 && OnWindowsKey)
        OnWindowsKey();
    return handled;
}

TMiddleButton::Where TWheelCapture::PointerWhere(fw::TShiftState shift, POINT p, bool& win) const
{
    TMiddleButton::Where where;
    where.mouseInside = State.mouseInside;
    where.inWheelArea = [this, p] { return InWheelArea(p); };
    win = WinKeyDown();
    where.keysMatch = WheelKeysMatch(State.keys[0], shift, win);
    return where;
}

bool TWheelCapture::MouseDown(fw::TMouseButton button, fw::TShiftState shift, POINT p) noexcept
{
    if (button != fw::TMouseButton::mbMiddle || !State.on)
        return false;
    bool win = false;
    const bool handled =
        middle.Down(PointerWhere(shift, p, win), (State.bound & BindingBit(THookBinding::WheelClick)) != 0);
    // The button being pressed may already read as down: it is not a held modifier.
    if (handled && middle.PendingByKeys() && win && (shift & kModifiersAndButtons & ~fw::ssMiddle) == 0 &&
        OnWindowsKey)
        OnWindowsKey();
    return handled;
}

bool TWheelCapture::MouseUp(fw::TMouseButton button, fw::TShiftState shift, POINT p) noexcept
{
    if (button != fw::TMouseButton::mbMiddle || !middle.Pending() || !State.on)
        return false;
    bool win = false;
    return middle.Up(PointerWhere(shift, p, win)) && Post(THookBinding::WheelClick, p);
}

} // namespace lorvane
